// The front door as a user meets it: velk with nothing to open shows the start window, new maps
// come from templates into the maps folder, recent maps open and leave the list, every window
// carries its menu in the header bar, and velk stays in reach when the last map window closes.

#include "E2EHarness.h"

#include "app/MainMenu.h"
#include "platform/TempFolder.h"

#include <gtest/gtest.h>
#include <gtkmm/menubutton.h>
#include <gtkmm/picture.h>
#include <gtkmm/popover.h>
#include <glibmm/main.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

namespace velk::e2e {
namespace {

namespace fs = std::filesystem;

// The first widget below `root` (itself included) that `is` picks.
Gtk::Widget* findBelow(Gtk::Widget& root, const std::function<bool(Gtk::Widget&)>& is) {
    if (is(root)) return &root;
    for (auto* child = root.get_first_child(); child; child = child->get_next_sibling())
        if (auto* found = findBelow(*child, is)) return found;
    return nullptr;
}

// The first widget below `root` that GTK names `name`.
Gtk::Widget* findNamed(Gtk::Widget& root, const std::string& name) {
    return findBelow(root, [&](Gtk::Widget& widget) { return widget.get_name().raw() == name; });
}

class StartWindowE2E : public ::testing::Test {
protected:
    StartWindow& start() { return velk.application().startWindow(); }
    [[nodiscard]] std::vector<Gtk::Widget*> startCards() { return start().view()->grid().cards(); }
    [[nodiscard]] int recentMenuItems() { return velk.application().menu().recentMaps->get_n_items(); }
    [[nodiscard]] bool startShown() {
        return waitUntil([&] { return start().get_visible() && start().get_mapped(); });
    }
    // Opens a map, then closes its window, so it is a recent map and the start window is up.
    std::string recentMap(const std::string& name) {
        const auto package = velk.writePackage(name, gridCanvas(2));
        EXPECT_TRUE(velk.startAndWaitForCards(package, 2));
        EXPECT_TRUE(velk.closeWindows());
        EXPECT_TRUE(startShown()) << "closing the last map window shows the start window";
        return package;
    }

