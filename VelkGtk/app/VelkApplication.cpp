#include "VelkApplication.h"

#include "BuildStamp.h"

#include "app/OpenTarget.h"
#include "bridge/EditorBundle.h"
#include "document/Drafts.h"
#include "document/PackagePlacement.h"
#include "package/MapNaming.h"
#include "package/PackageStore.h"
#include "platform/SoftwareGL.h"
#include "share/ShareBase.h"
#include "shell/Beta.h"
#include "shell/Updates.h"
#include "start/StartWindowSpec.h"
#include "start/StartSnapshots.h"
#include "start/TemplateRenderer.h"
#include "trace/Trace.h"

#include <glib.h>
#include <glib-unix.h>
#include <glibmm/main.h>
#include <gtkmm/icontheme.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <random>

namespace velk {

namespace {

constexpr const char* applicationID = "dev.velk.Velk";

std::string defaultsFileFor(const VelkApplication::Paths& paths) {
    if (!paths.defaultsFile.empty()) return paths.defaultsFile;
    return PackagePlacement::join(paths.temporaryRoot, "defaults.json");
}

}  // namespace

Glib::RefPtr<VelkApplication> VelkApplication::create(Paths paths, TraceSink trace, DocumentOptions documents) {
    return Glib::make_refptr_for_instance<VelkApplication>(
        new VelkApplication(std::move(paths), std::move(trace), std::move(documents)));
}

VelkApplication::VelkApplication(Paths paths, TraceSink trace, DocumentOptions documents)
    : Gtk::Application(applicationID, Gio::Application::Flags::HANDLES_OPEN),
      m_paths(std::move(paths)),
      m_trace(std::move(trace)),
      m_defaults(m_fileSystem, defaultsFileFor(m_paths)),
      m_sizeMemory(m_defaults),
      m_http(CurlHttpClient::Options{"velk/" VELK_VERSION " (Linux)", std::nullopt, CurlHttpClient::LoopbackRoute::checked}),
      m_previews(m_http),
      m_templatePreviews(TemplatePreviews::Services{
          m_fileSystem, m_paths.resources, m_paths.cachesFolder, applicationID, VELK_BUILD_NUMBER, m_trace,
          [this](DocumentTree tree, SharedBytes page, TemplatePreviews::Done done) {
              return TemplateRenderer::make({m_mainQueue, m_http, m_previews, m_workspace, m_trace}, std::move(tree),
                                            std::move(page), std::move(done));
          }}),
      m_documentOptions(std::move(documents)) {
    m_documentOptions.trace = m_trace;
}

VelkApplication::~VelkApplication() {
    for (const guint source : m_endRequests) g_source_remove(source);
    m_endingLimit.disconnect();
    // Windows (and their hosts) go before the services they use; the start window before the
    // controller whose model it still observes.
    m_windows.clear();
    m_alert.reset();
    m_startWindow.reset();
}

void VelkApplication::on_startup() {
    Gtk::Application::on_startup();
    m_trace([] { return std::string("willFinishLaunching"); });
    drawWindowsInSoftwareWhereOpenGLIs();
    // The app's icon sits in the icon theme beside the resources, installed or in the build tree,
    // so it is found whatever prefix velk is installed into.
    Gtk::IconTheme::get_for_display(Gdk::Display::get_default())
        ->add_search_path(PackagePlacement::join(PackagePlacement::parentFolder(m_paths.resources), "icons"));
    // Every window shows the menu in its header bar; a menu bar GTK would hand to the desktop
    // shows nowhere on most of them.
    m_menu = MainMenu::build();
    addActions();
    for (const auto& accelerator : MainMenu::accelerators()) set_accels_for_action(accelerator.action, accelerator.keys);
    m_recent.emplace(Gtk::RecentManager::get_default());
    m_recent->signalChanged().connect([this] { refreshRecentMenu(); });
    refreshRecentMenu();
    makeStartWindow();
    makeLinkOpener();
    signal_window_added().connect([this](Gtk::Window* window) {
        watchWindow(*window);
        refreshWindowList();
    });
    signal_window_removed().connect([this](Gtk::Window*) { refreshWindowList(); });
    // A snapshot run draws its pictures and quits; it checks for no updates.
    if (!m_paths.startSnapshots) Updates::start();
    // The session manager asks before logging out; whatever is pending is written then.
    property_register_session() = true;
    signal_query_end().connect([this] { saveAll(); });
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        m_endRequests.push_back(g_unix_signal_add(
            signal,
            [](gpointer application) -> gboolean {
                static_cast<VelkApplication*>(application)->endOnRequest();
                return G_SOURCE_CONTINUE;
            },
            this));
    }
}

