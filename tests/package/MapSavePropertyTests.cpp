// Properties of saving over generated packages: submaps several levels deep, shared submaps, ink
// cards and awkward labels, made the way velk makes them (saves through the document core).

#include "package/MapDocumentCore.h"
#include "package/MapTree.h"
#include "package/PackageTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <set>

namespace velk {
namespace {

using testing_support::parsed;

const std::vector<std::string> labels{"Trip ideas!", "\xE6\x97\xA5\xE6\x9C\xAC", "\xC3\x9Cn\xC3\xAF" "c\xC3\xB6" "de", "", "   ", "a/b", "..",
                                      std::string(100, 'x'), "Trip ideas?", "TRIP IDEAS", "e\xCC\x81", "\n", "Plan (v2) & notes+", "-.-"};

// One map of a body: a canvas of text cards, some opening submaps, some ink; its submaps follow.
void addMap(std::mt19937& random, const std::string& path, int depth, std::vector<JSONValue>& maps) {
    std::vector<JSONValue> cards;
    std::vector<JSONMember> records;
    std::vector<std::string> submaps;
    for (int i = 0, count = 1 + int(random() % 5); i < count; ++i) {
        const std::string id = "c" + std::to_string(depth) + "_" + std::to_string(i) + "_" + std::to_string(random() % 1000);
        if (random() % 5 == 0) {
            const std::string seed = std::to_string(random() % 50);
            cards.push_back(parsed(R"({"id":")" + id + R"(","type":"file","x":0,"y":0,"width":1,"height":1})"));
            records.push_back({id, parsed(R"({"role":"ink","source":{"strokes":[{"points":[[)" + seed + R"(,3],[40,)" + seed + R"(]],"palette":"moss"}]}})")});
            continue;
        }
        cards.push_back(JSONValue::object({{"id", JSONValue::string(id)}, {"type", JSONValue::string("text")},
                                           {"text", JSONValue::string(labels[random() % labels.size()])}, {"x", JSONValue::number(std::int64_t(i * 10))}}));
        if (depth < 3 && random() % 2 == 0) submaps.push_back(id);
    }
    maps.push_back(JSONValue::object({{"path", JSONValue::string(path)},
                                      {"canvas", JSONValue::object({{"nodes", JSONValue::array(cards)}, {"edges", JSONValue::array({})}})},
                                      {"sidecar", JSONValue::object({{"nodes", JSONValue::object(records)}})}}));
    for (const std::string& id : submaps) addMap(random, MapTree::submapPath(path, id), depth + 1, maps);
}

// A package saved by velk from a generated body, with one submap then linked from a second card.
MapDocumentCore generatedPackage(unsigned seed) {
    std::mt19937 random(seed);
    MapDocumentCore core;
    EXPECT_TRUE(core.state());
    std::vector<JSONValue> maps;
    addMap(random, "/", 0, maps);
    EXPECT_TRUE(core.apply(JSONValue::object({{"maps", JSONValue::array(maps)}})));
    for (const auto& [mapPath, file] : core.files()) {
        if (MapTree::depth(mapPath) != 1) continue;
        DocumentTree tree = core.tree();
        const JSONValue root = parsed(*tree.data("map.canvas"));
        std::vector<JSONValue> cards = root["nodes"]->elements().elements();
        cards.push_back(parsed(R"({"id":"again","type":"file","file":")" + file + R"("})"));
        tree.write(OrderedJSON::write(root.setting("nodes", JSONValue::array(cards)), Pretty::yes), "map.canvas");
        core.replace(tree);
        break;
    }
    return core;
}

std::map<std::string, JSONValue> fingerprints(const DocumentTree& tree) {
    std::map<std::string, JSONValue> result;
    const auto maps = MapDocument::load(tree, MapDocument::rootCanvasName);
    for (const LoadedMap& map : *maps)
        result.emplace(map.path, MapDocument::fingerprint(map.canvas, map.sidecar));
    return result;
}
std::set<std::string> filePaths(const DocumentTree& tree) {
    std::set<std::string> paths;
    for (const std::string& path : testing_support::describe(tree))
        if (!path.ends_with('/')) paths.insert(path);
    return paths;
}
// The body of `state` with the nodes of the map at `index` changed by `change`.
JSONValue withCards(const JSONValue& state, std::size_t index, const std::function<JSONValue(JSONValue)>& change) {
    std::vector<JSONValue> maps = state["maps"]->elements().elements(), cards;
    const JSONValue canvas = *maps[index]["canvas"];
    for (const JSONValue card : canvas["nodes"]->elements()) cards.push_back(change(card));
    maps[index] = maps[index].setting("canvas", canvas.setting("nodes", JSONValue::array(cards)));
    return JSONValue::object({{"maps", JSONValue::array(maps)}});
}

TEST(MapSaveProperties, SavingWhatWasLoadedChangesNoMeaningAndMintsNothing) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        MapDocumentCore core = generatedPackage(seed);
        const auto before = fingerprints(core.tree());
        const auto state = core.state();  // loads the package, which makes the files known
        const auto files = core.files();
        const std::set<std::string> paths = filePaths(core.tree());
        ASSERT_TRUE(core.apply(*state)) << seed;
        EXPECT_EQ(core.files(), files) << seed;
        EXPECT_EQ(filePaths(core.tree()), paths) << seed;
        EXPECT_EQ(fingerprints(core.tree()), before) << seed;
    }
}

