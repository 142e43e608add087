// The start window's pictures (VELK_START_SNAPSHOTS): the real velk draws six PNG files with
// template pictures rendered by the editor page, then quits without a window; the second run
// takes the pictures from the cache. In process: the wait for pictures ends at once without
// templates and after 20 seconds (of a test clock) when a rendering never finishes.

#include "E2EHarness.h"

#include "platform/PosixFileSystem.h"
#include "platform/RecordingTrace.h"
#include "platform/TempFolder.h"
#include "start/StartSnapshots.h"

#include <gtest/gtest.h>
#include <gtkmm/init.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <regex>
#include <set>

namespace velk::e2e {
namespace {

namespace fs = std::filesystem;
using testing_support::contentOf;

const std::set<std::string> sixPictures{"start-empty-light.png",     "start-six-recent-light.png",
                                        "start-new-sheet-light.png", "start-empty-dark.png",
                                        "start-six-recent-dark.png", "start-new-sheet-dark.png"};

// The pictures in `folder`: names, each a PNG of the stated size, light and dark different.
void expectSixPictures(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    EXPECT_EQ(names, sixPictures);
    for (const char* state : {"empty", "six-recent", "new-sheet"}) {
        const std::string light = contentOf(folder / ("start-" + std::string(state) + "-light.png"));
        const std::string dark = contentOf(folder / ("start-" + std::string(state) + "-dark.png"));
        const auto size = pngSize(light);
        ASSERT_TRUE(size) << state;
        EXPECT_EQ(pngSize(dark), size) << state;
        if (std::string_view(state) != "new-sheet") EXPECT_EQ(*size, std::pair(960, 640)) << state;
        else EXPECT_EQ(size->first, 768) << "720 points and the margin";
        EXPECT_NE(light, dark) << state;
    }
}

// Each template's time from the trace lines "template preview: ID rendered in N ms" (or "from
// the cache in N ms").
std::map<std::string, int> previewTimes(const std::string& trace, const std::string& how) {
    std::map<std::string, int> times;
    const std::regex line("template preview: (\\S+) " + how + " in (\\d+) ms");
    for (std::sregex_iterator it(trace.begin(), trace.end(), line), end; it != end; ++it)
        times[(*it)[1]] = std::stoi((*it)[2]);
    return times;
}

TEST(StartSnapshotsE2E, VelkDrawsSixPicturesWithRenderedTemplatesAndQuitsTheSecondTimeFromTheCache) {
    const fs::path output = fs::path(VELK_E2E_OUTPUT_DIR) / "start-snapshots";
    fs::remove_all(output);
    testing_support::TempFolder caches("velk-snapshot-caches");
    const std::string log = caches / "trace.txt";
    const std::string command = "VELK_TRACE=1 XDG_CACHE_HOME='" + caches.path() + "' VELK_START_SNAPSHOTS='" +
                                output.string() + "' '" VELK_APP_PATH "' 2>'" + log + "'";
    for (const auto& [name, how] : {std::pair{"first", "rendered"}, std::pair{"second", "from the cache"}}) {
        const auto began = Clock::now();
        ASSERT_EQ(std::system(command.c_str()), 0) << name << " run\n" << contentOf(log);
        const auto seconds = std::chrono::duration<double>(Clock::now() - began).count();
        const std::string trace = contentOf(log);
        SCOPED_TRACE(std::string(name) + " run\n" + trace);
        expectSixPictures(output);
        EXPECT_NE(trace.find("StartSnapshots: 3/3 template previews"), std::string::npos);
        EXPECT_EQ(trace.find("StartWindow.show"), std::string::npos) << "no window of velk's own";
        EXPECT_EQ(trace.find("Updates:"), std::string::npos) << "updates were not started";
        const auto times = previewTimes(trace, how);
        EXPECT_EQ(times.size(), 3u) << how;
        std::cout << name << " run: " << seconds << " s;";
        for (const auto& [id, ms] : times) std::cout << " " << id << " " << how << " in " << ms << " ms;";
        std::cout << "\n";
    }
}

// The previews of these tests never start a web view: their renderings never finish.
struct Stalled final : TemplatePreviews::Rendering {
    void start() override {}
};

class StartSnapshotsInProcess : public ::testing::Test {
protected:
    void SetUp() override {
        gtk_init();
        Gtk::init_gtkmm_internals();
    }

    // Runs the tool over `templates` on a test clock; the loop turns without waiting.
    void run(std::optional<std::string> templates) {
        StartSnapshots({fileSystem, std::move(templates), previews, "velk test", trace.sink(), scratch.path(),
                        [this] { return now; },
                        [this](std::chrono::milliseconds step) {
                            steps.push_back(step);
                            now += step;
                            while (g_main_context_iteration(nullptr, FALSE)) {}
                        }})
            .run(output);
    }
    [[nodiscard]] long previewSteps() const { return std::ranges::count(steps, StartSnapshots::previewStep); }

    PosixFileSystem fileSystem;
    testing_support::RecordingTrace trace;
    TemplatePreviews previews{TemplatePreviews::Services{
        fileSystem, VELK_RESOURCES_DIR, std::nullopt, "dev.velk.Velk", "test", trace.sink(),
        [](DocumentTree, SharedBytes, TemplatePreviews::Done) { return std::make_shared<Stalled>(); }}};
    testing_support::TempFolder scratch{"velk-snapshots"};
    std::string output = scratch / "pictures";
    StartSnapshots::Clock::time_point now{};
    std::vector<std::chrono::milliseconds> steps;
};

TEST_F(StartSnapshotsInProcess, WithoutTemplatesTheWaitEndsAtOnce) {
    run(std::nullopt);
    EXPECT_EQ(previewSteps(), 0);
    EXPECT_NE(std::ranges::find(*trace.lines, "StartSnapshots: 0/0 template previews"), trace.lines->end());
    expectSixPictures(output);
}

TEST_F(StartSnapshotsInProcess, ARenderingThatNeverFinishesIsWaitedFor20Seconds) {
    run(std::string(VELK_RESOURCES_DIR) + "/Templates");
    EXPECT_EQ(previewSteps(), 100) << "20 s in steps of 0.2 s";
    EXPECT_EQ(previews.rendering().size(), 3u);
    EXPECT_NE(std::ranges::find(*trace.lines, "StartSnapshots: 0/3 template previews"), trace.lines->end());
    expectSixPictures(output);
}

}  // namespace
}  // namespace velk::e2e
