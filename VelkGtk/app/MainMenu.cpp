#include "MainMenu.h"

#include <giomm/menuitem.h>

namespace velk::MainMenu {
namespace {

constexpr std::string_view recentSubmenuLabel = "Open Recent";
// Open Recent ends this section of File.
constexpr int recentSubmenuSection = 0;

Glib::ustring text(std::string_view view) { return Glib::ustring(std::string(view)); }

Glib::RefPtr<Gio::MenuItem> itemFor(const Entry& entry) {
    auto item = Gio::MenuItem::create(text(entry.label), text(entry.action));
    if (!entry.keys.empty()) item->set_attribute_value("accel", Glib::Variant<Glib::ustring>::create(text(entry.keys)));
    return item;
}

Glib::RefPtr<Gio::Menu> openRecentSubmenu(const Glib::RefPtr<Gio::Menu>& recentMaps) {
    auto submenu = Gio::Menu::create();
    submenu->append_section(recentMaps);
    auto clear = Gio::Menu::create();
    clear->append("Clear Menu", "app.clear-recent");
    submenu->append_section(clear);
    return submenu;
}

}  // namespace

const std::vector<Entry>& entries() {
    static const std::vector<Entry> table{
        {"File", 0, "New", "app.new", "<Control>n", false},
        {"File", 0, "New from Template…", "app.new-from-template", "<Control><Shift>n", false},
        {"File", 0, "Open…", "app.open", "<Control>o", false},
        {"File", 1, "Close", "win.close", "<Control>w", false},
        {"File", 1, "Save…", "win.save", "<Control>s", false},
        {"File", 1, "Duplicate", "win.duplicate", "<Control><Shift>s", false},
        {"File", 1, "Save As…", "win.save-as", "<Control><Alt><Shift>s", false},
        {"File", 1, "Rename…", "win.rename", "", false},
        {"File", 1, "Move To…", "win.move", "", false},
        {"File", 1, "Revert To Saved", "win.revert", "", false},
        {"File", 2, "Export…", "win.export", "<Control>e", true},
        {"Edit", 0, "Undo", "win.undo", "<Control>z", true},
        {"Edit", 0, "Redo", "win.redo", "<Control><Shift>z", true},
        {"Edit", 1, "Cut", "win.cut", "<Control>x", true},
        {"Edit", 1, "Copy", "win.copy", "<Control>c", true},
        {"Edit", 1, "Paste", "win.paste", "<Control>v", true},
        {"Edit", 1, "Select All", "win.select-all", "<Control>a", true},
        {"Window", 0, "Minimize", "win.minimize", "<Control>m", false},
        {"Window", 0, "Zoom", "win.zoom", "", false},
        {"Window", 1, "Start Window", "app.start-window", "<Control><Shift>1", false},
        {"Window", 2, "Bring All to Front", "app.bring-all-to-front", "", false},
        {"Help", 0, "Keyboard Shortcuts", "app.shortcuts", "<Control>question", false},
        {"Help", 1, "Send Feedback…", "app.feedback", "", false},
        {applicationMenu, 0, "Maps Folder…", "app.maps-folder", "", false},
        {applicationMenu, 0, "About velk", "app.about", "", false},
        {applicationMenu, 1, "Quit velk", "app.quit", "<Control>q", false},
    };
    return table;
}

Bar build() {
    Bar bar{Gio::Menu::create(), Gio::Menu::create(), Gio::Menu::create()};
    // The submenus sit together in the first section; the application's items follow.
    auto submenus = Gio::Menu::create();
    bar.menu->append_section(submenus);
    Glib::RefPtr<Gio::Menu> submenu;
    Glib::RefPtr<Gio::Menu> section;
    std::string_view menuName;
    int sectionNumber = -1;
    const auto endSection = [&] {
        if (!section) return;
        if (menuName == "File" && sectionNumber == recentSubmenuSection)
            section->append_submenu(text(recentSubmenuLabel), openRecentSubmenu(bar.recentMaps));
        submenu->append_section(section);
        section.reset();
    };
    for (const auto& entry : entries()) {
        if (entry.menu != menuName) {
            endSection();
            if (menuName == "Window") submenu->append_section(bar.windows);
            if (entry.menu == applicationMenu) {
                submenu = bar.menu;
            } else {
                submenu = Gio::Menu::create();
                submenus->append_submenu(text(entry.menu), submenu);
            }
            menuName = entry.menu;
            sectionNumber = -1;
        }
        if (entry.section != sectionNumber) {
            endSection();
            section = Gio::Menu::create();
            sectionNumber = entry.section;
        }
        section->append_item(itemFor(entry));
    }
    endSection();
    return bar;
}

std::string literalLabel(std::string_view name) {
    std::string label;
    for (const char c : name) label += c == '_' ? "__" : std::string(1, c);
    return label;
}

std::vector<Accelerator> accelerators() {
    std::vector<Accelerator> registered;
    for (const auto& entry : entries()) {
        if (entry.keys.empty() || entry.keysBelongToPage) continue;
        registered.push_back({std::string(entry.action), {text(entry.keys)}});
        // Shift turns 1 into "!" on most layouts, and GTK compares the key it then gets.
        if (entry.keys.ends_with("<Shift>1")) registered.back().keys.push_back(Glib::ustring("<Control>exclam"));
    }
    return registered;
}

}  // namespace velk::MainMenu
