#include "export/UnseenMapPage.h"

namespace velk {

std::shared_ptr<UnseenMapPage> UnseenMapPage::make(Services services, DocumentTree tree, SharedBytes html,
                                                   std::string readOnly) {
    return std::make_shared<UnseenMapPage>(services, std::move(tree), std::move(html), std::move(readOnly));
}

UnseenMapPage::UnseenMapPage(Services services, DocumentTree tree, SharedBytes html, std::string readOnly)
    : m_services(std::move(services)), m_core(std::move(tree)), m_html(std::move(html)), m_readOnly(std::move(readOnly)) {}

UnseenMapPage::~UnseenMapPage() { tearDown(); }

void UnseenMapPage::show(const std::string& url, int width, int height) {
    const auto tracing = m_services.trace.enabled() ? Tracing::on : Tracing::off;
    m_binding = std::make_unique<WebKitWebViewBinding>(EditorWebConfiguration::make(tracing), m_services.mainQueue);
    m_host = EditorWebHost::make(m_html, weak_from_this(),
                                 {*m_binding, m_services.mainQueue, m_services.http, m_services.previews,
                                  m_services.workspace, [](std::optional<std::string_view>) { return std::string(); },
                                  m_services.trace});
    m_binding->attach(m_host);

    m_window = std::make_unique<Gtk::Window>();
    m_window->set_decorated(false);
    m_window->set_default_size(width, height);
    gtk_window_set_child(GTK_WINDOW(m_window->gobj()), m_binding->widget());
    // Realized, never mapped: the surface exists but is never put on screen. The view is sized
    // and mapped by hand, which no frame of the unmapped window would do.
    gtk_widget_realize(GTK_WIDGET(m_window->gobj()));
    GtkWidget* view = m_binding->widget();
    int minimum = 0, natural = 0;
    gtk_widget_measure(view, GTK_ORIENTATION_HORIZONTAL, -1, &minimum, &natural, nullptr, nullptr);
    gtk_widget_measure(view, GTK_ORIENTATION_VERTICAL, width, &minimum, &natural, nullptr, nullptr);
    const GtkAllocation area{0, 0, width, height};
    gtk_widget_size_allocate(view, &area, -1);
    gtk_widget_map(view);
    m_binding->load(url, EditorWebHost::loadTimeout);
}

void UnseenMapPage::tearDown() {
    if (m_window) {
        if (m_binding) gtk_widget_unmap(m_binding->widget());
        gtk_window_set_child(GTK_WINDOW(m_window->gobj()), nullptr);
        gtk_widget_unrealize(GTK_WIDGET(m_window->gobj()));
    }
    m_window.reset();
    // The host goes before the binding it uses as its view.
    m_host.reset();
    m_binding.reset();
}

Expected<JSONValue, EditorDocumentError> UnseenMapPage::editorLoad() {
    if (!m_stateGiven) {
        m_stateGiven = std::chrono::steady_clock::now();
        if (m_whenStateGiven)
            m_services.mainQueue.runSoon([weak = weak_from_this()] {
                if (auto page = weak.lock(); page && page->m_whenStateGiven) std::exchange(page->m_whenStateGiven, nullptr)();
            });
    }
    auto state = m_core.state();
    if (!state) return Unexpected(EditorDocumentError(state.error()));
    return *state;
}

Expected<std::int64_t, EditorDocumentError> UnseenMapPage::editorSave(const JSONValue&) { return m_core.revision(); }

Expected<std::string, EditorDocumentError> UnseenMapPage::editorStoreMedia(std::string_view, std::string_view) {
    return Unexpected(EditorDocumentError(RenameError{m_readOnly}));
}

SharedBytes UnseenMapPage::editorMedia(std::string_view name, std::string_view directory) {
    return m_core.mediaData(name, directory);
}

}  // namespace velk
