#pragma once

// The dialogs a window has on screen, owned until the user answers them. A dialog is destroyed
// after its response handler has returned, never inside it. Main thread only.

#include <gtkmm/window.h>

#include <memory>
#include <vector>

namespace velk {

class OwnedDialogs {
public:
    OwnedDialogs() = default;
    OwnedDialogs(const OwnedDialogs&) = delete;
    OwnedDialogs& operator=(const OwnedDialogs&) = delete;
    ~OwnedDialogs();

    // Keeps `dialog` and presents it. Returns it for wiring up its signals.
    template <class Dialog>
    Dialog& show(std::unique_ptr<Dialog> dialog) {
        Dialog& shown = *dialog;
        m_dialogs.push_back(std::move(dialog));
        shown.present();
        return shown;
    }
    // Hides `dialog` and lets it go once the current signal is over.
    void dismiss(Gtk::Window& dialog);

private:
    std::vector<std::unique_ptr<Gtk::Window>> m_dialogs;
};

}  // namespace velk
