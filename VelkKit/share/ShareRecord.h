#pragma once

// The record of a map's own share (its id, withdrawal token and link), which the editor keeps in
// the root map's sidecar under "share". It belongs to the one package that was shared: a copy
// (a Duplicate, a map opened from a share) must not carry it, or Share would show the original's
// link as the copy's, and Stop Sharing would withdraw the original.
//
// Pure; safe from any thread.

#include "package/DocumentTree.h"

#include <string_view>

namespace velk::ShareRecord {

inline constexpr std::string_view member = "share";

// `package` without the record; the very same tree when it has none.
[[nodiscard]] DocumentTree removed(DocumentTree package);

}  // namespace velk::ShareRecord