    E2EHarness velk{"start"};
    std::string maps = velk.useMapsFolder();
};

TEST_F(StartWindowE2E, LaunchingWithNothingToOpenShowsTheStartWindowAndNoDraft) {
    velk.startEmpty();
    ASSERT_TRUE(startShown());
    EXPECT_TRUE(velk.application().editorWindows().empty());
    ASSERT_EQ(startCards().size(), 1u) << "only the New map card";
    EXPECT_FALSE(start().sheet()->get_visible());
    EXPECT_NE(findNamed(start(), "primary-menu"), nullptr);
    EXPECT_FALSE(velk.screenshot(start(), "start-window").empty());
    std::size_t drafts = 0;
    for (const auto& entry : fs::recursive_directory_iterator(velk.folder().path()))
        drafts += entry.path().extension() == ".velk";
    EXPECT_EQ(drafts, 0u) << "no draft was made";
}

TEST_F(StartWindowE2E, ATemplateBecomesAPackageInTheMapsFolderThatOpens) {
    velk.startEmpty();
    ASSERT_TRUE(startShown());
    gtk_widget_activate(startCards().front()->gobj());
    ASSERT_TRUE(waitUntil([&] { return start().sheet()->get_visible(); }));
    const auto& templates = velk.application().startController().templates();
    const auto wardley = std::ranges::find(templates, std::string("wardley"), &MapTemplate::id);
    ASSERT_NE(wardley, templates.end());
    ASSERT_EQ(start().sheet()->grid().cards().size(), templates.size());
    // Template pictures arrive while the sheet is up; they change the faces, not the cards, so a
    // card being pressed or holding the focus stays (a button clicks a moment after it is activated).
    const auto cards = start().sheet()->grid().cards();
    EXPECT_TRUE(waitUntil([&] { return findBelow(*start().sheet(), [](Gtk::Widget& w) { return dynamic_cast<Gtk::Picture*>(&w); }); }))
        << "no template picture arrived";
    EXPECT_EQ(start().sheet()->grid().cards(), cards) << "a template picture made the cards anew";
    EXPECT_FALSE(velk.screenshot(start(), "new-map-sheet").empty());

    gtk_widget_activate(start().sheet()->grid().cards()[std::size_t(wardley - templates.begin())]->gobj());
    const std::string made = maps + "/" + wardley->title + ".velk";
    ASSERT_TRUE(waitUntil([&] { return velk.hasWindow(); }));
    EXPECT_EQ(velk.window().document().folder(), made);
    EXPECT_TRUE(fs::exists(made + "/map.canvas"));
    EXPECT_TRUE(waitUntil([&] { return !start().get_visible(); })) << "the start window closes";
    EXPECT_TRUE(waitUntil([&] { return velk.pageLoadedDocument(); }));
    EXPECT_TRUE(velk.waitForPage(concat("document.querySelectorAll('", PageDOM::card, "').length > 0")))
        << "the editor shows the template's cards";
}

TEST_F(StartWindowE2E, ARecentCardOpensItsMap) {
    const auto package = recentMap("Trip.velk");
    ASSERT_EQ(startCards().size(), 2u);
    EXPECT_EQ(recentMenuItems(), 1);
    gtk_widget_activate(startCards()[1]->gobj());
    ASSERT_TRUE(waitUntil([&] { return velk.hasWindow(); }));
    EXPECT_EQ(velk.window().document().folder(), package);
    EXPECT_TRUE(waitUntil([&] { return !start().get_visible(); }));
}

// A thumbnail is shown only up to 2,048 pixels a side: a small file can hold a picture that takes
// gigabytes to show.
TEST_F(StartWindowE2E, ARecentMapsThumbnailTooLargeToShowGetsThePlaceholder) {
    for (const int width : {2048, 2049}) {
        const auto package = velk.writePackage(std::to_string(width) + ".velk", gridCanvas(2));
        GBytes* white = g_bytes_new(std::string(std::size_t(width) * 4, '\xFF').data(), std::size_t(width) * 4);
        GdkTexture* picture = gdk_memory_texture_new(width, 1, GDK_MEMORY_R8G8B8A8, white, std::size_t(width) * 4);
        GBytes* png = gdk_texture_save_to_png_bytes(picture);
        gsize size = 0;
        const auto* data = static_cast<const char*>(g_bytes_get_data(png, &size));
        fs::create_directories(package + "/QuickLook");
        testing_support::put(package + "/QuickLook/Thumbnail.png", std::string(data, size));
        g_bytes_unref(png), g_object_unref(picture), g_bytes_unref(white);
        ASSERT_TRUE(velk.startAndWaitForCards(package, 2));
        ASSERT_TRUE(velk.closeWindows() && startShown());
    }
    const auto cards = startCards();
    ASSERT_EQ(cards.size(), 3u);
    const auto pictured = [](Gtk::Widget* card) {
        return findBelow(*card, [](Gtk::Widget& widget) { return dynamic_cast<Gtk::Picture*>(&widget) != nullptr; });
    };
    EXPECT_FALSE(pictured(cards[1])) << "2,049 pixels wide";
    EXPECT_TRUE(pictured(cards[2])) << "2,048 pixels wide";
}

TEST_F(StartWindowE2E, RemovingFromRecentsEmptiesGridAndMenu) {
    const auto package = recentMap("Trip.velk");
    ASSERT_EQ(startCards().size(), 2u);
    gtk_widget_activate_action(start().view()->grid().gobj(), "card.remove", "^ay", package.c_str());
    EXPECT_TRUE(waitUntil([&] { return startCards().size() == 1; })) << "gone from the grid";
    EXPECT_TRUE(waitUntil([&] { return recentMenuItems() == 0; })) << "gone from Open Recent";
}

TEST_F(StartWindowE2E, EveryEditorWindowShowsItsMenuAndHomeGoesToTheStartWindow) {
    const auto trip = velk.writePackage("Trip.velk", gridCanvas(3));
    const auto garden = velk.writePackage("Garden.velk", gridCanvas(1));
    ASSERT_TRUE(velk.startAndWaitForCards(trip, 3));
    ASSERT_TRUE(velk.application().openPackage(garden));
    for (auto* window : velk.application().openEditorWindows()) {
        SCOPED_TRACE(window->get_title());
        auto* button = dynamic_cast<Gtk::MenuButton*>(findNamed(*window, "primary-menu"));
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(waitUntil([&] { return button->get_mapped(); }));
        EXPECT_TRUE(findNamed(*window->get_titlebar(), "primary-menu")) << "the menu is in the title bar";
    }
    auto& first = velk.window();
    ASSERT_TRUE(velk.waitForCards(3));
    EXPECT_FALSE(velk.screenshot(first, "editor-window").empty());
    auto* button = dynamic_cast<Gtk::MenuButton*>(findNamed(first, "primary-menu"));
    button->popup();
    auto* popover = button->get_popover();
    ASSERT_NE(popover, nullptr);
    ASSERT_TRUE(waitUntil([&] { return popover->get_mapped(); }));
    EXPECT_FALSE(velk.screenshot(*popover, "editor-primary-menu").empty());
    button->popdown();

    first.document().editorGoHome();
    EXPECT_TRUE(startShown());
    EXPECT_EQ(velk.application().openEditorWindows().size(), 2u) << "the maps stay open";
}

// Run as velk runs: the application's own loop, which only closing the start window may end.
TEST_F(StartWindowE2E, ClosingTheStartWindowWithNoMapOpenQuits) {
    recentMap("Trip.velk");
    bool stuck = false;
    Glib::signal_timeout().connect_once([&] { start().close(); }, 300);
    auto limit = Glib::signal_timeout().connect_seconds([&] {
        stuck = true;
        velk.application().quit();
        return false;
    }, 30);
    velk.application().run(0, nullptr);
    limit.disconnect();
    EXPECT_FALSE(stuck) << "velk kept running with no window";
}

}  // namespace
}  // namespace velk::e2e
