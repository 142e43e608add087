#include "json/JSONTestHelpers.h"
#include "package/FileWrapperTree.h"
#include "package/MapDocument.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using testing_support::compact;
using testing_support::parsed;

std::string fileCard(std::string_view id, std::string_view file) {
    return R"({"id":")" + std::string(id) + R"(","type":"file","file":")" + std::string(file) + R"(","x":0,"y":0,"width":10,"height":10})";
}

std::string canvas(std::initializer_list<std::string> cards) {
    std::string text = R"({"nodes":[)";
    bool first = true;
    for (const auto& card : cards) {
        text += (first ? "" : ",") + card;
        first = false;
    }
    return text + R"(],"edges":[]})";
}

std::vector<std::string> pathsAndFiles(const std::vector<LoadedMap>& maps) {
    std::vector<std::string> result;
    for (const auto& map : maps) result.push_back(map.path + " " + map.file);
    return result;
}

std::vector<LoadedMap> loaded(const DocumentTree& tree) {
    auto maps = MapDocument::load(tree, MapDocument::rootCanvasName);
    EXPECT_TRUE(maps) << maps.error().description();
    return maps ? *maps : std::vector<LoadedMap>{};
}

TEST(MapLoading, MissingOrNonObjectRootCanvasFails) {
    const std::string roots[] = {"", "[]", "{\"nodes\":", "\xFF"};
    for (const auto& root : roots) {
        SCOPED_TRACE(root);
        DocumentTree tree;
        if (!root.empty()) tree.write(root, "map.canvas");
        const auto maps = MapDocument::load(tree, "map.canvas");
        ASSERT_FALSE(maps);
        EXPECT_EQ(maps.error(), MapDocumentError::noRootCanvas("map.canvas"));
        EXPECT_EQ(maps.error().description(), "no root canvas map.canvas");
    }
    DocumentTree directory;
    directory.write("{}", "map.canvas/inner");
    EXPECT_FALSE(MapDocument::load(directory, "map.canvas"));
}

TEST(MapLoading, EmptyDocumentGivesOneRootMap) {
    const auto maps = loaded(FileWrapperTree::emptyDocument());
    EXPECT_EQ(compact(MapDocument::state(maps)), R"({"maps":[{"path":"/","canvas":{"nodes":[],"edges":[]},"sidecar":{}}]})");
}

TEST(MapLoading, WalksLinkingCardsDepthFirstAndSkipsWhatLinksNothing) {
    DocumentTree tree;
    tree.write(canvas({
                   fileCard("a", "map/A.canvas"),
                   R"({"id":"t","type":"text","text":"map/A.canvas"})",
                   R"({"id":"md","type":"file","file":"notes/Readme.md"})",
                   R"({"id":7,"type":"file","file":"map/A.canvas"})",
                   R"("not a card")",
                   fileCard("self", "MAP.CANVAS"),
                   fileCard("missing", "map/Missing.canvas"),
                   fileCard("broken", "map/Broken.canvas"),
                   fileCard("b", "map/B.CANVAS"),
               }),
               "map.canvas");
    tree.write(canvas({fileCard("a1", "map/A/A1.canvas")}), "map/A.canvas");
    tree.write(canvas({}), "map/A/A1.canvas");
    tree.write("{not json", "map/Broken.canvas");
    tree.write(canvas({}), "map/B.CANVAS");
    tree.write(R"({"nodes":{"n1":{"role":"ink"}}})", "map.canvas.velk");
    tree.write("[]", "map/A.canvas.velk");
    tree.write("{bad", "map/B.CANVAS.velk");

    const auto maps = loaded(tree);
    EXPECT_EQ(pathsAndFiles(maps), (std::vector<std::string>{"/ map.canvas", "/a map/A.canvas", "/a/a1 map/A/A1.canvas", "/b map/B.CANVAS"}));
    EXPECT_EQ(compact(maps[0].sidecar), R"({"nodes":{"n1":{"role":"ink"}}})");
    EXPECT_EQ(compact(maps[1].sidecar), "{}");  // an array is no sidecar
    EXPECT_EQ(compact(maps[3].sidecar), "{}");  // nor is broken JSON
}

