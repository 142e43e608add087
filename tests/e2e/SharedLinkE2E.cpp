// Links from the share service as a user clicks them: velk fetches the map from the service (a
// scripted one on 127.0.0.1 that the "ShareBase" default points at), writes it into the maps
// folder and opens it, whether velk was running or not; a withdrawn share gets its alert and no
// window.

#include "E2EHarness.h"

#include "platform/TempFolder.h"
#include "preview/ScriptedHttpServer.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <gtkmm/messagedialog.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <sys/wait.h>

namespace velk::e2e {
namespace {

// A session bus of the test's own, so that the two velks find each other and nobody else.
class PrivateBus {
public:
    explicit PrivateBus(const std::string& socket) {
        const std::string address = "unix:path=" + socket;
        if (std::FILE* daemon = ::popen(("dbus-daemon --session --fork --print-pid=1 --address=" + address).c_str(), "r")) {
            if (std::fscanf(daemon, "%d", &m_pid) != 1) m_pid = 0;
            ::pclose(daemon);
        }
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    }
    ~PrivateBus() {
        // GLib ends the process when its session bus goes away, unless told otherwise.
        if (GDBusConnection* connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)) {
            g_dbus_connection_set_exit_on_close(connection, false);
            g_object_unref(connection);
        }
        if (m_pid > 0) ::kill(m_pid, SIGTERM);
    }
    [[nodiscard]] bool running() const { return m_pid > 0; }

private:
    int m_pid = 0;
};

// A blue 160 x 100 PNG, big enough to see in a screenshot.
constexpr std::string_view picture =
    "iVBORw0KGgoAAAANSUhEUgAAAKAAAABkCAIAAACO1KzYAAAAsUlEQVR42u3RAQkAAAgEse9kJ9Mayhoig0twS/XocbEAsAAL"
    "sAALsAALMGABFmABFmABFmDAAizAAizAAizAAgxYgAVYgAVYgAUYsAALsAALsAALMGABFmABFmABFmABBizAAizAAizAAgxY"
    "gAVYgAVYgAUYsAuABViABViABViAAQuwAAuwAAuwAAMWYAEWYAEWYAEWYMACLMACLMACLMCABViABViABViAAQuwAOteCwnu"
    "LZqDXSLyAAAAAElFTkSuQmCC";

class SharedLinkE2E : public ::testing::Test {
protected:
    void SetUp() override {
        // Without the trailing "/", which velk adds.
        testing_support::put(velk.folder() / "defaults.json", concat(R"({"ShareBase": "http://127.0.0.1:)", service.port(), "\"}"));
        service.on(concat("127.0.0.1:", service.port()), "/api/share/abcdefgh2345",
                   testing_support::ScriptedResponse::page(
                       R"({"name":"Trip plan","state":{"maps":[{"path":"/","canvas":{"edges":[],"nodes":[)"
                       R"({"id":"a","type":"text","text":"Shared card one","x":0,"y":0,"width":220,"height":100},)"
                       R"({"id":"b","type":"text","text":"Shared card two","x":260,"y":0,"width":220,"height":100},)"
                       R"({"id":"p","type":"file","file":"velk-media/picture.png","x":0,"y":140,"width":160,"height":100}]}}]},)"
                       R"("media":{"velk-media/picture.png":")" + std::string(picture) + "\"}}",
                       "application/json"));
    }

    // The map the link made is open with its cards and its picture.
    void expectSharedMap(const std::string& screenshot) {
        ASSERT_TRUE(waitUntil([&] { return velk.pageLoadedDocument(); }));
        EXPECT_EQ(velk.window().document().folder(), maps + "/Trip plan.velk");
        EXPECT_TRUE(velk.waitForCards(3));
        EXPECT_TRUE(velk.waitForPage(concat("[...document.querySelectorAll('", PageDOM::card,
                                            " img')].some((i) => i.complete && i.naturalWidth === 160)")));
        EXPECT_FALSE(velk.screenshot(velk.window(), screenshot).empty());
    }

    testing_support::ScriptedHttpServer service;
    // Made only where two velks meet; it outlasts the application.
    std::optional<PrivateBus> bus;
    E2EHarness velk{"links"};
    std::string maps = velk.useMapsFolder();
};

TEST_F(SharedLinkE2E, ALinkVelkIsStartedWithOpensTheSharedMap) {
    velk.startWithLink("velk://s/abcdefgh2345");
    expectSharedMap("shared-link-cold-start");
}

TEST_F(SharedLinkE2E, ASecondVelkHandsItsLinkToTheRunningOne) {
    bus.emplace(velk.folder() / "bus");
    ASSERT_TRUE(bus->running());
    velk.unique = true;
    velk.startEmpty();
    std::string app = VELK_APP_PATH, link = "velk://s/abcdefgh2345";
    char* argv[] = {app.data(), link.data(), nullptr};
    GPid second = 0;
    int status = -1;
    ASSERT_TRUE(g_spawn_async(nullptr, argv, nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &second, nullptr));
    g_child_watch_add(second, [](GPid, gint ended, gpointer into) { *static_cast<int*>(into) = ended; }, &status);
    expectSharedMap("shared-link-warm-start");
    if (!waitUntil([&] { return status != -1; })) ::kill(second, SIGKILL);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the second velk handed the link over and ended";
}

TEST_F(SharedLinkE2E, AWithdrawnShareShowsItsAlertAndNoWindow) {
    velk.startWithLink("velk://s/withdrawn234");
    Gtk::MessageDialog* alert = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (alert = velk.visibleAlert()) != nullptr; }));
    EXPECT_EQ(alert->property_text().get_value(), "This link no longer works");
    EXPECT_EQ(alert->property_secondary_text().get_value(), "Whoever shared the map has stopped sharing it.");
    EXPECT_FALSE(velk.screenshot(*alert, "shared-link-withdrawn").empty());
    EXPECT_FALSE(velk.hasWindow());
    alert->response(Gtk::ResponseType::OK);
    EXPECT_TRUE(waitUntil([&] { return velk.application().startWindow().get_visible(); })) << "velk stays in reach";
    EXPECT_TRUE(std::filesystem::is_empty(maps));
}

}  // namespace
}  // namespace velk::e2e
