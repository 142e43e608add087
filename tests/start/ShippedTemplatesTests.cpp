// The templates velk ships are the first maps a new user sees: each must load as velk loads a
// package, reach every canvas it holds, and hold canvases whose cards and links are whole.

#include "start/Templates.h"

#include "json/OrderedJSON.h"
#include "package/MapDocument.h"
#include "package/MapTree.h"
#include "platform/PosixFileSystem.h"

#include <gtest/gtest.h>

#include <set>

namespace velk {
namespace {

const std::string folder = VELK_TEMPLATES_DIR;

// The package paths of every ".canvas" file in a tree.
std::set<std::string> canvasFiles(const DocumentTree& tree) {
    std::set<std::string> files;
    std::vector<std::pair<std::string, DocumentTree>> pending{{"", tree}};
    while (!pending.empty()) {
        auto [prefix, node] = pending.back();
        pending.pop_back();
        for (const auto& [name, child] : node.children()) {
            if (child.isDirectory()) pending.emplace_back(prefix + name + "/", child);
            else if (MapTree::isSubmapFile(name)) files.insert(prefix + name);
        }
    }
    return files;
}

std::optional<std::string_view> text(const JSONValue& value, std::string_view key) {
    const auto member = value[key];
    return member ? member->stringValue() : std::nullopt;
}

TEST(ShippedTemplates, TheBlankMapComesFirstAndEachLoadsAndReachesEveryCanvas) {
    PosixFileSystem disk;
    const auto templates = Templates::list(folder, disk);
    ASSERT_TRUE(templates.has_value()) << templates.error().description();
    ASSERT_GE(templates->size(), 4u);
    EXPECT_EQ(templates->front().id, "scratch");
    EXPECT_EQ(*Templates::tree("scratch", folder, disk)->data("map.canvas"), "{\n\t\"nodes\": [],\n\t\"edges\": []\n}\n");
    for (const MapTemplate& entry : *templates) {
        SCOPED_TRACE(entry.id);
        EXPECT_FALSE(entry.title.empty());
        EXPECT_FALSE(entry.blurb.empty());
        const auto tree = Templates::tree(entry.id, folder, disk);
        ASSERT_TRUE(tree.has_value()) << tree.error().description();
        const auto maps = MapDocument::load(*tree, MapDocument::rootCanvasName);
        ASSERT_TRUE(maps.has_value()) << maps.error().description();

        std::set<std::string> reached;
        for (const LoadedMap& map : *maps) reached.insert(map.file);
        EXPECT_EQ(reached, canvasFiles(*tree)) << "a canvas no card opens, or one loaded twice";
        if (entry.id != "scratch") {
            EXPECT_GE(maps->size(), 4u) << "a template shows the way with a few submaps";
        }

        for (const LoadedMap& map : *maps) {
            SCOPED_TRACE(map.file);
            // Pretty, as velk itself writes canvases, so the first save changes nothing needlessly.
            EXPECT_EQ(*tree->data(map.file), OrderedJSON::write(map.canvas, Pretty::yes));
            std::set<std::string> ids;
            for (const JSONValue card : map.canvas["nodes"]->elements()) {
                const auto id = text(card, "id");
                ASSERT_TRUE(id.has_value());
                EXPECT_TRUE(ids.insert(std::string(*id)).second) << "repeated card id " << *id;
                const auto type = text(card, "type");
                ASSERT_TRUE(type.has_value());
                for (std::string_view key : {"x", "y", "width", "height"}) EXPECT_TRUE(card[key]) << *id << " has no " << key;
                if (*type == "text") {
                    EXPECT_FALSE(text(card, "text").value_or("").empty()) << *id;
                } else if (*type == "group") {
                    EXPECT_FALSE(text(card, "label").value_or("").empty()) << *id;
                } else if (*type == "file") {
                    EXPECT_TRUE(reached.contains(std::string(text(card, "file").value_or("")))) << *id;
                }
            }
            for (const JSONValue link : map.canvas["edges"]->elements()) {
                EXPECT_TRUE(ids.contains(std::string(text(link, "fromNode").value_or("")))) << OrderedJSON::write(link, Pretty::no);
                EXPECT_TRUE(ids.contains(std::string(text(link, "toNode").value_or("")))) << OrderedJSON::write(link, Pretty::no);
            }
        }
    }
}

}  // namespace
}  // namespace velk
