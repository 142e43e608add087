// Sharing as people do it, through a real velk-share on 127.0.0.1 that "ShareBase" points at:
// Share in the editor shows the link; another velk with a profile of its own opens it as the same
// map, image included; a hand-off opens once; after Unshare and after an operator's removal the
// link only alerts, each with its own words.

#include "E2EHarness.h"

#include "core/Base64.h"
#include "share-service/ShareServiceProcess.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <gtkmm/messagedialog.h>

#include <csignal>
#include <filesystem>

namespace velk::e2e {
namespace {

namespace fs = std::filesystem;
using share::testing_support::httpRequest;
using share::testing_support::ServiceProcess;

constexpr std::string_view tripCanvas =
    R"({"nodes":[{"id":"a","type":"text","text":"Shared card one","x":0,"y":0,"width":220,"height":100},)"
    R"({"id":"p","type":"file","file":"velk-media/red.png","x":0,"y":140,"width":100,"height":100}],"edges":[]})";

class ShareServiceE2E : public ::testing::Test {
protected:
    void SetUp() override {
        base = concat("http://127.0.0.1:", service.port(), "/");
        testing_support::put(velk.folder() / "defaults.json", concat(R"({"ShareBase": ")", base, "\"}"));
        const std::string package = velk.writePackage("Trip.velk", std::string(tripCanvas));
        fs::create_directories(package + "/velk-media");
        testing_support::put(package + "/velk-media/red.png", *Base64::decode(redPixel));
        ASSERT_TRUE(velk.startAndWaitForCards(package, 2));
    }

    // Share in the editor; the id of the link it shows.
    std::string share() {
        EXPECT_TRUE(velk.clickElement("#shareBtn"));
        const std::string shown = concat("document.getElementById('shareURL').value.startsWith('", base, "s/')");
        if (!velk.waitForPage(shown)) return {};
        const std::string url = velk.evaluate("document.getElementById('shareURL').value").text;
        EXPECT_FALSE(velk.screenshot(velk.window(), "share-dialog").empty());
        velk.clickElement("#shareClose");
        return url.substr(url.size() - 12);
    }

    // Opens `link` in this velk; the alert it shows has `title` and, for a removed map, a
    // Show in Browser button. The alert is dismissed (and destroyed) after.
    void expectAlert(const std::string& link, const std::string& title, const std::string& screenshot,
                     bool offersBrowser = false) {
        velk.application().open(Gio::File::create_for_uri(link));
        ASSERT_TRUE(waitUntil([&] { return velk.visibleAlert() != nullptr; })) << link;
        Gtk::MessageDialog* alert = velk.visibleAlert();
        EXPECT_EQ(alert->property_text().get_value().raw(), title) << link;
        EXPECT_EQ(alert->get_widget_for_response(Gtk::ResponseType::ACCEPT) != nullptr, offersBrowser) << link;
        EXPECT_FALSE(velk.screenshot(*alert, screenshot).empty());
        alert->response(Gtk::ResponseType::CLOSE);
        EXPECT_TRUE(waitUntil([&] { return velk.visibleAlert() == nullptr; }));
    }

    E2EHarness velk{"share-service"};
    std::string maps = velk.useMapsFolder();
    ServiceProcess service{"sqlite:" + velk.folder() / "shares.sqlite", velk.folder().path()};
    std::string base;
};

TEST_F(ShareServiceE2E, ASharedMapOpensInAnotherProfileUntilItIsUnshared) {
    const std::string id = share();
    ASSERT_EQ(id.size(), 12u);

    // Another person's velk: homes, maps folder and settings of its own, no bus to find ours by.
    const fs::path other = velk.folder() / "other";
    for (const char* home : {"config/velk", "data", "cache", "Maps"}) fs::create_directories(other / home);
    testing_support::put(other / "config/velk/defaults.json", concat(R"({"ShareBase": ")", base, "\"}"));
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry)
        if (const std::string_view variable(*entry);
            !variable.starts_with("XDG_") && !variable.starts_with("DBUS_") && !variable.starts_with("VELK_"))
            environment.emplace_back(*entry);
    for (const auto& [name, folder] : {std::pair{"XDG_CONFIG_HOME", "config"}, {"XDG_DATA_HOME", "data"},
                                       {"XDG_CACHE_HOME", "cache"}, {"VELK_MAPS_FOLDER", "Maps"}})
        environment.push_back(concat(name, "=", (other / folder).string()));
    std::vector<char*> envp;
    for (auto& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string app = VELK_APP_PATH, link = "velk://s/" + id;
    char* argv[] = {app.data(), link.data(), nullptr};
    GPid reader = 0;
    ASSERT_TRUE(g_spawn_async(nullptr, argv, envp.data(), G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &reader, nullptr));
    const fs::path copy = other / "Maps/Trip.velk";
    const bool opened = waitUntil([&] { return fs::exists(copy / "velk-media/red.png") && fs::exists(copy / "map.canvas"); });
    ::kill(reader, SIGTERM);
    g_spawn_close_pid(reader);
    ASSERT_TRUE(opened) << "the other velk wrote no copy of the map";
    EXPECT_NE(share::testing_support::readFile(copy / "map.canvas").find("Shared card one"), std::string::npos);
    EXPECT_EQ(share::testing_support::readFile(copy / "velk-media/red.png"), *Base64::decode(redPixel)) << "the image travels with the map";

    ASSERT_TRUE(velk.clickElement("#shareBtn"));
    ASSERT_TRUE(velk.clickElement("#unshareBtn"));
    ASSERT_TRUE(velk.waitForPage("document.getElementById('toast').textContent.includes('no longer shared')"));
    expectAlert(link, "This link no longer works", "share-unshared-alert");
}

TEST_F(ShareServiceE2E, AHandOffOpensOnceAndARemovedMapSaysSo) {
    const std::string id = share();
    ASSERT_EQ(id.size(), 12u);
    const auto handoff = httpRequest(service.port(), "POST", "/api/share/" + id + "/handoff");
    ASSERT_EQ(handoff.status, 201) << handoff.body;
    const std::string link = handoff.body.substr(handoff.body.find("velk://h/"), 25);
    velk.application().open(Gio::File::create_for_uri(link));
    ASSERT_TRUE(waitUntil([&] { return velk.application().editorWindows().size() == 2; })) << "the hand-off opens a copy";
    EXPECT_TRUE(fs::exists(maps + "/Trip.velk/velk-media/red.png"));
    expectAlert(link, "This map was already opened", "share-handoff-used-alert");

    const std::string remove = concat(VELK_SHARE_PATH, " remove ", id, " --reason 'Removed after a complaint.' --db sqlite:",
                                      velk.folder() / "shares.sqlite", " >/dev/null");
    ASSERT_EQ(std::system(remove.c_str()), 0);
    expectAlert("velk://s/" + id, "This map was removed", "share-removed-alert", true);
}

}  // namespace
}  // namespace velk::e2e
