// The start window's controller over a recording view, which template pictures are started and
// cached, and the renderer as a read-only document.

#include "package/MemoryFileSystem.h"
#include "platform/Journal.h"
#include "platform/ManualMainQueue.h"
#include "platform/RecordingTrace.h"
#include "platform/RecordingWorkspace.h"
#include "platform/ScriptedHttpClient.h"
#include "start/StartWindowController.h"
#include "start/TemplatePreviews.h"
#include "start/TemplateRenderer.h"

#include <gtest/gtest.h>
#include <gtkmm/init.h>

namespace velk {
namespace {

struct RecordingView final : StartWindowView {
    void rebuild(StartModel&, const std::vector<MapTemplate>&, const StartActions&) override {}
    void present() override { visible = true; }
    void close() override { visible = false; }
    [[nodiscard]] bool isVisible() const override { return visible; }
    void presentError(const std::string& heading, const std::string& detail) override {
        errors.push_back(heading + ": " + detail);
    }
    [[nodiscard]] std::string traits() const override { return "title=Start"; }
    bool visible = false;
    std::vector<std::string> errors;
};

const MapTemplate blank{"scratch", "Blank map", "b"}, launch{"launch", "Launch plan", "b"}, hollow{"hollow", "Hollow", "b"};

// Templates in /app/Templates, maps going to /maps, and a record of what the controller did.
struct Rig {
    testing_support::MemoryFileSystem disk;
    testing_support::RecordingTrace trace;
    RecordingView view;
    std::optional<std::string> answer = "/maps";  // the maps folder question's answer
    int asked = 0;
    std::vector<std::string> opened;
    std::optional<PageAlert> openFails;
    StartWindowController controller{
        {disk, "/app/Templates", trace.sink(), [] { return std::vector<RecentMap>{}; }, [](const std::string&) {},
         [this](StartWindowController::FolderChosen then) {
             ++asked;
             then(answer);
         },
         [this](const std::string& path) {
             opened.push_back(path);
             return openFails;
         },
         [] {}, [](const std::string&) {}, nullptr},
        view};

