// Properties of saving over generated packages: submaps several levels deep, shared submaps, ink
// cards and awkward labels, made the way velk makes them (saves through the document core).

#include "json/JSONTestHelpers.h"
#include "package/MapDocumentCore.h"
#include "package/MapTree.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace velk {
namespace {

using testing_support::parsed;

const std::vector<std::string> labels{"Trip ideas!", "\xE6\x97\xA5\xE6\x9C\xAC", "\xC3\x9Cn\xC3\xAF" "c\xC3\xB6" "de", "", "   ",
                                      "a/b", "..", std::string(100, 'x'), "Trip ideas?", "TRIP IDEAS", "e\xCC\x81", "\n",
                                      "Plan (v2) & notes+", "-.-"};

JSONValue inkRecord(int seed) {
    return parsed(R"({"role":"ink","source":{"strokes":[{"points":[[)" + std::to_string(seed) + R"(,3],[40,)" +
                  std::to_string(seed * 2) + R"(]],"palette":"moss"}]}})");
}

// One map of a body: a canvas of text cards, some opening submaps, some ink; its submaps follow.
void addMap(std::mt19937& random, const std::string& path, int depth, std::vector<JSONValue>& maps) {
    std::vector<JSONValue> cards;
    std::vector<JSONMember> records;
    std::vector<std::string> submaps;
    const int count = 1 + int(random() % 5);
    for (int i = 0; i < count; ++i) {
        const std::string id = "c" + std::to_string(depth) + "_" + std::to_string(i) + "_" + std::to_string(random() % 1000);
        if (random() % 5 == 0) {
            cards.push_back(parsed(R"({"id":")" + id + R"(","type":"file","x":0,"y":0,"width":1,"height":1})"));
            records.push_back({id, inkRecord(int(random() % 50))});
            continue;
        }
        cards.push_back(JSONValue::object({{"id", JSONValue::string(id)},
                                           {"type", JSONValue::string("text")},
                                           {"text", JSONValue::string(labels[random() % labels.size()])},
                                           {"x", JSONValue::number(std::int64_t(i * 10))}}));
        if (depth < 3 && random() % 2 == 0) submaps.push_back(id);
    }
    const JSONValue canvas = JSONValue::object({{"nodes", JSONValue::array(cards)}, {"edges", JSONValue::array({})}});
    maps.push_back(JSONValue::object({{"path", JSONValue::string(path)},
                                      {"canvas", canvas},
                                      {"sidecar", JSONValue::object({{"nodes", JSONValue::object(records)}})}}));
    for (const std::string& id : submaps) addMap(random, path == "/" ? "/" + id : path + "/" + id, depth + 1, maps);
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
    for (const LoadedMap& map : *maps) {
        result.emplace(map.path, MapDocument::fingerprint(map.canvas, map.sidecar));
    }
    return result;
}

std::set<std::string> filePaths(const DocumentTree& tree) {
    std::set<std::string> paths;
    std::vector<std::pair<const DocumentTree*, std::string>> work{{&tree, ""}};
    while (!work.empty()) {
        auto [node, at] = work.back();
        work.pop_back();
        if (!node->isDirectory()) paths.insert(at);
        for (const auto& [name, child] : node->children()) work.emplace_back(&child, at.empty() ? name : at + "/" + name);
    }
    return paths;
}

TEST(MapSaveProperties, SavingWhatWasLoadedChangesNoMeaningAndMintsNothing) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        MapDocumentCore core = generatedPackage(seed);
        const auto before = fingerprints(core.tree());
        const auto state = core.state();
        ASSERT_TRUE(state);
        const auto files = core.files();
        const std::set<std::string> paths = filePaths(core.tree());
        ASSERT_TRUE(core.apply(*state));
        EXPECT_EQ(core.files(), files);
        EXPECT_EQ(filePaths(core.tree()), paths);
        EXPECT_EQ(fingerprints(core.tree()), before);
    }
}

