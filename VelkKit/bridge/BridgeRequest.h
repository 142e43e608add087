#pragma once

// One request from the editor page, and the failure to read one.
//
// The page posts the text of a JSON object to the "velk" message handler: an integer "id", an
// "op" naming a BridgeOp and an optional "payload" (any JSON value, handed on unchanged). Other
// members are ignored and member order does not matter. velk answers every request that has an
// id exactly once (BridgeScript::reply); one whose id cannot be read cannot be answered and is
// dropped. The page never reuses an id; velk only echoes ids and keeps no record of them.

#include "bridge/BridgeOp.h"
#include "core/Expected.h"
#include "json/JSONValue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velk {

// A request that could not be decoded. description() is the text the page is told.
struct BridgeFailure {
    std::optional<std::int64_t> id;  // present when the id could be read
    std::string message;

    [[nodiscard]] const std::string& description() const noexcept { return message; }
    bool operator==(const BridgeFailure&) const = default;
};

struct BridgeRequest {
    std::int64_t id = 0;
    BridgeOp op = BridgeOp::load;
    std::optional<JSONValue> payload;

    [[nodiscard]] static Expected<BridgeRequest, BridgeFailure> decode(std::string_view text);
    bool operator==(const BridgeRequest&) const = default;
};

}  // namespace velk