TEST(MapSaveProperties, LoadingAfterASaveGivesBackTheMapsOfTheBody) {
    int checked = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        MapDocumentCore core = generatedPackage(seed);
        std::mt19937 random(seed);
        JSONValue body = *core.state();
        // A shared submap is written from one of its copies; those have tests of their own.
        const auto files = core.files();
        std::map<std::string, int> linksToFile;
        for (const auto& [mapPath, file] : files) ++linksToFile[file];
        // Edit the text of cards that open nothing, in maps that are not shared.
        std::vector<std::string> unshared;
        for (std::size_t i = 0; i < body["maps"]->elements().size(); ++i) {
            const std::string path(*body["maps"]->elements()[i]["path"]->stringValue());
            if (linksToFile[files.at(path)] > 1) continue;
            unshared.push_back(path);
            body = withCards(body, i, [&](JSONValue card) {
                const bool opensMap = files.contains(MapTree::submapPath(path, *card["id"]->stringValue()));
                return !opensMap && card["text"] && random() % 2 == 0 ? card.setting("text", JSONValue::string("edited " + path)) : card;
            });
        }
        ASSERT_TRUE(core.apply(body));
        std::map<std::string, JSONValue> sent;
        for (const JSONValue& map : body["maps"]->elements())
            sent.emplace(*map["path"]->stringValue(), MapDocument::fingerprint(*map["canvas"], *map["sidecar"]));
        const auto saved = fingerprints(core.tree());
        for (const std::string& path : unshared) {
            ++checked;
            ASSERT_TRUE(saved.contains(path)) << path;
            EXPECT_EQ(saved.at(path), sent.at(path)) << path;
        }
    }
    EXPECT_GT(checked, 100);
}

TEST(MapSaveProperties, ANewLabelMovesExactlyThatSubmap) {
    int renamed = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        MapDocumentCore core = generatedPackage(seed);
        // The last root card that opens a submap of its own (not the shared second link).
        std::optional<std::string> owner;
        const JSONValue root = *(*core.state())["maps"]->elements()[0]["canvas"];
        for (const JSONValue card : root["nodes"]->elements())
            if (const std::string id(*card["id"]->stringValue()); id != "again" && core.files().contains("/" + id)) owner = id;
        if (!owner) continue;
        const std::string oldFile = core.files().at("/" + *owner), label = "Renamed " + std::to_string(seed);
        std::set<std::string> expected = filePaths(core.tree());
        ASSERT_TRUE(core.apply(withCards(*core.state(), 0, [&](JSONValue card) {
            return card["id"]->stringValue() == *owner ? card.setting("type", JSONValue::string("text")).setting("text", JSONValue::string(label)) : card;
        })));
        ++renamed;
        const std::string newFile = core.files().at("/" + *owner);
        EXPECT_EQ(newFile, "map/" + label + ".canvas");
        // The canvas moves with its sidecar and its drawing.
        for (const auto& [from, to] : {std::pair{oldFile, newFile}, {oldFile + ".velk", newFile + ".velk"}, {MapTree::inkPath(oldFile), MapTree::inkPath(newFile)}})
            if (expected.erase(from)) expected.insert(to);
        EXPECT_EQ(filePaths(core.tree()), expected);
    }
    EXPECT_GT(renamed, 20);  // the generator makes submaps often enough for this to mean something
}

}  // namespace
}  // namespace velk
