// Opening a share document must never crash, and whatever a document says, every file of the
// opened package must sit where a save or the media store could have put it: a media file only
// directly inside a served media folder under a name the editor may fetch, and no path piece that
// could climb out of the package or hide a file.

#include "FuzzCheck.h"
#include "package/Media.h"
#include "package/PackageTestSupport.h"
#include "share/SharedLink.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velk;
    const auto opened = SharedLink::open(fuzz::text(data, size));
    if (!opened) return 0;
    for (const std::string& path : testing_support::describe(opened->tree)) {
        for (const std::string_view piece : DocumentTree::segments(path))
            fuzz::require(piece != "." && piece != ".." && piece.find_first_of(std::string_view("\\\0", 2)) == piece.npos, "unsafe path piece", path);
        const std::size_t slash = path.find('/');
        if (path.ends_with('/') || std::ranges::find(Media::servedDirectories, path.substr(0, slash)) == Media::servedDirectories.end()) continue;
        fuzz::require(Media::isServableName(path.substr(slash + 1)), "media file the editor could not fetch", path);
    }
    return 0;
}
