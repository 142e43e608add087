#pragma once

// The desktop side of the maps folder: where new maps go, and asking the user when velk does not
// know. VELK_MAPS_FOLDER wins when it is set (nothing is read, written or tested then); else the
// folder remembered in the user defaults, unless it is gone or in the trash; else the user is
// asked. Asking first says why in a message dialog (the reasons are sentences no chooser title
// shows whole, and a desktop's own folder chooser takes no extra text), then opens the folder
// chooser in Documents/velk or Documents, with "Keep Maps Here" as its button. Choosing Documents
// keeps maps in Documents/velk; the folder is made when missing and remembered. When that fails
// an alert says why and no folder is given.
//
// Linux grants no access scopes, so there is no access to open or close. Answers come through
// callbacks, since the dialogs do not block. Main thread only.

#include "OwnedDialogs.h"
#include "platform/Defaults.h"
#include "platform/FileSystem.h"
#include "shell/MapsFolder.h"
#include "trace/TraceSink.h"

#include <gtkmm/filechoosernative.h>
#include <gtkmm/window.h>

#include <functional>
#include <optional>
#include <string>

namespace velk {

class MapsFolderPanel {
public:
    using Chosen = std::function<void(std::optional<std::string>)>;

    struct Setup {
        Defaults& defaults;
        FileSystem& fileSystem;
        std::optional<std::string> overrideFolder;  // VELK_MAPS_FOLDER as the process had it
        MapsFolder::UserFolders userFolders;
        TraceSink trace;
    };

    static constexpr std::string_view chooseButton = "Choose Folder…";

    explicit MapsFolderPanel(Setup setup);

    // The folder for a new map; nothing when the user cancelled.
    void folderForNewMap(Gtk::Window& parent, Chosen then);
    // Asks the user for the maps folder, for `reason` or (none) because they asked to change it.
    void choose(Gtk::Window& parent, std::optional<MapsFolder::Reason> reason, Chosen then);

private:
    [[nodiscard]] MapsFolder::Resolution current();
    void runChooser(Gtk::Window& parent, Chosen then);
    void keep(Gtk::Window& parent, const std::string& choice, const Chosen& then);

    Setup m_setup;
    OwnedDialogs m_dialogs;
    Glib::RefPtr<Gtk::FileChooserNative> m_chooser;
    Chosen m_chooserThen;  // who waits on the chooser that is up
};

}  // namespace velk