void VelkApplication::on_activate() {
    if (runSnapshots()) return;
    if (m_launched) {
        // velk started again while it runs: the start window, unless a map window is in sight.
        const auto open = openEditorWindows();
        const bool visible = std::ranges::any_of(open, [](EditorWindow* window) { return window->get_visible(); });
        if (StartWindowSpec::showsOnReopen(visible)) m_start->show(false);
        return;
    }
    // Nothing to open: the drafts a past session left, or else the start window.
    if (reopenLeftoverDrafts() == 0) {
        m_trace([] { return std::string("applicationShouldOpenUntitledFile -> start window"); });
        m_start->show(false);
    }
    finishLaunching();
}

bool VelkApplication::runSnapshots() {
    if (!m_paths.startSnapshots) return false;
    if (m_launched) return true;
    m_launched = true;
    // Held while the pictures are drawn: no window of velk's own is open meanwhile.
    hold();
    StartSnapshots({m_fileSystem, m_start->templatesDirectory(), m_templatePreviews, buildText(), m_trace,
                    std::string(g_get_tmp_dir())})
        .run(*m_paths.startSnapshots);
    release();
    quit();
    return true;
}

std::vector<EditorWindow*> VelkApplication::openEditorWindows() const {
    std::vector<EditorWindow*> open;
    for (const auto& window : m_windows)
        if (!window->hasClosed()) open.push_back(window.get());
    return open;
}

EditorWindow* VelkApplication::windowShowing(const std::string& folder) const {
    // Compared as folders on disk too: two windows on one package, one of them reached through a
    // symbolic link, would each take the other's saves for another program's changes.
    const auto same = [&](const std::string& shown) {
        std::error_code unknown;
        return shown == folder || std::filesystem::equivalent(shown, folder, unknown);
    };
    for (const auto& window : m_windows)
        if (!window->hasClosed() && same(window->document().folder())) return window.get();
    return nullptr;
}

namespace {

// Whether `inner` lies strictly inside `outer`, both taken as the disk resolves them.
bool liesInside(const std::string& inner, const std::string& outer) {
    std::error_code unknown;
    const auto in = std::filesystem::weakly_canonical(inner, unknown);
    const auto out = std::filesystem::weakly_canonical(outer, unknown);
    const auto [outerEnd, innerRest] = std::mismatch(out.begin(), out.end(), in.begin(), in.end());
    return outerEnd == out.end() && innerRest != in.end() && !out.empty();
}

}  // namespace

std::optional<std::string> VelkApplication::placeInsideOpenMap(const std::string& folder, const EditorWindow* besides) const {
    for (EditorWindow* window : openEditorWindows()) {
        if (window == besides) continue;
        const std::string& shown = window->document().folder();
        const bool inside = liesInside(folder, shown);
        if (!inside && !liesInside(shown, folder)) continue;
        const std::string name = "\u201c" + window->document().displayName() + "\u201d";
        return (inside ? "It lies inside the map " : "It holds the map ") + name + ", which is open. Close " + name + " first.";
    }
    return std::nullopt;
}

int VelkApplication::reopenLeftoverDrafts() {
    int reopened = 0;
    for (const auto& package : Drafts::leftovers(m_fileSystem, m_paths.temporaryRoot)) {
        if (windowShowing(package)) continue;
        auto document = VelkDocument::reopenDraft(package, MapNaming::displayName(PackagePlacement::lastComponent(package)),
                                                  m_fileSystem, m_mainQueue);
        if (!document) continue;
        // A draft nobody wrote anything in is not worth a window.
        if ((*document)->isBlank()) {
            (*document)->discardDraft();
            continue;
        }
        auto page = editorPage();
        if (!page) break;
        show(*document, *page);
        ++reopened;
    }
    return reopened;
}

void VelkApplication::on_open(const type_vec_files& files, const Glib::ustring&) {
    if (runSnapshots()) return;
    for (const auto& file : files) {
        if (file->has_uri_scheme(std::string(SharedLink::scheme))) m_links->open(file->get_uri());
        else if (auto path = file->get_path(); !path.empty()) openPackage(path);
    }
    if (m_launched) return;
    // What a past session left unsaved comes back however velk is started.
    reopenLeftoverDrafts();
    finishLaunching();
}

