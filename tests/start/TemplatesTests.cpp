#include "start/Templates.h"

#include "package/MemoryFileSystem.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

const std::string folder = "/app/Templates";

struct TemplatesTest : testing::Test {
    void manifest(const std::string& text) { disk.addFile(folder + "/manifest.json", text); }
    testing_support::MemoryFileSystem disk;
};

// Every file of a tree as "path=bytes" and every folder as "path/", sorted.
std::vector<std::string> describe(const DocumentTree& tree) {
    std::vector<std::string> lines;
    std::vector<std::pair<std::string, DocumentTree>> pending{{"", tree}};
    while (!pending.empty()) {
        auto [prefix, node] = pending.back();
        pending.pop_back();
        for (const auto& [name, child] : node.children()) {
            if (!child.isDirectory()) lines.push_back(prefix + name + "=" + *child.bytes());
            else pending.emplace_back(lines.emplace_back(prefix + name + "/"), child);
        }
    }
    std::ranges::sort(lines);
    return lines;
}

TEST_F(TemplatesTest, ListKeepsManifestOrderIgnoresOtherMembersAndFailsAsAWhole) {
    manifest(R"([{"id":"wardley","title":"Wardley map","blurb":"Value chain","icon":"x"},)"
             R"({"blurb":"Blank","title":"Blank map","id":"scratch"}])");
    EXPECT_EQ(Templates::list(folder, disk).value(),
              (std::vector<MapTemplate>{{"wardley", "Wardley map", "Value chain"}, {"scratch", "Blank map", "Blank"}}));
    manifest("[]");
    EXPECT_EQ(Templates::list(folder, disk).value(), std::vector<MapTemplate>{});
    const std::pair<std::string, std::string> cases[] = {
        {R"([{"id":"a","title":"A","blurb":"x"},{"id":"b","title":"B"}])", "template 2 in manifest.json has no text \"blurb\""},
        {R"([{"id":"a","title":7,"blurb":"x"}])", "template 1 in manifest.json has no text \"title\""},
        {R"(["scratch"])", "template 1 in manifest.json has no text \"id\""},
        {R"({"id":"a","title":"A","blurb":"x"})", "manifest.json is not a JSON array"},
        {"[{", "manifest.json: unexpectedEnd"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text);
        manifest(text);
        const auto templates = Templates::list(folder, disk);
        ASSERT_FALSE(templates.has_value());
        EXPECT_EQ(templates.error(), TemplateError::badManifest(message));
        EXPECT_EQ(templates.error().description(), message);
    }
}

TEST_F(TemplatesTest, AMissingManifestHasItsMessage) {
    disk.addDirectory(folder);
    for (const std::string& where : {folder, std::string("/elsewhere")}) {
        SCOPED_TRACE(where);
        EXPECT_EQ(Templates::list(where, disk).error(), TemplateError::missingManifest());
        EXPECT_EQ(Templates::tree("scratch", where, disk).error(), TemplateError::missingManifest());
    }
    EXPECT_EQ(TemplateError::missingManifest().description(),
              "This app's templates are missing (Templates/manifest.json). Rebuild the app.");
}

TEST_F(TemplatesTest, TreeCopiesTheFolderWithoutHiddenEntriesOrLinks) {
    manifest(R"([{"id":"plan","title":"Plan","blurb":"b"}])");
    for (const auto& [path, bytes] : std::initializer_list<std::pair<std::string, std::string>>{
             {"map.canvas", "{}"}, {"map.canvas.velk", "{\"nodes\":{}}"}, {"map/Goals.canvas", "{\"nodes\":[]}"},
             {"velk-media/0123456789abcdef.png", "PNG"}, {"velk-media/.DS_Store", "junk"}, {".hidden/map.canvas", "{}"},
             {".keep", ""}})
        disk.addFile(folder + "/plan/" + path, bytes);
    disk.addDirectory(folder + "/plan/empty");
    disk.addSpecial(folder + "/plan/link.canvas", EntryKind::symbolicLink);
    disk.addSpecial(folder + "/plan/map/pipe", EntryKind::other);
    EXPECT_EQ(describe(Templates::tree("plan", folder, disk).value()),
              (std::vector<std::string>{"empty/", "map.canvas.velk={\"nodes\":{}}", "map.canvas={}", "map/",
                                        "map/Goals.canvas={\"nodes\":[]}", "velk-media/", "velk-media/0123456789abcdef.png=PNG"}));
}

TEST_F(TemplatesTest, TreeRefusesUnlistedAndEmptyTemplates) {
    manifest(R"([{"id":"scratch","title":"Blank","blurb":"b"},{"id":"gone","title":"Gone","blurb":"b"},)"
             R"({"id":"hollow","title":"Hollow","blurb":"b"}])");
    disk.addFile(folder + "/scratch/map.canvas", "{}");
    disk.addFile(folder + "/secret/map.canvas", "{}");  // on disk, not in the manifest
    disk.addFile(folder + "/hollow/map.canvas/inside", "{}");
    const std::pair<std::string, std::string> cases[] = {
        {"Scratch", "There is no template called Scratch."}, {"secret", "There is no template called secret."},
        {"", "There is no template called ."}, {"gone", "The gone template has no map in it. Rebuild the app."},
        {"hollow", "The hollow template has no map in it. Rebuild the app."},
    };
    for (const auto& [id, message] : cases) {
        SCOPED_TRACE(id);
        const auto tree = Templates::tree(id, folder, disk);
        ASSERT_FALSE(tree.has_value());
        EXPECT_EQ(tree.error(), id == "gone" || id == "hollow" ? TemplateError::emptyTemplate(id) : TemplateError::unknownTemplate(id));
        EXPECT_EQ(tree.error().description(), message);
    }
    EXPECT_TRUE(Templates::tree("scratch", folder, disk).has_value());
}

TEST_F(TemplatesTest, ReadingAMissingOrDeepFolderNeitherFailsNorRecurses) {
    EXPECT_EQ(Templates::read("/nowhere", disk), DocumentTree());
    disk.addFile("/file", "x");
    EXPECT_EQ(Templates::read("/file", disk), DocumentTree());
    std::string path = "/deep", inside;
    for (int i = 0; i < 2000; ++i) path += "/d", inside += "d/";
    disk.addFile(path + "/f", "bottom");
    const auto bottom = Templates::read("/deep", disk).data(inside + "f");
    ASSERT_TRUE(bottom);
    EXPECT_EQ(*bottom, "bottom");
}

TEST(TemplatesNewMapName, BlankMapIsUntitledOthersTakeTheirTitle) {
    EXPECT_EQ(Templates::newMapName({"scratch", "Blank map", "b"}), "Untitled map");
    EXPECT_EQ(Templates::newMapName({"Scratch", "Launch plan", "b"}), "Launch plan");
}

}  // namespace
}  // namespace velk
