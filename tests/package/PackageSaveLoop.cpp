// Saves a map package over and over, for the test that kills it at random moments.
//
//   velk_package_save_loop <package folder> <last save number>
//
// Writes its process id on standard output as soon as it starts, so the test can time its kill. Then it
// reads the package (or creates it, numbered 0) and saves until every canvas carries the last
// number, each save numbering all of them with the next number after the highest found.
// Exit status: 0 when done, 2 when the package cannot be read or created, 3 when a save fails.

#include "package/PackageStore.h"
#include "package/PackageTestSupport.h"
#include "platform/PosixFileSystem.h"

#include <cstdio>
#include <unistd.h>

namespace {

using namespace velk::testing_support::NumberedCanvas;

// A root canvas, submaps in the folder named after it, and a submap of a submap.
const std::vector<std::pair<std::string, std::vector<std::string>>> canvases{
    {"map.canvas", {"map/A.canvas", "map/B.canvas", "map/C.canvas"}}, {"map/A.canvas", {"map/A/Deep.canvas"}},
    {"map/B.canvas", {}}, {"map/C.canvas", {"velk-media/photo.png"}}, {"map/A/Deep.canvas", {}}};

void number(velk::DocumentTree& tree, int save) {
    for (const auto& [path, links] : canvases) tree.write(make(save, links), path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 64;
    std::printf("%d\n", ::getpid());
    std::fflush(stdout);
    const int last = std::stoi(argv[2]);
    velk::PosixFileSystem fileSystem;
    velk::PackageStore store(fileSystem, argv[1]);
    velk::DocumentTree tree;
    int save = 0;
    if (auto contents = store.read()) {
        if (!contents->unreadable.empty()) return 2;
        tree = contents->tree;
        for (const auto& [path, links] : canvases)
            if (const velk::SharedBytes bytes = tree.data(path)) save = std::max(save, saveOf(*bytes).value_or(0));
    } else {
        std::string photo(64 * 1024, '\0');
        for (std::size_t i = 0; i < photo.size(); ++i) photo[i] = static_cast<char>((i * 2654435761u) >> 13);
        tree.write(std::move(photo), "velk-media/photo.png");
        number(tree, 0);
        if (!store.create(tree)) return 2;
    }
    while (save < last) {
        number(tree, ++save);
        if (auto saved = store.save(tree); !saved) return std::fprintf(stderr, "%s\n", saved.error().description().c_str()), 3;
    }
    return 0;
}