void VelkApplication::on_shutdown() {
    saveAll(KeepFailures::asDrafts);
    Gtk::Application::on_shutdown();
}

void VelkApplication::endOnRequest() {
    if (m_endingLimit.connected()) return;
    m_quitting = true;
    const auto ended = std::make_shared<bool>(false);
    const auto end = [this, ended] {
        if (std::exchange(*ended, true)) return;
        m_endingLimit.disconnect();
        saveAll(KeepFailures::asDrafts);
        quit();
    };
    // Each page has its own limit; this one only covers a window that goes meanwhile.
    m_endingLimit = Glib::signal_timeout().connect([end] { end(); return false; }, 5000);
    const auto windows = openEditorWindows();
    const auto waiting = std::make_shared<std::size_t>(windows.size());
    if (windows.empty()) end();
    for (EditorWindow* window : windows)
        window->afterPageChanges([waiting, end] {
            if (--*waiting == 0) end();
        });
}

void VelkApplication::saveAll(KeepFailures keep) {
    for (const auto& window : m_windows) {
        if (window->hasClosed()) continue;
        if (auto saved = window->document().save(); !saved) {
            std::fprintf(stderr, "velk: %s\n", saved.error().description().c_str());
            if (keep == KeepFailures::asDrafts) keepAsDraft(window->document());
        }
    }
}

// velk ends with no one to ask, and a map that cannot be written where it belongs (its disk is
// full, another program moved it) would lose its edits: they go among the drafts, which the next
// launch opens again.
void VelkApplication::keepAsDraft(const VelkDocument& document) {
    if (document.isDraft()) return;
    // Once for each version: velk's own end saves again after the signal's.
    const std::int64_t revision = document.core().revision();
    const auto same = [&](const KeptDraft& kept) { return kept.document.lock().get() == &document; };
    const auto earlier = std::ranges::find_if(m_keptAsDrafts, same);
    if (earlier != m_keptAsDrafts.end() && earlier->revision == revision) return;
    auto home = Drafts::makeHome(m_paths.temporaryRoot);
    if (!home) return;
    // Named so that the draft, when it opens again, says what it holds.
    const std::string name = document.displayName() + " (unsaved edits)";
    const std::string package = PackagePlacement::join(*home, MapNaming::packageFileName(name));
    if (auto kept = PackageStore(m_fileSystem, package).create(document.core().tree()); !kept) {
        std::fprintf(stderr, "velk: %s\n", kept.error().description().c_str());
        (void)PackagePlacement::removeTree(m_fileSystem, *home);
        return;
    }
    // A version kept before is older: only the newest comes back.
    if (earlier != m_keptAsDrafts.end()) {
        (void)PackagePlacement::removeTree(m_fileSystem, earlier->home);
        m_keptAsDrafts.erase(earlier);
    }
    m_keptAsDrafts.push_back({document.weak_from_this(), revision, *home});
    std::fprintf(stderr, "velk: the changes to %s are kept in %s\n", document.folder().c_str(), package.c_str());
}

EditorWindow* VelkApplication::openPackage(const std::string& path) {
    auto opened = tryOpenPackage(path);
    if (!opened) {
        tell(opened.error());
        return nullptr;
    }
    return *opened;
}

Expected<EditorWindow*, PageAlert> VelkApplication::tryOpenPackage(const std::string& path) {
    auto target = packageToOpen(path, [this](const std::string& candidate) {
        return PackagePlacement::exists(m_fileSystem, candidate);
    });
    const std::string heading =
        "velk cannot open \u201c" + PackagePlacement::lastComponent(target.value_or(path)) + "\u201d";
    if (!target) {
        return Unexpected(
            PageAlert{heading, "A map is a folder whose name ends in \u201c.velk\u201d, or a folder holding a map.canvas."});
    }
    const std::string& folder = *target;
    if (auto* shown = windowShowing(folder)) {
        shown->callOffClose();
        shown->present();
        return shown;
    }
    if (auto reason = placeInsideOpenMap(folder, nullptr)) return Unexpected(PageAlert{heading, std::move(*reason)});
    auto page = EditorBundle::html(m_paths.resources, m_fileSystem);
    if (auto alert = pageAlert(page)) return Unexpected(*alert);
    auto document = VelkDocument::open(folder, m_fileSystem, m_mainQueue);
    if (!document) return Unexpected(PageAlert{heading, document.error().description()});
    return show(*document, *page);
}