    explicit Rig(bool manifest = true) {
        if (manifest)
            disk.addFile("/app/Templates/manifest.json", R"([{"id":"scratch","title":"Blank map","blurb":"b"},)"
                                                         R"({"id":"launch","title":"Launch plan","blurb":"b"},)"
                                                         R"({"id":"hollow","title":"Hollow","blurb":"b"}])");
        disk.addFile("/app/Templates/scratch/map.canvas", "{}");
        disk.addFile("/app/Templates/launch/map.canvas", "{\"nodes\":[]}");
        disk.addDirectory("/maps");
        controller.show(true);
    }
    [[nodiscard]] bool traced(const std::string& line) const { return std::ranges::count(*trace.lines, line) == 1; }
};

TEST(StartWindowController, NewMapsTakeTheirTemplatesNameAndTheFirstFreeNumber) {
    Rig rig;
    EXPECT_EQ(rig.controller.templates(), (std::vector<MapTemplate>{blank, launch, hollow}));
    for (const auto* from : {&blank, &blank, &launch}) rig.controller.start(*from);
    const std::vector<std::string> made{"/maps/Untitled map.velk", "/maps/Untitled map 2.velk", "/maps/Launch plan.velk"};
    EXPECT_EQ(rig.opened, made);
    for (const auto& path : made) EXPECT_TRUE(rig.disk.file(path + "/map.canvas")) << path;
    EXPECT_EQ(*rig.disk.file("/maps/Launch plan.velk/map.canvas"), "{\"nodes\":[]}");
    EXPECT_FALSE(rig.controller.model().showingNew());
    EXPECT_FALSE(rig.view.visible) << "an opened map closes the start window";
    EXPECT_TRUE(rig.view.errors.empty());
    // Without templates the start window still opens, and the trace says why the sheet is empty.
    Rig missing(false);
    EXPECT_TRUE(missing.traced("templates: This app's templates are missing (Templates/manifest.json). Rebuild the app."));
    EXPECT_TRUE(missing.view.visible && missing.view.errors.empty());
}

// A failure is shown and the sheet stays open until the map exists; a cancelled folder question
// (the "" row) does nothing.
TEST(StartWindowController, AFailureIsShownAndTheSheetStaysOpen) {
    struct Case {
        const MapTemplate* from;
        std::optional<std::string> folder;
        std::optional<PageAlert> openFails;
        std::string error;  // how the alert begins
    };
    const Case cases[] = {
        {&hollow, "/maps", std::nullopt,
         "The new map could not be made: The hollow template has no map in it. Rebuild the app."},
        // VELK_MAPS_FOLDER naming a folder that is not there: the write says so.
        {&blank, "/nowhere", std::nullopt, "The new map could not be made: "},
        {&blank, "/maps", PageAlert{"velk cannot open \u201cUntitled map.velk\u201d", "why"},
         "velk cannot open \u201cUntitled map.velk\u201d: why"},
        {&blank, std::nullopt, std::nullopt, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        Rig rig;
        rig.answer = c.folder;
        rig.openFails = c.openFails;
        rig.controller.start(*c.from);
        EXPECT_EQ(rig.asked, 1);
        ASSERT_EQ(rig.view.errors.size(), c.error.empty() ? 0u : 1u);
        if (!c.error.empty()) { EXPECT_TRUE(rig.view.errors[0].starts_with(c.error)) << rig.view.errors[0]; }
        if (c.folder == "/nowhere") { EXPECT_TRUE(rig.view.errors[0].contains("/nowhere")); }
        EXPECT_TRUE(rig.view.visible);
        EXPECT_EQ(rig.controller.model().showingNew(), !c.openFails);
        EXPECT_EQ(rig.opened.size(), c.openFails ? 1u : 0u);
    }
}

// A rendering the test finishes by hand.
struct Held final : TemplatePreviews::Rendering {
    void start() override { ++started; }
    int started = 0;
};

struct Previews {
    explicit Previews(std::string version) {
        Gtk::init_gtkmm_internals();
        disk.addFile("/app/index.html", "<html></html>");
        disk.addFile("/app/Templates/manifest.json",
                     R"([{"id":"scratch","title":"Blank","blurb":"b"},{"id":"plan","title":"Plan","blurb":"b"}])");
        for (const std::string id : {"scratch", "plan"}) disk.addFile("/app/Templates/" + id + "/map.canvas", "{}");
        previews = std::make_unique<TemplatePreviews>(TemplatePreviews::Services{
            disk, "/app", "/cache", "dev.velk.Velk", std::move(version), {},
            [this](DocumentTree, SharedBytes, TemplatePreviews::Done done) {
                dones.push_back(std::move(done));
                return renderings.emplace_back(std::make_shared<Held>());
            }});
    }
    void prepare() { previews->prepare(templates, "/app/Templates"); }
    [[nodiscard]] bool cached() const { return disk.file("/cache/dev.velk.Velk/template-previews/412/plan.png").has_value(); }

    testing_support::MemoryFileSystem disk;
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

// The pictures of earlier builds were never removed.
TEST(TemplatePreviews, APictureIsCachedExceptByDirtyBuildsAndTheCachesOfOtherBuildsGo) {
    // The smallest PNG: one pixel.
    constexpr unsigned char pixel[] = {137, 80, 78, 71, 13, 10, 26, 10, 0, 0, 0, 13, 73, 72, 68, 82, 0, 0, 0, 1, 0, 0, 0, 1, 8, 6, 0, 0, 0, 31, 21, 196, 137, 0, 0, 0, 13, 73, 68, 65, 84, 120, 156, 99, 248, 207, 192, 240, 31, 0, 5, 0, 1, 255, 137, 153, 61, 29, 0, 0, 0, 0, 73, 69, 78, 68, 174, 66, 96, 130};
    const std::optional<std::string> png = std::string(reinterpret_cast<const char*>(pixel), sizeof pixel);
    for (const char* version : {"412", "412-dirty"}) {
        Previews rig(version);
        const std::string earlier = "/cache/dev.velk.Velk/template-previews/400/plan.png";
        rig.disk.addFile(earlier, "old");
        rig.prepare();
        ASSERT_EQ(rig.dones.size(), 1u) << version;
        rig.dones[0](*png);
        EXPECT_TRUE(rig.previews->image("plan")) << version;
        EXPECT_EQ(rig.cached(), std::string_view(version) == "412") << version;
        EXPECT_EQ(rig.disk.file(earlier).has_value(), std::string_view(version) != "412") << version;
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
    auto template_ = TemplateRenderer::make({queue, http, fetcher, workspace, {}}, tree, nullptr, nullptr);
    auto* renderer = &template_->page();
    EXPECT_TRUE(renderer->editorLoad());
    EXPECT_EQ(renderer->editorSave(JSONValue::object({})).value_or(-1), 0);
    EXPECT_EQ(renderer->editorStoreMedia("png", "image/png").error().description(), "A template is read-only");
}

}  // namespace
}  // namespace velk
