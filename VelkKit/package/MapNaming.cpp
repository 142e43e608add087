#include "package/MapNaming.h"

#include "core/Graphemes.h"
#include "core/TextCase.h"
#include "core/Utf8.h"
#include "core/WhiteSpace.h"
#include "package/MapTree.h"

#include <algorithm>

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

std::string withoutSeparators(std::string_view typed) {
    std::string safe(typed);
    for (char& c : safe)
        if (c == '/' || c == ':' || c == '\0') c = '-';
    return safe;
}

std::string packageFileName(std::string_view typed) { return fittedFileName(displayName(typed), MapTree::packageSuffix); }

std::string fittedFileName(std::string_view stem, std::string_view suffix) {
    const std::size_t room = longestFileName - std::min(suffix.size(), longestFileName);
    if (stem.size() > room) {
        std::size_t cut = 0;
        for (const std::size_t at : Graphemes::boundaries(stem))
            if (at <= room) cut = at;
        // One character longer than the room (a letter under hundreds of accents) is cut between
        // code points rather than leaving no name at all.
        if (cut == 0)
            for (cut = room; cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80;) --cut;
        stem = stem.substr(0, cut);
    }
    return std::string(stem).append(suffix);
}

}  // namespace velk::MapNaming
