// Starts the real application on a copy of a small package, lets the editor page load, edits the
// state through the page's own bridge and checks that autosave puts the card on disk.

#include "app/VelkApplication.h"
#include "platform/TempFolder.h"

#include <glibmm/main.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace velk {
namespace {

using testing_support::contentOf;
using testing_support::TempFolder;

// Runs in the page: asks the host for the state, adds a card to the root map and posts it as a
// save, the way the page's own saver does. Replies to these two ids never reach the page's
// bridge; every other reply still does.
constexpr std::string_view addCardScript = R"JS((() => {
  const handler = window.webkit.messageHandlers.velk;
  const post = (request) => handler.postMessage(JSON.stringify(request));
  const pageReply = window.__velkReply;
  window.__velkReply = (id, reply) => {
    if (id === 900001) {
      const state = reply.value ?? reply;
      state.maps[0].canvas.nodes.push({ id: "e2e-card", type: "text", x: 10, y: 20, width: 240, height: 80,
                                       text: "written by the e2e test" });
      post({ id: 900002, op: "save", payload: { body: JSON.stringify(state) } });
      return;
    }
    if (id === 900002) return;
    pageReply(id, reply);
  };
  post({ id: 900001, op: "load" });
})();)JS";

TEST(EditorWindowE2E, CardAddedThroughThePageReachesTheDiskByAutosave) {
    TempFolder folder("e2e");
    const std::string package = folder / "Trip.velk";
    std::filesystem::copy(VELK_SCRATCH_TEMPLATE, package, std::filesystem::copy_options::recursive);
    const std::string canvas = package + "/map.canvas";

    auto app = VelkApplication::create(VelkApplication::Paths{VELK_RESOURCES_DIR, folder.path()}, TraceSink());
    enum class Stage { waitingForPage, edited, onDisk, timedOut } stage = Stage::waitingForPage;
    const auto started = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point edited;

    Glib::signal_timeout().connect(
        [&] {
            auto elapsed = std::chrono::steady_clock::now() - started;
            if (elapsed > std::chrono::seconds(25)) {
                stage = Stage::timedOut;
            } else if (stage == Stage::waitingForPage && !app->editorWindows().empty() &&
                       app->editorWindows().front()->document().wasLoadedByEditor()) {
                app->editorWindows().front()->webView().evaluateScript(addCardScript);
                edited = std::chrono::steady_clock::now();
                stage = Stage::edited;
                return true;
            } else if (stage == Stage::edited && contentOf(canvas).find("e2e-card") != std::string::npos) {
                stage = Stage::onDisk;
            } else {
                return true;
            }
            for (const auto& window : app->editorWindows()) window->close();
            app->quit();
            return false;
        },
        50);

    std::string program = "velk";
    std::vector<char*> argv{program.data(), const_cast<char*>(package.c_str()), nullptr};
    app->run(2, argv.data());

    ASSERT_EQ(stage, Stage::onDisk) << "the page never loaded, or the edit never reached " << canvas;
    auto written = contentOf(canvas);
    EXPECT_NE(written.find("written by the e2e test"), std::string::npos) << written;
    // Autosave waits about a second after the change; it must not have taken many.
    auto took = std::chrono::steady_clock::now() - edited;
    EXPECT_LT(took, std::chrono::seconds(5));
}

}  // namespace
}  // namespace velk

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
