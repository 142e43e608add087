#include "start/Templates.h"

#include "package/MemoryFileSystem.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using testing_support::MemoryFileSystem;

const std::string folder = "/app/Templates";

class TemplatesTest : public testing::Test {
protected:
    void manifest(const std::string& text) { disk.addFile(folder + "/manifest.json", text); }
    MemoryFileSystem disk;
};

// Every file of a tree as "path=bytes" and every folder as "path/", sorted by path.
std::vector<std::string> describe(const DocumentTree& tree) {
    std::vector<std::string> lines;
    std::vector<std::pair<std::string, DocumentTree>> pending{{"", tree}};
    while (!pending.empty()) {
        auto [prefix, node] = pending.back();
        pending.pop_back();
        for (const auto& [name, child] : node.children()) {
            if (child.isDirectory()) {
                lines.push_back(prefix + name + "/");
                pending.emplace_back(prefix + name + "/", child);
            } else {
                lines.push_back(prefix + name + "=" + *child.bytes());
            }
        }
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST_F(TemplatesTest, ListKeepsManifestOrderAndIgnoresOtherMembers) {
    manifest(R"([{"id":"wardley","title":"Wardley map","blurb":"Value chain","icon":"x"},)"
             R"({"blurb":"Blank","title":"Blank map","id":"scratch"}])");
    const auto templates = Templates::list(folder, disk);
    ASSERT_TRUE(templates.has_value()) << templates.error().description();
    EXPECT_EQ(*templates, (std::vector<MapTemplate>{{"wardley", "Wardley map", "Value chain"}, {"scratch", "Blank map", "Blank"}}));

    manifest("[]");
    EXPECT_EQ(Templates::list(folder, disk).value(), std::vector<MapTemplate>{});
}

TEST_F(TemplatesTest, ListFailsAsAWhole) {
    struct Case {
        std::string manifest, message;
    };
    const Case cases[] = {
        {R"([{"id":"a","title":"A","blurb":"x"},{"id":"b","title":"B"}])",
         "template 2 in manifest.json has no text \"blurb\""},
        {R"([{"id":"a","title":7,"blurb":"x"}])", "template 1 in manifest.json has no text \"title\""},
        {R"(["scratch"])", "template 1 in manifest.json has no text \"id\""},
        {R"({"id":"a","title":"A","blurb":"x"})", "manifest.json is not a JSON array"},
        {"[{", "manifest.json: unexpectedEnd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.manifest);
        manifest(c.manifest);
        const auto templates = Templates::list(folder, disk);
        ASSERT_FALSE(templates.has_value());
        EXPECT_EQ(templates.error(), TemplateError::badManifest(c.message));
        EXPECT_EQ(templates.error().description(), c.message);
    }
}

TEST_F(TemplatesTest, MissingManifestHasItsMessage) {
    disk.addDirectory(folder);
    for (const std::string& where : {folder, std::string("/elsewhere")}) {
        SCOPED_TRACE(where);
        const auto templates = Templates::list(where, disk);
        ASSERT_FALSE(templates.has_value());
        EXPECT_EQ(templates.error(), TemplateError::missingManifest());
        EXPECT_EQ(templates.error().description(),
                  "This app's templates are missing (Templates/manifest.json). Rebuild the app.");
        EXPECT_EQ(Templates::tree("scratch", where, disk).error(), TemplateError::missingManifest());
    }
}

TEST_F(TemplatesTest, TreeCopiesTheFolderWithoutHiddenEntries) {
    manifest(R"([{"id":"plan","title":"Plan","blurb":"b"}])");
    disk.addFile(folder + "/plan/map.canvas", "{}");
    disk.addFile(folder + "/plan/map.canvas.velk", "{\"nodes\":{}}");
    disk.addFile(folder + "/plan/map/Goals.canvas", "{\"nodes\":[]}");
    disk.addFile(folder + "/plan/velk-media/0123456789abcdef.png", "PNG");
    disk.addFile(folder + "/plan/velk-media/.DS_Store", "junk");
    disk.addFile(folder + "/plan/.hidden/map.canvas", "{}");
    disk.addFile(folder + "/plan/.keep", "");
    disk.addDirectory(folder + "/plan/empty");
    disk.addSpecial(folder + "/plan/link.canvas", EntryKind::symbolicLink);
    disk.addSpecial(folder + "/plan/map/pipe", EntryKind::other);
    const auto tree = Templates::tree("plan", folder, disk);
    ASSERT_TRUE(tree.has_value()) << tree.error().description();
    EXPECT_EQ(describe(*tree), (std::vector<std::string>{"empty/", "map.canvas.velk={\"nodes\":{}}", "map.canvas={}", "map/",
                                                         "map/Goals.canvas={\"nodes\":[]}", "velk-media/",
                                                         "velk-media/0123456789abcdef.png=PNG"}));
}

TEST_F(TemplatesTest, TreeRefusesUnlistedAndEmptyTemplates) {
    manifest(R"([{"id":"scratch","title":"Blank","blurb":"b"},{"id":"gone","title":"Gone","blurb":"b"},)"
             R"({"id":"hollow","title":"Hollow","blurb":"b"}])");
    disk.addFile(folder + "/scratch/map.canvas", "{}");
    disk.addFile(folder + "/secret/map.canvas", "{}");  // on disk, not in the manifest
    disk.addFile(folder + "/hollow/map.canvas/inside", "{}");
    struct Case {
        std::string id;
        TemplateError error;
        std::string message;
    };
    const Case cases[] = {
        {"Scratch", TemplateError::unknownTemplate("Scratch"), "There is no template called Scratch."},
        {"secret", TemplateError::unknownTemplate("secret"), "There is no template called secret."},
        {"", TemplateError::unknownTemplate(""), "There is no template called ."},
        {"gone", TemplateError::emptyTemplate("gone"), "The gone template has no map in it. Rebuild the app."},
        {"hollow", TemplateError::emptyTemplate("hollow"), "The hollow template has no map in it. Rebuild the app."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const auto tree = Templates::tree(c.id, folder, disk);
        ASSERT_FALSE(tree.has_value());
        EXPECT_EQ(tree.error(), c.error);
        EXPECT_EQ(tree.error().description(), c.message);
    }
    EXPECT_TRUE(Templates::tree("scratch", folder, disk).has_value());
}

TEST_F(TemplatesTest, ReadingAMissingFolderGivesAnEmptyTree) {
    EXPECT_EQ(Templates::read("/nowhere", disk), DocumentTree());
    disk.addFile("/file", "x");
    EXPECT_EQ(Templates::read("/file", disk), DocumentTree());
}

TEST_F(TemplatesTest, ReadingADeepFolderDoesNotRecurse) {
    std::string path = "/deep";
    for (int i = 0; i < 2000; ++i) path += "/d";
    disk.addFile(path + "/f", "bottom");
    const DocumentTree tree = Templates::read("/deep", disk);
    std::string inside;
    for (int i = 0; i < 2000; ++i) inside += "d/";
    ASSERT_TRUE(tree.data(inside + "f"));
    EXPECT_EQ(*tree.data(inside + "f"), "bottom");
}

TEST(TemplatesNewMapName, BlankMapIsUntitledOthersTakeTheirTitle) {
    EXPECT_EQ(Templates::newMapName({"scratch", "Blank map", "b"}), "Untitled map");
    EXPECT_EQ(Templates::newMapName({"Scratch", "Launch plan", "b"}), "Launch plan");
}

}  // namespace
}  // namespace velk
