#include "EditorWindow.h"

#include <cstdio>

namespace velk {

EditorWindow::EditorWindow(std::shared_ptr<VelkDocument> document, SharedBytes editorPage, Services services)
    : m_document(std::move(document)) {
    auto tracing = services.trace.enabled() ? Tracing::on : Tracing::off;
    m_binding = std::make_unique<WebKitWebViewBinding>(EditorWebConfiguration::make(tracing), services.mainQueue);
    m_host = EditorWebHost::make(std::move(editorPage), m_document,
                                 {*m_binding, services.mainQueue, services.http, services.previews,
                                  services.workspace, std::move(services.feedbackURL), std::move(services.trace)});
    m_binding->attach(m_host);

    set_default_size(defaultWidth, defaultHeight);
    set_size_request(minimumWidth, minimumHeight);
    set_title(m_document->editorDocumentName().value_or("Untitled"));
    gtk_window_set_child(GTK_WINDOW(gobj()), m_binding->widget());
    m_host->loadEditor();
}

EditorWindow::~EditorWindow() {
    // The host goes before the binding it uses as its view.
    m_host.reset();
}

bool EditorWindow::on_close_request() {
    // Closing right after an edit must lose nothing: write before the window goes.
    if (auto closed = m_document->close(); !closed) {
        std::fprintf(stderr, "velk: %s\n", closed.error().description().c_str());
    }
    return false;
}

}  // namespace velk
