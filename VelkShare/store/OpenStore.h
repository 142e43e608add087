#pragma once

// The store a database setting names: "sqlite:PATH" (a file, created when missing) or a
// PostgreSQL connection URI ("postgresql://…" or "postgres://…").

#include "store/ShareStore.h"

#include <memory>
#include <string_view>

namespace velk::share {

[[nodiscard]] StoreResult<std::unique_ptr<ShareStore>> openStore(std::string_view setting);

}  // namespace velk::share
