#include "OwnedDialogs.h"

#include <glibmm/main.h>

#include <algorithm>

namespace velk {

OwnedDialogs::~OwnedDialogs() {
    for (auto& dialog : m_dialogs) dialog->hide();
}

void OwnedDialogs::dismiss(Gtk::Window& dialog) {
    dialog.hide();
    auto held = std::ranges::find_if(m_dialogs, [&](const auto& owned) { return owned.get() == &dialog; });
    if (held == m_dialogs.end()) return;
    std::shared_ptr<Gtk::Window> released(std::move(*held));
    m_dialogs.erase(held);
    Glib::signal_idle().connect_once([released] {});
}

}  // namespace velk
