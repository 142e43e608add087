#include "package/MapNaming.h"

#include "core/TextCase.h"
#include "core/Utf8.h"
#include "core/WhiteSpace.h"
#include "package/MapTree.h"

namespace velk::MapNaming {

std::string displayName(std::string_view name) {
    std::string_view text = WhiteSpace::trimmedWithLineBreaks(name);
    // Extensions compare by whole characters (see withoutCaselessSuffix), so a removal never cuts
    // a character apart. A tail that reaches an extension only by lowercasing a non-ASCII letter
    // (the Kelvin sign becomes the "k" of ".velk") counts: the test is on the lowercased text.
    for (bool removed = true; removed;) {
        removed = false;
        for (std::string_view extension : extensions) {
            const auto stem = TextCase::withoutCaselessSuffix(text, extension);
            if (stem && !stem->empty()) {
                text = WhiteSpace::trimmed(*stem);
                removed = true;
                break;
            }
        }
    }
    // Folder names are bytes; what is shown (windows, the page, the recent list) must be text.
    return Utf8::repaired(text);
}

std::string packageFileName(std::string_view typed) {
    return displayName(typed).append(MapTree::packageSuffix);
}

}  // namespace velk::MapNaming
