#pragma once

// The operations the editor page may ask of velk. The wire name of each is its case name,
// matched exactly and case-sensitively.

#include <optional>
#include <string_view>

namespace velk {

enum class BridgeOp { load, save, media, refresh, home, rename, saveAs, feedback, share, unshare, preview, exportMap };

[[nodiscard]] std::string_view wireName(BridgeOp op) noexcept;
[[nodiscard]] std::optional<BridgeOp> bridgeOpNamed(std::string_view wireName) noexcept;

}  // namespace velk