TEST(MapSaveProperties, LoadingAfterASaveGivesBackTheMapsOfTheBody) {
    int checked = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        MapDocumentCore core = generatedPackage(seed);
        std::mt19937 random(seed);
        const JSONValue state = *core.state();
        // A shared submap is written from one of its copies; those have tests of their own.
        std::map<std::string, int> linksToFile;
        for (const auto& [mapPath, file] : core.files()) ++linksToFile[file];
        const auto filesBefore = core.files();
        // Edit the text of cards that open nothing, in maps that are not shared.
        std::vector<JSONValue> maps;
        for (JSONValue map : state["maps"]->elements()) {
            const std::string path(*map["path"]->stringValue());
            if (linksToFile[filesBefore.at(path)] > 1) {
                maps.push_back(map);
                continue;
            }
            std::vector<JSONValue> cards;
            for (JSONValue card : (*map["canvas"])["nodes"]->elements()) {
                const auto id = card["id"]->stringValue();
                const bool opensMap = core.files().contains(MapTree::submapPath(path, *id));
                if (!opensMap && card["text"] && random() % 2 == 0) card = card.setting("text", JSONValue::string("edited " + path));
                cards.push_back(card);
            }
            maps.push_back(map.setting("canvas", map["canvas"]->setting("nodes", JSONValue::array(cards))));
        }
        const JSONValue body = JSONValue::object({{"maps", JSONValue::array(maps)}});
        ASSERT_TRUE(core.apply(body));
        const auto loaded = MapDocument::load(core.tree(), MapDocument::rootCanvasName);
        ASSERT_TRUE(loaded);
        std::map<std::string, const LoadedMap*> byPath;
        for (const LoadedMap& map : *loaded) byPath.emplace(map.path, &map);
        for (const JSONValue& map : maps) {
            const std::string path(*map["path"]->stringValue());
            SCOPED_TRACE(path);
            if (linksToFile[filesBefore.at(path)] > 1) continue;
            ++checked;
            ASSERT_TRUE(byPath.contains(path));
            EXPECT_EQ(MapDocument::fingerprint(byPath[path]->canvas, byPath[path]->sidecar),
                      MapDocument::fingerprint(*map["canvas"], *map["sidecar"]));
        }
    }
    EXPECT_GT(checked, 100);
}

TEST(MapSaveProperties, ANewLabelMovesExactlyThatSubmap) {
    int renamed = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        MapDocumentCore core = generatedPackage(seed);
        JSONValue state = *core.state();
        const JSONValue root = *state["maps"]->elements()[0]["canvas"];
        // The first root card that opens a submap of its own (not the shared second link).
        std::optional<std::string> owner;
        for (const JSONValue card : root["nodes"]->elements()) {
            const std::string id(*card["id"]->stringValue());
            if (id != "again" && core.files().contains("/" + id)) owner = id;
        }
        if (!owner) continue;
        const std::string oldFile = core.files().at("/" + *owner);
        std::vector<JSONValue> cards;
        for (JSONValue card : root["nodes"]->elements()) {
            if (card["id"]->stringValue() == *owner) card = card.setting("type", JSONValue::string("text")).setting("text", JSONValue::string("Renamed " + std::to_string(seed)));
            cards.push_back(card);
        }
        std::vector<JSONValue> maps = state["maps"]->elements().elements();
        maps[0] = maps[0].setting("canvas", root.setting("nodes", JSONValue::array(cards)));
        const std::set<std::string> before = filePaths(core.tree());
        ASSERT_TRUE(core.apply(JSONValue::object({{"maps", JSONValue::array(maps)}})));

        ++renamed;
        const std::string newFile = core.files().at("/" + *owner);
        EXPECT_EQ(newFile, "map/Renamed " + std::to_string(seed) + ".canvas");
        // The canvas moves with its sidecar and its drawing.
        std::set<std::string> expected = before;
        const std::pair<std::string, std::string> moves[] = {
            {oldFile, newFile}, {oldFile + ".velk", newFile + ".velk"},
            {MapTree::inkPath(oldFile), MapTree::inkPath(newFile)}};
        for (const auto& [from, to] : moves) {
            if (expected.erase(from)) expected.insert(to);
        }
        EXPECT_EQ(filePaths(core.tree()), expected);
    }
    EXPECT_GT(renamed, 20);  // the generator makes submaps often enough for this to mean something
}

}  // namespace
}  // namespace velk
