#include "MapsFolderPanel.h"

#include "shell/BookmarkCoding.h"
#include "shell/BookmarkStore.h"
#include "start/RecentMaps.h"

#include <giomm/file.h>
#include <gtkmm/messagedialog.h>

#include <utility>

namespace velk {

MapsFolderPanel::MapsFolderPanel(Setup setup) : m_setup(std::move(setup)) {}

MapsFolder::Resolution MapsFolderPanel::current() {
    DefaultsBookmarkStore store(m_setup.defaults);
    PathBookmarks coding;
    return MapsFolder::forNewMap(m_setup.overrideFolder, store, coding, MapsFolder::homeTrash(m_setup.userFolders));
}

void MapsFolderPanel::folderForNewMap(Gtk::Window& parent, Chosen then) {
    const auto resolution = current();
    if (const auto* folder = std::get_if<MapsFolder::Folder>(&resolution)) {
        then(folder->path);
        return;
    }
    choose(parent, std::get<MapsFolder::Ask>(resolution).reason, std::move(then));
}

void MapsFolderPanel::choose(Gtk::Window& parent, std::optional<MapsFolder::Reason> reason, Chosen then) {
    auto question = std::make_unique<Gtk::MessageDialog>(parent, std::string(MapsFolder::chooserMessage(reason)), false,
                                                         Gtk::MessageType::QUESTION, Gtk::ButtonsType::NONE, true);
    if (!reason) {
        // Asked from the menu: say where new maps go now.
        const auto resolution = current();
        if (const auto* folder = std::get_if<MapsFolder::Folder>(&resolution)) {
            const std::string shown = RecentMaps::abbreviated(folder->path, MapsFolder::home(m_setup.userFolders));
            question->set_secondary_text(
                MapsFolder::overridden(m_setup.overrideFolder)
                    ? "VELK_MAPS_FOLDER is set, so new maps go to " + shown + " until it is unset."
                    : "New maps go to " + shown + " now.");
        }
    }
    question->add_button("Cancel", Gtk::ResponseType::CANCEL);
    question->add_button(std::string(chooseButton), Gtk::ResponseType::ACCEPT);
    question->set_default_response(Gtk::ResponseType::ACCEPT);
    auto& shown = m_dialogs.show(std::move(question));
    shown.signal_response().connect([this, &shown, &parent, then = std::move(then)](int response) {
        m_dialogs.dismiss(shown);
        if (response == Gtk::ResponseType::ACCEPT) runChooser(parent, then);
        else then(std::nullopt);
    });
}

void MapsFolderPanel::runChooser(Gtk::Window& parent, Chosen then) {
    // A chooser still up (asked for from another window) goes with this new one, and whoever waits
    // on it hears "nothing chosen": the start window would otherwise wait, and ignore every
    // template, for good.
    if (auto waiting = std::exchange(m_chooserThen, nullptr)) waiting(std::nullopt);
    m_chooserThen = std::move(then);
    m_chooser = Gtk::FileChooserNative::create("Maps Folder", parent, Gtk::FileChooser::Action::SELECT_FOLDER,
                                               std::string(MapsFolder::chooserButton), "_Cancel");
    m_chooser->set_modal(true);
    m_chooser->set_create_folders(true);
    m_chooser->set_select_multiple(false);
    const std::string documents = MapsFolder::realDocuments(m_setup.userFolders);
    try {
        m_chooser->set_current_folder(Gio::File::create_for_path(MapsFolder::chooserStart(documents, MapsFolder::isDirectory)));
    } catch (const Glib::Error&) {
        // A Documents folder the chooser cannot show: it opens where it likes.
    }
    m_chooser->signal_response().connect([this, &parent](int response) {
        const Chosen then = std::exchange(m_chooserThen, nullptr);
        if (!then) return;
        auto file = response == Gtk::ResponseType::ACCEPT ? m_chooser->get_file() : Glib::RefPtr<Gio::File>();
        if (!file || file->get_path().empty()) {
            then(std::nullopt);
            return;
        }
        keep(parent, file->get_path(), then);
    });
    m_chooser->show();
}

void MapsFolderPanel::keep(Gtk::Window& parent, const std::string& choice, const Chosen& then) {
    DefaultsBookmarkStore store(m_setup.defaults);
    PathBookmarks coding;
    const auto kept = MapsFolder::keep(choice, MapsFolder::realDocuments(m_setup.userFolders), m_setup.fileSystem, store,
                                       coding, MapsFolder::homeTrash(m_setup.userFolders));
    if (!kept) {
        auto alert = std::make_unique<Gtk::MessageDialog>(parent, "velk can\u2019t keep maps in this folder", false,
                                                          Gtk::MessageType::ERROR, Gtk::ButtonsType::CLOSE, true);
        alert->set_secondary_text(MapsFolder::describe(kept.error()));
        auto& shown = m_dialogs.show(std::move(alert));
        shown.signal_response().connect([this, &shown](int) { m_dialogs.dismiss(shown); });
        then(std::nullopt);
        return;
    }
    const auto* folder = std::get_if<MapsFolder::Folder>(&*kept);
    if (!folder) {
        then(std::nullopt);
        return;
    }
    m_setup.trace([&] { return "MapsFolder: " + folder->path; });
    then(folder->path);
}

}  // namespace velk
