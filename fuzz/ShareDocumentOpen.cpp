// Opening a share document must never crash, and whatever a document says, every file of the
// opened package must sit where a save or the media store could have put it: a media file only
// directly inside a served media folder under a name the editor may fetch, and no path piece that
// could climb out of the package or hide a file.

#include "package/Media.h"
#include "share/SharedLink.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

[[noreturn]] void violated(const char* what, const std::string& path) {
    std::fprintf(stderr, "share document property broken: %s\n%s\n", what, path.c_str());
    std::abort();
}

void checkPath(const std::string& path) {
    for (const std::string_view piece : velk::DocumentTree::segments(path)) {
        if (piece == "." || piece == ".." || piece.find('\\') != std::string_view::npos ||
            piece.find('\0') != std::string_view::npos)
            violated("unsafe path piece", path);
    }
    const std::size_t slash = path.find('/');
    const std::string_view top = std::string_view(path).substr(0, slash);
    if (std::ranges::find(velk::Media::servedDirectories, top) == velk::Media::servedDirectories.end()) return;
    const std::string_view name = std::string_view(path).substr(slash + 1);
    if (!velk::Media::isServableName(name)) violated("media file the editor could not fetch", path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto opened = velk::SharedLink::open(text);
    if (!opened) return 0;
    std::vector<std::pair<std::string, velk::DocumentTree>> pending{{"", opened->tree}};
    while (!pending.empty()) {
        auto [path, node] = std::move(pending.back());
        pending.pop_back();
        if (!node.isDirectory()) {
            checkPath(path);
            continue;
        }
        for (const auto& [name, child] : node.children()) pending.emplace_back(path.empty() ? name : path + "/" + name, child);
    }
    return 0;
}
