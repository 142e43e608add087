#include "PrimaryMenu.h"

#include <gtk/gtk.h>

namespace velk {

Gtk::MenuButton* makePrimaryMenuButton(const Glib::RefPtr<Gio::MenuModel>& menu) {
    auto* button = Gtk::make_managed<Gtk::MenuButton>();
    button->set_icon_name("open-menu-symbolic");
    button->set_menu_model(menu);
    button->set_tooltip_text("Main Menu (F10)");
    button->set_name("primary-menu");
    // The primary menu of its window: F10 opens it.
    gtk_menu_button_set_primary(button->gobj(), TRUE);
    gtk_accessible_update_property(GTK_ACCESSIBLE(button->gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, "Main Menu", -1);
    return button;
}

}  // namespace velk
