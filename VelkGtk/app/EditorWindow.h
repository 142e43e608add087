#pragma once

// A window that edits one map package: the editor page in a WebKit view, served and answered by
// the window's EditorWebHost on behalf of its VelkDocument. Closing the window writes what the
// document still holds.
//
// Ownership: the window owns the document, the view binding and the host; the host refers to the
// binding as its WebView and to the document weakly, so the host goes first, then the binding,
// then the document. Main thread only.

#include "bridge/EditorWebHost.h"
#include "document/VelkDocument.h"
#include "platform/WebKitWebViewBinding.h"

#include <gtkmm/applicationwindow.h>

#include <memory>

namespace velk {

class EditorWindow final : public Gtk::ApplicationWindow {
public:
    static constexpr int defaultWidth = 1200;
    static constexpr int defaultHeight = 800;
    static constexpr int minimumWidth = 480;
    static constexpr int minimumHeight = 320;

    // What every editor window shares, owned by the application.
    struct Services {
        MainQueue& mainQueue;
        HttpClient& http;
        LinkPreviewFetcher& previews;
        Workspace& workspace;
        EditorWebHost::FeedbackLink feedbackURL;
        TraceSink trace;
    };

    EditorWindow(std::shared_ptr<VelkDocument> document, SharedBytes editorPage, Services services);
    ~EditorWindow() override;

    [[nodiscard]] VelkDocument& document() const noexcept { return *m_document; }
    [[nodiscard]] WebKitWebViewBinding& webView() const noexcept { return *m_binding; }

private:
    bool on_close_request() override;

    std::shared_ptr<VelkDocument> m_document;
    std::unique_ptr<WebKitWebViewBinding> m_binding;
    std::shared_ptr<EditorWebHost> m_host;
};

}  // namespace velk
