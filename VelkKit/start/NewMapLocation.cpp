#include "start/NewMapLocation.h"

#include "package/MapNaming.h"
#include "package/MapTree.h"

namespace velk::NewMapLocation {

std::string next(std::string_view name, std::string_view folder, const Exists& exists) {
    const std::string safe = MapNaming::withoutSeparators(name);
    std::string base(folder);
    if (!base.empty() && base.back() != '/') base += '/';
    std::string candidate = base + MapNaming::fittedFileName(safe, MapTree::packageSuffix);
    for (unsigned long long n = 2; exists(candidate); ++n)
        candidate = base + MapNaming::fittedFileName(safe, " " + std::to_string(n) + std::string(MapTree::packageSuffix));
    return candidate;
}

}  // namespace velk::NewMapLocation
