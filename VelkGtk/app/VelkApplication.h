#pragma once

// The desktop application object: one per user session (a second `velk MAP.velk` hands the map
// to the running instance), holding the services every editor window shares and the windows
// themselves. `velk` with packages opens each in an editor window; with nothing to open it makes
// a new empty map in a temporary folder until the start window exists.
//
// Made once by main() (or by a test), which passes the paths it read from the process; the
// application reads no environment of its own. Main thread only.

#include "app/EditorWindow.h"
#include "app/PageAlert.h"
#include "document/DocumentOptions.h"
#include "platform/GLibMainQueue.h"
#include "platform/GioWorkspace.h"
#include "platform/PosixFileSystem.h"
#include "platform/CurlHttpClient.h"
#include "preview/LinkPreviewFetcher.h"

#include <gtkmm/application.h>
#include <gtkmm/messagedialog.h>

#include <memory>
#include <string>
#include <vector>

namespace velk {

class VelkApplication final : public Gtk::Application {
public:
    struct Paths {
        std::string resources;      // the resources folder (editor page, templates)
        std::string temporaryRoot;  // where new unsaved maps go for now
    };

    // `documents` paces every document's thumbnails and outside-change checks (tests shorten it).
    [[nodiscard]] static Glib::RefPtr<VelkApplication> create(Paths paths, TraceSink trace,
                                                              DocumentOptions documents = {});
    ~VelkApplication() override;

    // Opens the package at `folder` (or the package of a map.canvas path) in a new window.
    EditorWindow* openPackage(const std::string& path);
    [[nodiscard]] const std::vector<std::unique_ptr<EditorWindow>>& editorWindows() const noexcept {
        return m_windows;
    }

protected:
    VelkApplication(Paths paths, TraceSink trace, DocumentOptions documents);
    void on_activate() override;
    void on_open(const type_vec_files& files, const Glib::ustring& hint) override;

private:
    // The editor page, or absent after telling the user why there is none.
    std::optional<SharedBytes> editorPage();
    void tell(const PageAlert& alert);
    EditorWindow* show(std::shared_ptr<VelkDocument> document, SharedBytes page);
    void forget(EditorWindow* window);

    Paths m_paths;
    TraceSink m_trace;
    GLibMainQueue m_mainQueue;
    PosixFileSystem m_fileSystem;
    CurlHttpClient m_http;
    LinkPreviewFetcher m_previews;
    GioWorkspace m_workspace;
    std::vector<std::unique_ptr<EditorWindow>> m_windows;
    // The one alert on screen; it holds the application until dismissed.
    std::unique_ptr<Gtk::MessageDialog> m_alert;
    DocumentOptions m_documentOptions;
};

}  // namespace velk
