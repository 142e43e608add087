#include "app/MainMenu.h"

#include <gio/gio.h>
#include <giomm/init.h>
#include <gtk/gtk.h>
#include <gtest/gtest.h>

#include <map>

namespace velk {
namespace {

std::string attribute(GMenuModel* model, int index, const char* name) {
    char* value = nullptr;
    if (!g_menu_model_get_item_attribute(model, index, name, "s", &value)) return {};
    std::string text(value);
    g_free(value);
    return text;
}

// A menu's items as "label action keys", sections apart by "—"; a submenu as "label ▸".
std::vector<std::string> flatten(GMenuModel* menu) {
    std::vector<std::string> lines;
    for (int i = 0; i < g_menu_model_get_n_items(menu); ++i) {
        if (GMenuModel* section = g_menu_model_get_item_link(menu, i, G_MENU_LINK_SECTION)) {
            if (!lines.empty()) lines.push_back("—");
            auto inner = flatten(section);
            lines.insert(lines.end(), inner.begin(), inner.end());
            g_object_unref(section);
            continue;
        }
        if (GMenuModel* submenu = g_menu_model_get_item_link(menu, i, G_MENU_LINK_SUBMENU)) {
            lines.push_back(attribute(menu, i, "label") + " ▸");
            g_object_unref(submenu);
            continue;
        }
        std::string line = attribute(menu, i, "label") + " " + attribute(menu, i, "action");
        if (auto keys = attribute(menu, i, "accel"); !keys.empty()) line += " " + keys;
        lines.push_back(line);
    }
    return lines;
}

GMenuModel* submenu(const Glib::RefPtr<Gio::Menu>& bar, int index) {
    GMenuModel* menu = g_menu_model_get_item_link(G_MENU_MODEL(bar->gobj()), index, G_MENU_LINK_SUBMENU);
    g_object_unref(menu);  // the bar keeps it alive
    return menu;
}

class MainMenuTest : public testing::Test {
protected:
    static void SetUpTestSuite() { Gio::init(); }
};

TEST_F(MainMenuTest, TopLevelMenusInOrder) {
    auto bar = MainMenu::build();
    GMenuModel* model = G_MENU_MODEL(bar.menu->gobj());
    ASSERT_EQ(g_menu_model_get_n_items(model), 4);
    const char* titles[] = {"File", "Edit", "Window", "Help"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(attribute(model, i, "label"), titles[i]);
}

TEST_F(MainMenuTest, EveryItemWithItsActionAndKeys) {
    auto bar = MainMenu::build();
    const std::vector<std::vector<std::string>> expected{
        {"New app.new <Control>n", "Open… app.open <Control>o", "Open Recent ▸", "—", "Close win.close <Control>w",
         "Save… win.save <Control>s", "Duplicate win.duplicate <Control><Shift>s",
         "Save As… win.save-as <Control><Alt><Shift>s", "Rename… win.rename", "Move To… win.move",
         "Revert To Saved win.revert", "—", "Quit app.quit <Control>q"},
        {"Undo win.undo <Control>z", "Redo win.redo <Control><Shift>z", "—", "Cut win.cut <Control>x",
         "Copy win.copy <Control>c", "Paste win.paste <Control>v", "Select All win.select-all <Control>a"},
        {"Minimize win.minimize <Control>m", "Zoom win.zoom"},
        {"Keyboard Shortcuts app.shortcuts <Control>question", "—", "Send Feedback… app.feedback"},
    };
    for (int i = 0; i < 4; ++i) EXPECT_EQ(flatten(submenu(bar.menu, i)), expected[static_cast<std::size_t>(i)]);
}

TEST_F(MainMenuTest, OpenRecentListsTheRecentMapsThenClearMenu) {
    auto bar = MainMenu::build();
    bar.recentMaps->append("Trip", "app.open-recent::/maps/Trip.velk");
    GMenuModel* fileSection = g_menu_model_get_item_link(submenu(bar.menu, 0), 0, G_MENU_LINK_SECTION);
    GMenuModel* recent = g_menu_model_get_item_link(fileSection, 2, G_MENU_LINK_SUBMENU);
    ASSERT_NE(recent, nullptr);
    EXPECT_EQ(flatten(recent), (std::vector<std::string>{"Trip app.open-recent", "—", "Clear Menu app.clear-recent"}));
    g_object_unref(recent);
    g_object_unref(fileSection);
}

TEST_F(MainMenuTest, TheEditKeysAreLeftToThePage) {
    std::map<std::string, std::string> registered;
    for (const auto& accelerator : MainMenu::accelerators()) {
        ASSERT_EQ(accelerator.keys.size(), 1u);
        registered[accelerator.action] = accelerator.keys[0];
    }
    const std::map<std::string, std::string> expected{
        {"app.new", "<Control>n"},          {"app.open", "<Control>o"},
        {"win.close", "<Control>w"},        {"win.save", "<Control>s"},
        {"win.duplicate", "<Control><Shift>s"}, {"win.save-as", "<Control><Alt><Shift>s"},
        {"app.quit", "<Control>q"},         {"win.minimize", "<Control>m"},
        {"app.shortcuts", "<Control>question"},
    };
    EXPECT_EQ(registered, expected);
}

TEST_F(MainMenuTest, EveryShownKeyIsOneGtkUnderstands) {
    for (const auto& entry : MainMenu::entries()) {
        if (entry.keys.empty()) continue;
        SCOPED_TRACE(std::string(entry.keys));
        guint key = 0;
        GdkModifierType modifiers{};
        EXPECT_TRUE(gtk_accelerator_parse(std::string(entry.keys).c_str(), &key, &modifiers));
        EXPECT_NE(modifiers & GDK_CONTROL_MASK, 0);
    }
}

}  // namespace
}  // namespace velk
