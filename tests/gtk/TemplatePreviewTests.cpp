// Which template pictures are started, kept and cached (the e2e run reads the cache back), and
// the renderer as a read-only document.

#include "platform/Journal.h"
#include "platform/ManualMainQueue.h"
#include "platform/PosixFileSystem.h"
#include "platform/RecordingWorkspace.h"
#include "platform/ScriptedHttpClient.h"
#include "platform/TempFolder.h"
#include "start/TemplatePreviews.h"
#include "start/TemplateRenderer.h"

#include <gtest/gtest.h>
#include <gtkmm/init.h>

#include <filesystem>
#include <fstream>

namespace velk {
namespace {

namespace fs = std::filesystem;

// A rendering the test finishes by hand.
struct Held final : TemplatePreviews::Rendering {
    void start() override { ++started; }
    int started = 0;
};

struct Previews {
    explicit Previews(std::string version) {
        Gtk::init_gtkmm_internals();
        fs::create_directories(folder / "Templates");
        std::ofstream(folder / "index.html") << "<html></html>";
        std::ofstream(folder / "Templates/manifest.json")
            << R"([{"id":"scratch","title":"Blank","blurb":"b"},{"id":"plan","title":"Plan","blurb":"b"}])";
        for (const char* id : {"scratch", "plan"}) {
            fs::create_directories(fs::path(folder.path()) / "Templates" / id);
            std::ofstream(fs::path(folder.path()) / "Templates" / id / "map.canvas") << R"({"nodes":[]})";
        }
        previews = std::make_unique<TemplatePreviews>(TemplatePreviews::Services{
            fileSystem, folder.path(), folder / "cache", "dev.velk.Velk", std::move(version), {},
            [this](DocumentTree, SharedBytes, TemplatePreviews::Done done) {
                dones.push_back(std::move(done));
                return renderings.emplace_back(std::make_shared<Held>());
            }});
    }
    void prepare() { previews->prepare(templates, folder / "Templates"); }
    [[nodiscard]] bool cached() const {
        return fs::exists(fs::path(folder / "cache") / "dev.velk.Velk/template-previews/412/plan.png");
    }

    testing_support::TempFolder folder{"template-previews"};
    PosixFileSystem fileSystem;
    std::vector<MapTemplate> templates{{"scratch", "Blank", "b"}, {"plan", "Plan", "b"}};
    std::vector<std::shared_ptr<Held>> renderings;
    std::vector<TemplatePreviews::Done> dones;
    std::unique_ptr<TemplatePreviews> previews;
};

TEST(TemplatePreviews, StartsEachMissingPictureOnceAndNeverTheBlankMaps) {
    Previews rig("412");
    rig.prepare();
    rig.prepare();
    ASSERT_EQ(rig.renderings.size(), 1u) << "plan only, and once";
    EXPECT_EQ(rig.renderings[0]->started, 1);
    EXPECT_TRUE(rig.previews->rendering().contains("plan"));
    rig.dones[0](std::nullopt);
    EXPECT_FALSE(rig.previews->image("plan")) << "no picture, no image";
    rig.prepare();
    EXPECT_EQ(rig.renderings.size(), 2u) << "a rendering that gave nothing is tried again";
}

TEST(TemplatePreviews, APictureIsCachedExceptByDirtyBuilds) {
    // The smallest PNG: one pixel.
    constexpr unsigned char pixel[] = {137, 80, 78, 71, 13, 10, 26, 10, 0, 0, 0, 13, 73, 72, 68, 82, 0, 0, 0, 1, 0, 0, 0, 1, 8, 6, 0, 0, 0, 31, 21, 196, 137, 0, 0, 0, 13, 73, 68, 65, 84, 120, 156, 99, 248, 207, 192, 240, 31, 0, 5, 0, 1, 255, 137, 153, 61, 29, 0, 0, 0, 0, 73, 69, 78, 68, 174, 66, 96, 130};
    const std::optional<std::string> png = std::string(reinterpret_cast<const char*>(pixel), sizeof pixel);
    for (const char* version : {"412", "412-dirty"}) {
        Previews rig(version);
        rig.prepare();
        ASSERT_EQ(rig.dones.size(), 1u) << version;
        rig.dones[0](*png);
        EXPECT_TRUE(rig.previews->image("plan")) << version;
        EXPECT_EQ(rig.cached(), std::string_view(version) == "412") << version;
    }
}

TEST(TemplateRenderer, IsAReadOnlyDocument) {
    using namespace testing_support;
    ManualMainQueue queue;
    ScriptedHttpClient http;
    LinkPreviewFetcher fetcher(http);
    Journal journal;
    RecordingWorkspace workspace(journal);
    DocumentTree tree = DocumentTree::directory({});
    tree.write(std::string(R"({"nodes":[]})"), "map.canvas");
    auto renderer = TemplateRenderer::make({queue, http, fetcher, workspace, {}}, tree, nullptr, nullptr);
    EXPECT_TRUE(renderer->editorLoad());
    EXPECT_EQ(renderer->editorSave(JSONValue::object({})).value_or(-1), 0);
    EXPECT_EQ(renderer->editorStoreMedia("png", "image/png").error().description(), "A template is read-only");
    EXPECT_EQ(renderer->editorDocumentName(), std::nullopt);
    EXPECT_EQ(renderer->editorRename("x").error(), EditorDocumentError(HostUnsupported{"Rename"}));
    EXPECT_EQ(renderer->editorSaveAs().error(), EditorDocumentError(HostUnsupported{"Save as"}));
}

}  // namespace
}  // namespace velk
