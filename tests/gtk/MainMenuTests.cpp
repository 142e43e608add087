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

// A menu as lines "label action keys", sections apart by "—", a submenu as "label ▸" followed by
// its own lines indented.
void flatten(GMenuModel* menu, std::vector<std::string>& lines, const std::string& indent = "") {
    for (int i = 0; i < g_menu_model_get_n_items(menu); ++i) {
        if (GMenuModel* section = g_menu_model_get_item_link(menu, i, G_MENU_LINK_SECTION)) {
            if (!lines.empty() && lines.back() != indent + "—" && !lines.back().ends_with("▸")) lines.push_back(indent + "—");
            flatten(section, lines, indent);
            g_object_unref(section);
        } else if (GMenuModel* submenu = g_menu_model_get_item_link(menu, i, G_MENU_LINK_SUBMENU)) {
            lines.push_back(indent + attribute(menu, i, "label") + " ▸");
            flatten(submenu, lines, indent + "  ");
            g_object_unref(submenu);
        } else {
            std::string line = indent + attribute(menu, i, "label") + " " + attribute(menu, i, "action");
            if (auto keys = attribute(menu, i, "accel"); !keys.empty()) line += " " + keys;
            lines.push_back(line);
        }
    }
}

TEST(MainMenu, OneModelWithTheSubmenusThenTheApplicationsItems) {
    Gio::init();
    auto bar = MainMenu::build();
    bar.recentMaps->append("Trip", "app.open-recent::/maps/Trip.velk");
    bar.windows->append("Start", "app.present-window");
    std::vector<std::string> lines;
    flatten(G_MENU_MODEL(bar.menu->gobj()), lines);
    const std::vector<std::string> expected{
        "File ▸", "  New app.new <Control>n", "  New from Template… app.new-from-template <Control><Shift>n",
        "  Open… app.open <Control>o", "  Open Recent ▸", "    Trip app.open-recent", "    —",
        "    Clear Menu app.clear-recent", "  —", "  Close win.close <Control>w", "  Save… win.save <Control>s",
        "  Duplicate win.duplicate <Control><Shift>s", "  Save As… win.save-as <Control><Alt><Shift>s",
        "  Rename… win.rename", "  Move To… win.move", "  Revert To Saved win.revert",
        "Edit ▸", "  Undo win.undo <Control>z", "  Redo win.redo <Control><Shift>z", "  —", "  Cut win.cut <Control>x",
        "  Copy win.copy <Control>c", "  Paste win.paste <Control>v", "  Select All win.select-all <Control>a",
        "Window ▸", "  Minimize win.minimize <Control>m", "  Zoom win.zoom", "  —",
        "  Start Window app.start-window <Control><Shift>1", "  —", "  Bring All to Front app.bring-all-to-front", "  —",
        "  Start app.present-window",
        "Help ▸", "  Keyboard Shortcuts app.shortcuts <Control>question", "  —", "  Send Feedback… app.feedback",
        "—", "Maps Folder… app.maps-folder", "About velk app.about", "—", "Quit velk app.quit <Control>q",
    };
    EXPECT_EQ(lines, expected);
}

// The Edit keys are the page's; a key GTK cannot read, or one without Ctrl, would be a dead entry.
TEST(MainMenu, TheAppRegistersEveryShownKeyButTheEditKeys) {
    std::map<std::string, std::vector<std::string>> registered;
    for (const auto& accelerator : MainMenu::accelerators())
        for (const auto& keys : accelerator.keys) registered[accelerator.action].push_back(keys);
    const std::map<std::string, std::vector<std::string>> expected{
        {"app.new", {"<Control>n"}}, {"app.new-from-template", {"<Control><Shift>n"}}, {"app.open", {"<Control>o"}},
        {"win.close", {"<Control>w"}}, {"win.save", {"<Control>s"}}, {"win.duplicate", {"<Control><Shift>s"}},
        {"win.save-as", {"<Control><Alt><Shift>s"}}, {"win.minimize", {"<Control>m"}},
        {"app.start-window", {"<Control><Shift>1", "<Control>exclam"}}, {"app.shortcuts", {"<Control>question"}},
        {"app.quit", {"<Control>q"}},
    };
    EXPECT_EQ(registered, expected);
    for (const auto& [action, keys] : registered)
        for (const auto& key : keys) {
            SCOPED_TRACE(key);
            guint keyval = 0;
            GdkModifierType modifiers{};
            EXPECT_TRUE(gtk_accelerator_parse(key.c_str(), &keyval, &modifiers));
            EXPECT_NE(modifiers & GDK_CONTROL_MASK, 0);
        }
}

}  // namespace
}  // namespace velk
