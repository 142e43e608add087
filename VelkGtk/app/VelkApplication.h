#pragma once

// The desktop application object: one per user session (a second `velk MAP.velk` hands the map
// to the running instance), holding the services every editor window shares, the menu, the start
// window and the editor windows. `velk` with packages opens each in an editor window; with
// nothing to open it reopens the drafts an earlier run left, or else shows the start window. A
// draft lives in a folder of its own under the drafts folder until the user saves it somewhere.
//
// Linux has no Dock to keep a windowless app reachable, so: when the last map window closes the
// start window is shown; closing the start window while no map window is open quits; `velk`
// again while velk runs shows the start window when no map window is visible, and does nothing
// when one is.
//
// velk: links (velk://s/..., velk://h/...) reach the open signal too, on a cold start as well as
// in the running instance, and go to the link opener; the application holds itself while one is
// being fetched or its alert is up, and shows the start window if it ended with nothing on screen.
//
// Made once by main() (or by a test), which passes the paths it read from the process; the
// application reads no environment of its own. Main thread only.

#include "app/AboutVelk.h"
#include "app/EditorWindow.h"
#include "app/MapsFolderPanel.h"
#include "app/EditorWindowShell.h"
#include "app/MainMenu.h"
#include "app/OpenLinks.h"
#include "app/OwnedDialogs.h"
#include "app/PageAlert.h"
#include "document/DocumentOptions.h"
#include "app/RecentMapList.h"
#include "app/WindowSizeMemory.h"
#include "platform/CurlHttpClient.h"
#include "platform/GLibMainQueue.h"
#include "platform/GioWorkspace.h"
#include "platform/JSONFileDefaults.h"
#include "platform/PosixFileSystem.h"
#include "preview/LinkPreviewFetcher.h"
#include "start/StartWindow.h"
#include "start/StartWindowController.h"
#include "start/TemplatePreviews.h"

#include <gtkmm/application.h>
#include <gtkmm/filechoosernative.h>
#include <gtkmm/messagedialog.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velk {

class VelkApplication final : public Gtk::Application, public EditorWindowShell {
public:
    struct Paths {
        std::string resources;      // the resources folder (editor page, templates)
        std::string temporaryRoot;  // where draft maps live until they are saved
        // The user defaults file; empty keeps them beside the drafts (tests use that).
        std::string defaultsFile = {};
        // VELK_MAPS_FOLDER as the process had it: new maps go there without asking.
        std::optional<std::string> mapsFolder = {};
        MapsFolder::UserFolders userFolders = {};
        // The user's caches folder (template pictures); absent keeps no cache.
        std::optional<std::string> cachesFolder = {};
        // VELK_START_SNAPSHOTS as the process had it: velk writes pictures of the start window
        // there and quits.
        std::optional<std::string> startSnapshots = {};
    };

    // `documents` paces every document's thumbnails and outside-change checks (tests shorten it).
    [[nodiscard]] static Glib::RefPtr<VelkApplication> create(Paths paths, TraceSink trace,
                                                              DocumentOptions documents = {});
    ~VelkApplication() override;

    // Opens the package at `folder` (or the package of a map.canvas path) in a new window, or
    // tells the user why it cannot.
    EditorWindow* openPackage(const std::string& path);
    // The same, handing back what to tell the user instead of telling it.
    [[nodiscard]] Expected<EditorWindow*, PageAlert> tryOpenPackage(const std::string& path);
    // The open window of the package `folder`, if there is one.
    [[nodiscard]] EditorWindow* windowShowing(const std::string& folder) const;
    // The name of a new map until the user gives it one.
    static constexpr std::string_view newMapName = "Untitled";
    // Opens a new draft called `name`, holding `contents` (an empty map when absent).
    EditorWindow* openDraft(const std::string& name, std::optional<DocumentTree> contents = std::nullopt);
    [[nodiscard]] const std::vector<std::unique_ptr<EditorWindow>>& editorWindows() const noexcept {
        return m_windows;
    }

    [[nodiscard]] StartWindowController& startController() { return *m_start; }
    [[nodiscard]] StartWindow& startWindow() { return *m_startWindow; }
    [[nodiscard]] const MainMenu::Bar& menu() const noexcept { return m_menu; }
    // The editor windows that are open (not closing).
    [[nodiscard]] std::vector<EditorWindow*> openEditorWindows() const;

