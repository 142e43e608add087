// The application's own menu commands (the app.* actions) and what editor windows ask of it.

#include "VelkApplication.h"

#include "app/HelpPages.h"
#include "document/PackagePlacement.h"
#include "package/MapNaming.h"
#include "share/ShareBase.h"

#include <giomm/file.h>

namespace velk {

void VelkApplication::addActions() {
    add_action("new", [this] { openDraft(std::string(newMapName)); });
    add_action("open", [this] { runOpen(); });
    add_action_with_parameter(std::string(MainMenu::openRecentActionName), Glib::VARIANT_TYPE_STRING,
                              [this](const Glib::VariantBase& target) {
                                  openPackage(Glib::VariantBase::cast_dynamic<Glib::Variant<Glib::ustring>>(target).get());
                              });
    add_action("clear-recent", [this] {
        if (m_recent) m_recent->clear();
    });
    add_action("quit", [this] { quitAfterClosingWindows(); });
    add_action("shortcuts", [this] {
        // A build whose share service address is unusable has no page to show.
        if (auto page = HelpPages::shortcuts(defaultShareBase())) m_workspace.openURL(*page);
    });
    add_action("feedback", [this] { m_workspace.openURL(feedbackURL(std::nullopt)); });
}

void VelkApplication::refreshRecentMenu() {
    m_menu.recentMaps->remove_all();
    for (const auto& package : m_recent->packages()) {
        auto item = Gio::MenuItem::create(MapNaming::displayName(PackagePlacement::lastComponent(package)), "");
        item->set_action_and_target(std::string(MainMenu::openRecentAction), Glib::Variant<Glib::ustring>::create(package));
        m_menu.recentMaps->append_item(item);
    }
}

void VelkApplication::runOpen() {
    // A map is a folder (Trip.velk, or any folder holding a map.canvas), so the user picks the
    // folder itself, as the file manager shows it, rather than a file inside it.
    m_openChooser =
        Gtk::FileChooserNative::create("Open Map", Gtk::FileChooser::Action::SELECT_FOLDER, "_Open", "_Cancel");
    m_openChooser->signal_response().connect([this](int response) {
        if (response != Gtk::ResponseType::ACCEPT) return;
        if (auto file = m_openChooser->get_file(); file && !file->get_path().empty()) openPackage(file->get_path());
    });
    m_openChooser->show();
}

void VelkApplication::quitAfterClosingWindows() {
    // Each window writes its map as it closes, and a draft asks where to go first; the
    // application ends when the last window has gone. Closing removes windows from the list.
    std::vector<EditorWindow*> open;
    for (const auto& window : m_windows)
        if (!window->hasClosed()) open.push_back(window.get());
    for (auto* window : open) window->close();
    if (std::ranges::all_of(m_windows, [](const auto& window) { return window->hasClosed(); })) quit();
}

void VelkApplication::showStartWindow() {
    // Until velk has a start window, home is choosing a map to open.
    runOpen();
}

void VelkApplication::duplicate(const VelkDocument& document) {
    openDraft(document.displayName() + " copy", document.core().tree());
}

void VelkApplication::documentPlaced(const std::string& from, const std::string& to) {
    if (!m_recent) return;
    if (from.empty()) m_recent->add(to);
    else m_recent->moved(from, to);
}

}  // namespace velk
