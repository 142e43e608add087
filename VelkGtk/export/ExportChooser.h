#pragma once

// The Export dialog: where the picture goes and what it is (PNG, PNG at 2×, SVG or PDF, as
// file types), and, when cards are selected, whether the whole map or the selection.

#include "app/OwnedDialogs.h"
#include "export/PictureExport.h"

#include <gtkmm/filechoosernative.h>
#include <gtkmm/window.h>

#include <functional>
#include <string>
#include <vector>

namespace velk {

class ExportChooser {
public:
    struct Choice {
        std::string file;
        ExportFormat format;
        bool selection;
    };
    using Chosen = std::function<void(Choice)>;

    // Shows the dialog over `parent`, proposing `name` with the last type used, in `folder` when
    // one is given; `chosen` runs only when the user exports.
    void run(Gtk::Window& parent, const std::string& name, const std::string& folder, bool hasSelection, Chosen chosen);

private:
    // Asks before `choice` writes over a file the chooser did not ask about.
    void confirmReplacing(Gtk::Window& parent, Choice choice, const Chosen& chosen);

    struct FileType {
        const char* label;
        ExportFormat format;
        Glib::RefPtr<Gtk::FileFilter> filter;
    };

    Glib::RefPtr<Gtk::FileChooserNative> m_chooser;
    OwnedDialogs m_dialogs;
    std::vector<FileType> m_types;
    ExportFormat m_lastFormat = ExportFormat::png;
};

}  // namespace velk