    void showStartWindow() override;
    void duplicate(const VelkDocument& document) override;
    void documentPlaced(const std::string& from, const std::string& to) override;
    void windowClosing(EditorWindow& window) override;
    void closeDeclined() override;
    [[nodiscard]] std::optional<std::string> placeInsideOpenMap(const std::string& folder,
                                                                const EditorWindow* besides) const override;

protected:
    VelkApplication(Paths paths, TraceSink trace, DocumentOptions documents);
    void on_startup() override;
    void on_activate() override;
    void on_open(const type_vec_files& files, const Glib::ustring& hint) override;
    void on_shutdown() override;

private:
    void addActions();
    void makeStartWindow();
    // With VELK_START_SNAPSHOTS: draws the start window's pictures and quits; true then.
    bool runSnapshots();
    // What velk does once the first activation or open is handled: the launch trace.
    void finishLaunching();
    void traceWindows(const std::string& tag);
    void refreshWindowList();
    void watchWindow(Gtk::Window& window);
    void presentWindow(guint id);
    // The start window went away: with no map window open, velk ends.
    void startWindowClosed();
    // Opens the drafts an earlier run left behind and returns how many.
    int reopenLeftoverDrafts();
    void refreshRecentMenu();
    void runOpen();
    void quitAfterClosingWindows();
    // Writes every document that holds changes, as the session ends or velk quits.
    // As velk ends with no one to ask, a map that cannot be written is kept as a draft.
    enum class KeepFailures { no, asDrafts };
    void saveAll(KeepFailures keep = KeepFailures::no);
    void keepAsDraft(const VelkDocument& document);
    // Asked to end from outside (SIGTERM at shutdown, a closed terminal, Ctrl+C): every page hands
    // over its last edits, every map is written, and velk ends without a question; drafts stay
    // where the next launch finds them.
    void endOnRequest();
    [[nodiscard]] std::string feedbackURL(std::optional<std::string_view> message);
    // The editor page, or absent after telling the user why there is none.
    std::optional<SharedBytes> editorPage();
    void tell(const PageAlert& alert);
    EditorWindow* show(std::shared_ptr<VelkDocument> document, SharedBytes page);
    // The link opener and what it asks of the desktop (VelkApplicationLinks.cpp).
    void makeLinkOpener();
    // The window questions and alerts about a link go over: the focused map window, else the start window.
    [[nodiscard]] Gtk::Window& linkParent();
    void presentLinkAlert(const OpenLinks::Alert& alert, std::function<void(OpenLinks::Choice)> answered);
    void linkHandled();

    Paths m_paths;
    TraceSink m_trace;
    GLibMainQueue m_mainQueue;
    PosixFileSystem m_fileSystem;
    JSONFileDefaults m_defaults;
    WindowSizeMemory m_sizeMemory;
    CurlHttpClient m_http;
    LinkPreviewFetcher m_previews;
    GioWorkspace m_workspace;
    MainMenu::Bar m_menu;
    TemplatePreviews m_templatePreviews;
    std::unique_ptr<MapsFolderPanel> m_mapsFolder;
    std::unique_ptr<StartWindow> m_startWindow;
    std::unique_ptr<StartWindowController> m_start;
    std::unique_ptr<Gtk::AboutDialog> m_about;
    bool m_launched = false;
    // Quit was asked: windows closing now do not bring the start window back.
    bool m_quitting = false;
    struct KeptDraft {
        std::weak_ptr<const VelkDocument> document;
        std::int64_t revision;
        std::string home;  // the draft's folder
    };
    std::vector<KeptDraft> m_keptAsDrafts;
    std::vector<guint> m_endRequests;  // the signal sources that call endOnRequest()
    sigc::connection m_endingLimit;
    std::optional<RecentMapList> m_recent;
    Glib::RefPtr<Gtk::FileChooserNative> m_openChooser;
    std::vector<std::unique_ptr<EditorWindow>> m_windows;
    // The one alert on screen; it holds the application until dismissed.
    std::unique_ptr<Gtk::MessageDialog> m_alert;
    DocumentOptions m_documentOptions;
    OwnedDialogs m_linkDialogs;
    // Links being fetched, asked about or alerted about.
    int m_linkHolds = 0;
    // Last, so it goes first: nothing it calls back into is gone before it.
    std::unique_ptr<OpenLinks> m_links;
};

}  // namespace velk
