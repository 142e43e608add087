#pragma once

// The button at the end of every velk window's header bar that holds the whole menu (MainMenu):
// the place a Linux desktop looks for a window's commands. F10 opens it, as in every GTK app.
// Main thread only.

#include <giomm/menumodel.h>
#include <gtkmm/menubutton.h>

namespace velk {

// A new primary menu button over `menu`, owned by the widget it is packed into.
[[nodiscard]] Gtk::MenuButton* makePrimaryMenuButton(const Glib::RefPtr<Gio::MenuModel>& menu);

}  // namespace velk
