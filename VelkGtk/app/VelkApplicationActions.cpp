// The application's own menu commands (the app.* actions) and what editor windows ask of it.

#include "VelkApplication.h"

#include "app/HelpPages.h"
#include "document/PackagePlacement.h"
#include "package/MapNaming.h"
#include "share/ShareBase.h"
#include "share/ShareRecord.h"

#include <giomm/file.h>
#include <glibmm/main.h>
#include <unistd.h>

namespace velk {

void VelkApplication::addActions() {
    add_action("new", [this] { openDraft(std::string(newMapName)); });
    add_action("open", [this] { runOpen(); });
    // Paths are bytes, not always UTF-8, so the menu carries them as byte strings.
    add_action_with_parameter(std::string(MainMenu::openRecentActionName), Glib::VARIANT_TYPE_BYTESTRING,
                              [this](const Glib::VariantBase& target) {
                                  openPackage(Glib::VariantBase::cast_dynamic<Glib::Variant<std::string>>(target).get());
                              });
    add_action("clear-recent", [this] {
        if (m_recent) m_recent->clear();
    });
    add_action("quit", [this] { quitAfterClosingWindows(); });
    add_action("new-from-template", [this] { m_start->show(true); });
    add_action("start-window", [this] { m_start->show(false); });
    add_action("maps-folder", [this] { 
        Gtk::Window* parent = get_active_window();
        m_mapsFolder->choose(parent ? *parent : *m_startWindow, std::nullopt, [](const std::optional<std::string>&) {}); });
    add_action("about", [this] {
        m_about = makeAboutVelk(get_active_window());
        m_about->set_hide_on_close(true);
        m_about->present();
    });
    add_action("bring-all-to-front", [this] {
        for (auto* window : get_windows())
            if (window->get_visible()) window->present();
    });
    add_action_with_parameter(std::string(MainMenu::presentWindowActionName), Glib::VARIANT_TYPE_UINT32,
                              [this](const Glib::VariantBase& target) {
                                  presentWindow(Glib::VariantBase::cast_dynamic<Glib::Variant<guint32>>(target).get());
                              });
    add_action("shortcuts", [this] {
        // A build whose share service address is unusable has no page to show.
        if (auto page = HelpPages::shortcuts(defaultShareBase())) m_workspace.openURL(*page);
    });
    add_action("feedback", [this] { m_workspace.openURL(feedbackURL(std::nullopt)); });
}

void VelkApplication::refreshRecentMenu() {
    m_menu.recentMaps->remove_all();
    for (const auto& row : m_recent->rows(MapsFolder::home(m_paths.userFolders))) {
        auto item = Gio::MenuItem::create(MainMenu::literalLabel(row.name), "");
        item->set_action_and_target(std::string(MainMenu::openRecentAction), Glib::Variant<std::string>::create(row.path));
        m_menu.recentMaps->append_item(item);
    }
}

void VelkApplication::makeStartWindow() {
    m_mapsFolder = std::make_unique<MapsFolderPanel>(MapsFolderPanel::Setup{
        m_defaults, m_fileSystem, m_paths.mapsFolder, m_paths.userFolders, m_trace});
    m_startWindow = std::make_unique<StartWindow>(
        m_templatePreviews,
        StartWindow::Setup{m_menu.menu, buildText(), [this] { m_workspace.openURL(feedbackURL(std::nullopt)); },
                           [this] { startWindowClosed(); }});
    add_window(*m_startWindow);
    const std::string templates = PackagePlacement::join(m_paths.resources, "Templates");
    m_start = std::make_unique<StartWindowController>(
        StartWindowController::Services{
            m_fileSystem,
            PackagePlacement::exists(m_fileSystem, templates) ? std::optional<std::string>(templates) : std::nullopt,
            m_trace,
            [this] { return m_recent->rows(MapsFolder::home(m_paths.userFolders)); },
            [this](const std::string& package) { m_recent->remove(package); },
            [this](StartWindowController::FolderChosen then) {
                m_mapsFolder->folderForNewMap(*m_startWindow, std::move(then));
            },
            [this](const std::string& package) -> std::optional<PageAlert> {
                auto opened = tryOpenPackage(package);
                if (opened) return std::nullopt;
                return opened.error();
            },
            [this] { runOpen(); },
            [this](const std::string& package) { m_workspace.revealFile(package); },
            [this](const std::vector<MapTemplate>& listed) {
                m_templatePreviews.prepare(listed, m_start->templatesDirectory());
            }},
        *m_startWindow);
}

void VelkApplication::startWindowClosed() {
    if (openEditorWindows().empty()) quitAfterClosingWindows();
}

void VelkApplication::finishLaunching() {
    m_launched = true;
    m_trace([this] {
        return "didFinishLaunching: documents=" + std::to_string(openEditorWindows().size()) + " types=[VelkDocument]";
    });
    traceWindows("didFinishLaunching");
    Glib::signal_timeout().connect_once([this] { traceWindows("+2s"); }, 2000);
}

void VelkApplication::traceWindows(const std::string& tag) {
    if (!m_trace.enabled()) return;
    for (auto* window : get_windows()) {
        m_trace([&] {
            auto* numbered = dynamic_cast<Gtk::ApplicationWindow*>(window);
            return "window[" + tag + "] " + G_OBJECT_TYPE_NAME(window->gobj()) + " #" +
                   std::to_string(numbered ? numbered->get_id() : 0) + " frame=" + std::to_string(window->get_width()) +
                   "x" + std::to_string(window->get_height()) + " visible=" + (window->get_visible() ? "true" : "false") +
                   " title=\"" + std::string(window->get_title()) + "\"";
        });
    }
}

void VelkApplication::watchWindow(Gtk::Window& window) {
    window.property_title().signal_changed().connect([this] { refreshWindowList(); });
    window.property_visible().signal_changed().connect([this] { refreshWindowList(); });
}

void VelkApplication::refreshWindowList() {
    if (!m_menu.windows) return;
    m_menu.windows->remove_all();
    for (auto* window : get_windows()) {
        auto* numbered = dynamic_cast<Gtk::ApplicationWindow*>(window);
        if (!numbered || !window->get_visible()) continue;
        auto item = Gio::MenuItem::create(MainMenu::literalLabel(window->get_title().raw()), "");
        item->set_action_and_target(std::string(MainMenu::presentWindowAction), Glib::Variant<guint32>::create(numbered->get_id()));
        m_menu.windows->append_item(item);
    }
}

void VelkApplication::presentWindow(guint id) {
    if (auto* window = get_window_by_id(id)) window->present();
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
    m_quitting = true;
    m_startWindow->set_visible(false);
    for (auto* window : openEditorWindows()) window->close();
    if (openEditorWindows().empty()) quit();
}

void VelkApplication::showStartWindow() { m_start->show(false); }

void VelkApplication::duplicate(const VelkDocument& document) {
    openDraft(document.displayName() + " copy", ShareRecord::removed(document.core().tree()));
}

void VelkApplication::documentPlaced(const std::string& from, const std::string& to) {
    if (!m_recent) return;
    if (from.empty()) m_recent->add(to);
    else m_recent->moved(from, to);
}

}  // namespace velk
