#pragma once

// Structural equality of JSON nodes, walked with an explicit stack so that nesting depth costs
// heap, not call stack. Internal to velk's JSON code.

#include "json/JSONStorage.h"

namespace velk::JSONStorage {

[[nodiscard]] bool nodesEqual(const Node& a, const Node& b);

}  // namespace velk::JSONStorage