EditorWindow* VelkApplication::openDraft(const std::string& name, std::optional<DocumentTree> contents) {
    auto page = editorPage();
    if (!page) return nullptr;
    // New and Duplicate answer a click: a failure is told, not only logged.
    const std::string heading = "The new map could not be made";
    auto home = Drafts::makeHome(m_paths.temporaryRoot);
    if (!home) {
        tell({heading, "velk cannot make a folder for it in " + m_paths.temporaryRoot + "."});
        return nullptr;
    }
    auto document = VelkDocument::createDraft(PackagePlacement::join(*home, MapNaming::packageFileName(name)), name,
                                              m_fileSystem, m_mainQueue, std::move(contents));
    if (!document) {
        tell({heading, document.error().description()});
        (void)PackagePlacement::removeTree(m_fileSystem, *home);
        return nullptr;
    }
    return show(*document, *page);
}

std::optional<SharedBytes> VelkApplication::editorPage() {
    auto page = EditorBundle::html(m_paths.resources, m_fileSystem);
    if (auto alert = pageAlert(page)) {
        // No window without the editor page.
        tell(*alert);
        return std::nullopt;
    }
    return *page;
}

void VelkApplication::tell(const PageAlert& alert) {
    std::fprintf(stderr, "velk: %s\n", alert.detail.c_str());
    // Several maps opened at once would otherwise stack one dialog per map.
    if (m_alert) {
        m_alert->present();
        return;
    }
    m_alert = std::make_unique<Gtk::MessageDialog>(alert.heading, false, Gtk::MessageType::ERROR,
                                                   Gtk::ButtonsType::CLOSE, true);
    m_alert->set_secondary_text(alert.detail);
    add_window(*m_alert);
    m_alert->signal_response().connect([this](int) {
        m_alert->hide();
        remove_window(*m_alert);
        // Destroyed later: the response signal is still running on it. Let go of it now, so a
        // new alert before then gets a dialog of its own.
        std::shared_ptr<Gtk::MessageDialog> dismissed(m_alert.release());
        m_mainQueue.runSoon([dismissed] {});
        // Nothing else on screen (a map named at launch could not be opened): velk stays in reach.
        if (openEditorWindows().empty() && !m_start->isVisible()) m_start->show(false);
    });
    m_alert->present();
}

std::string VelkApplication::feedbackURL(std::optional<std::string_view> message) {
    const Beta::RandomSource random = [] {
        std::random_device device;
        return (static_cast<std::uint64_t>(device()) << 32) | device();
    };
    return Beta::feedbackURL(m_defaults, random, VELK_VERSION, message);
}

EditorWindow* VelkApplication::show(std::shared_ptr<VelkDocument> document, SharedBytes page) {
    document->setOptions(m_documentOptions);
    auto window = std::make_unique<EditorWindow>(
        std::move(document), std::move(page),
        EditorWindow::Services{m_mainQueue, m_http, m_previews, m_workspace,
                               [this](std::optional<std::string_view> message) { return feedbackURL(message); },
                               m_trace, m_menu.menu, chosenShareBase(m_defaults.string(OpenLinks::shareBaseKey))},
        *this, m_sizeMemory.open());
    EditorWindow* shown = window.get();
    m_windows.push_back(std::move(window));
    add_window(*shown);
    shown->present();
    m_trace([shown] {
        // GTK sizes the window later; the size asked for is what it opens at.
        int width = 0, height = 0;
        shown->get_default_size(width, height);
        return "showWindows: #" + std::to_string(shown->get_id()) + " size=" + std::to_string(width) + " x " +
               std::to_string(height) + " visible=" + (shown->get_visible() ? "true" : "false");
    });
    return shown;
}

void VelkApplication::windowClosing(EditorWindow& window) {
    m_sizeMemory.close(window.sizeOpening(), window.rememberedSize());
    remove_window(window);
    // Destroyed later: its close request is still running.
    m_mainQueue.runSoon([this, closing = &window] {
        std::erase_if(m_windows, [closing](const auto& held) { return held.get() == closing; });
    });
    if (!openEditorWindows().empty()) return;
    // The last map window went: velk ends when that was asked for, else the start window shows.
    if (m_quitting) quit();
    else m_start->show(false);
}

// A window kept open stops a quit under way; closing the last window later shows the start window.
void VelkApplication::closeDeclined() { m_quitting = false; }

}  // namespace velk
