#include "start/StartWindowController.h"

#include "package/MemoryFileSystem.h"
#include "platform/RecordingTrace.h"

#include <gtest/gtest.h>

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
    std::vector<std::string> opened, recents{"/maps/A.velk", "/maps/B.velk"};
    std::optional<PageAlert> openFails;
    StartWindowController controller{
        {disk, "/app/Templates", trace.sink(),
         [this] {
             std::vector<RecentMap> rows;
             for (const auto& path : recents) rows.push_back({path, StartGrid::displayName(path), "/maps", std::nullopt});
             return rows;
         },
         [this](const std::string& path) { std::erase(recents, path); },
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
    for (const auto& path : made) {
        SCOPED_TRACE(path);
        EXPECT_TRUE(rig.disk.file(path + "/map.canvas"));
        EXPECT_TRUE(rig.traced("StartWindow: new map at " + path));
    }
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

}  // namespace
}  // namespace velk