TEST(MapLoading, CyclesAreCutAndSharedSubmapsLoadOncePerLink) {
    DocumentTree tree;
    tree.write(canvas({fileCard("a", "map/A.canvas"), fileCard("b", "map/A.canvas")}), "map.canvas");
    tree.write(canvas({fileCard("toB", "map/B.canvas")}), "map/A.canvas");
    tree.write(canvas({fileCard("toA", "map/a.canvas"), fileCard("toRoot", "map.canvas")}), "map/B.canvas");
    const auto maps = loaded(tree);
    EXPECT_EQ(pathsAndFiles(maps), (std::vector<std::string>{"/ map.canvas", "/a map/A.canvas", "/a/toB map/B.canvas",
                                                             "/b map/A.canvas", "/b/toB map/B.canvas"}));
    EXPECT_EQ(maps[1].canvas, maps[3].canvas);
}

TEST(MapLoading, EveryMapPathNamesOneMap) {
    DocumentTree tree;
    // A repeated id, an empty id (its path would be the root's own) and an id spelling the path
    // of a deeper map all open nothing.
    tree.write(canvas({fileCard("x", "map/One.canvas"), fileCard("x", "map/Two.canvas"), fileCard("", "map/Two.canvas"),
                       fileCard("x/y", "map/Two.canvas")}),
               "map.canvas");
    tree.write(canvas({fileCard("y", "map/Three.canvas")}), "map/One.canvas");
    tree.write(canvas({}), "map/Two.canvas");
    tree.write(canvas({}), "map/Three.canvas");
    EXPECT_EQ(pathsAndFiles(loaded(tree)), (std::vector<std::string>{"/ map.canvas", "/x map/One.canvas", "/x/y map/Three.canvas"}));
}

TEST(MapLoading, DeepChainsLoadWithoutRecursion) {
    DocumentTree tree;
    constexpr int depth = 20'000;
    for (int i = 0; i < depth; ++i) {
        const std::string file = i == 0 ? "map.canvas" : "m/" + std::to_string(i) + ".canvas";
        tree.write(canvas({fileCard("n", "m/" + std::to_string(i + 1) + ".canvas")}), file);
    }
    const auto maps = loaded(tree);
    EXPECT_EQ(maps.size(), std::size_t(depth));
    EXPECT_EQ(maps.back().path.size(), std::size_t(2 * (depth - 1)));
}

TEST(MapFingerprint, CanonicalFormIgnoresOrderNotationAndEmptiness) {
    struct Case {
        std::string_view value, normalized;
    };
    const Case cases[] = {
        {R"({"b":1,"a":null})", R"({"b":1})"},
        {"{}", "absent"},
        {"[{}]", "[null]"},
        {"[]", "absent"},
        {"null", "absent"},
        {R"({"z":[1.0,1e0,-0,0.10],"y":{"x":[],"w":{}},"a":"s"})", R"({"a":"s","z":[1,1,0,0.1]})"},
        {R"(["1x", 1e400, true])", R"(["1x",inf,true])"},
        {"\"text\"", "\"text\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const auto value = MapDocument::normalized(parsed(c.value));
        EXPECT_EQ(value ? compact(*value) : "absent", c.normalized);
    }
    EXPECT_EQ(MapDocument::fingerprint(parsed(R"({"nodes":[{"id":"a","x":1.0}],"edges":[]})"), parsed("{}")),
              MapDocument::fingerprint(parsed(R"({"edges":[],"nodes":[{"x":1,"id":"a"}]})"), std::nullopt));
    EXPECT_NE(MapDocument::fingerprint(parsed(R"({"nodes":[{"x":1}]})"), std::nullopt),
              MapDocument::fingerprint(parsed(R"({"nodes":[{"x":2}]})"), std::nullopt));
    EXPECT_TRUE(MapDocument::fingerprint(std::nullopt, std::nullopt).isNull());
}

}  // namespace
}  // namespace velk
