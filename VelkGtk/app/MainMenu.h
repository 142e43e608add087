#pragma once

// velk's menu: File, Edit, Window and Help, then the application's own items (About velk, Maps
// Folder…, Quit velk), built in one place from one table, so that the labels, the actions they
// fire and the keys shown beside them cannot disagree. Every window shows the one model in the
// primary menu of its header bar (F10 opens it). Menus refer to actions by name only ("app.new",
// "win.save"); the application and each editor window add the actions themselves, and an item
// whose action the window lacks (Save in the start window) is shown disabled.
//
// The Edit keys are shown in the menu but never registered as accelerators: the editor page
// handles them itself, and a key taken by the application would not reach it.
//
// Main thread only (Gio menus are main-thread objects).

#include <giomm/menu.h>

#include <string>
#include <string_view>
#include <vector>

namespace velk::MainMenu {

struct Entry {
    std::string_view menu;    // the submenu it is in, or applicationMenu
    int section;              // entries of one section sit between the same separators
    std::string_view label;
    std::string_view action;  // "app.…" or "win.…"
    std::string_view keys;    // GTK accelerator text, empty for none
    bool keysBelongToPage;    // shown, not registered
};

// The application's own items; they follow the submenus as sections of their own.
inline constexpr std::string_view applicationMenu = "velk";

// Every entry, menu by menu, in the order they appear. Open Recent is a submenu, not an entry, and
// the list of open windows ends the Window menu.
[[nodiscard]] const std::vector<Entry>& entries();

struct Bar {
    Glib::RefPtr<Gio::Menu> menu;
    // The part of File ▸ Open Recent that lists the recent maps; "Clear Menu" follows it.
    Glib::RefPtr<Gio::Menu> recentMaps;
    // The last section of Window: one item per open window.
    Glib::RefPtr<Gio::Menu> windows;
};

[[nodiscard]] Bar build();

// The actions whose keys the application registers, with their keys.
struct Accelerator {
    std::string action;
    std::vector<Glib::ustring> keys;
};
[[nodiscard]] std::vector<Accelerator> accelerators();

// The application action that opens one recent map; its target is the package's path.
inline constexpr std::string_view openRecentActionName = "open-recent";
inline constexpr std::string_view openRecentAction = "app.open-recent";
// The application action that brings one window to the front; its target is the window's id.
inline constexpr std::string_view presentWindowActionName = "present-window";
inline constexpr std::string_view presentWindowAction = "app.present-window";

// The label of an item named after a map or a window: a menu reads "_" as the mark of the key
// that picks the item, so each one is doubled to be shown as it is ("Q3_plan" stays "Q3_plan").
[[nodiscard]] std::string literalLabel(std::string_view name);

}  // namespace velk::MainMenu
