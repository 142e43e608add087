#include "share/ShareBase.h"

#include "share/ShareBaseSetting.h"

namespace velk {

std::string_view defaultShareBase() noexcept { return VELK_SHARE_BASE_SETTING; }

}  // namespace velk
