#include "TemplateRenderer.h"

#include "start/TemplatePreviewLayout.h"

namespace velk {

namespace Layout = TemplatePreviewLayout;

std::shared_ptr<TemplateRenderer> TemplateRenderer::make(Services services, DocumentTree tree, SharedBytes html,
                                                         TemplatePreviews::Done done) {
    return std::make_shared<TemplateRenderer>(services, std::move(tree), std::move(html), std::move(done));
}

TemplateRenderer::TemplateRenderer(Services services, DocumentTree tree, SharedBytes html, TemplatePreviews::Done done)
    : m_services(std::move(services)), m_core(std::move(tree)), m_html(std::move(html)), m_done(std::move(done)) {}

TemplateRenderer::~TemplateRenderer() { tearDown(); }

void TemplateRenderer::start() {
    const auto tracing = m_services.trace.enabled() ? Tracing::on : Tracing::off;
    m_binding = std::make_unique<WebKitWebViewBinding>(EditorWebConfiguration::make(tracing), m_services.mainQueue);
    m_host = EditorWebHost::make(m_html, weak_from_this(),
                                 {*m_binding, m_services.mainQueue, m_services.http, m_services.previews,
                                  m_services.workspace, [](std::optional<std::string_view>) { return std::string(); },
                                  m_services.trace});
    m_binding->attach(m_host);

    const auto plan = Layout::plan(EditorWebHost::indexURL, Layout::bounds(m_core.tree()));
    m_window = std::make_unique<Gtk::Window>();
    m_window->set_decorated(false);
    m_window->set_default_size(plan.width, plan.height);
    gtk_window_set_child(GTK_WINDOW(m_window->gobj()), m_binding->widget());
    // Realized, never mapped: the surface exists but is never put on screen. The view is sized
    // and mapped by hand, which no frame of the unmapped window would do.
    gtk_widget_realize(GTK_WIDGET(m_window->gobj()));
    GtkWidget* view = m_binding->widget();
    int minimum = 0, natural = 0;
    gtk_widget_measure(view, GTK_ORIENTATION_HORIZONTAL, -1, &minimum, &natural, nullptr, nullptr);
    gtk_widget_measure(view, GTK_ORIENTATION_VERTICAL, plan.width, &minimum, &natural, nullptr, nullptr);
    const GtkAllocation area{0, 0, plan.width, plan.height};
    gtk_widget_size_allocate(view, &area, -1);
    gtk_widget_map(view);
    m_services.trace([&] {
        return "template preview: loading " + plan.url + " in " + std::to_string(plan.width) + " x " +
               std::to_string(plan.height);
    });
    m_binding->load(plan.url, EditorWebHost::loadTimeout);

    m_loadStarted = std::chrono::steady_clock::now();
    waitFor(settleTime);
}

void TemplateRenderer::waitFor(std::chrono::milliseconds delay) {
    m_settle = m_services.mainQueue.runAfter(delay, [weak = weak_from_this()] {
        if (auto renderer = weak.lock()) {
            renderer->m_settle.reset();
            renderer->settled();
        }
    });
}

void TemplateRenderer::settled() {
    using namespace std::chrono;
    const auto now = steady_clock::now();
    // A busy machine may take longer than the settle time to start the page at all; a picture
    // taken before the page has the map would be blank, and cached as such for the whole build.
    if (!m_stateGiven) {
        if (now - m_loadStarted >= EditorWebHost::loadTimeout) return finish(std::nullopt);
        return waitFor(stateCheck);
    }
    const auto drawn = *m_stateGiven + drawTime;
    if (now < drawn) return waitFor(duration_cast<milliseconds>(drawn - now) + 1ms);
    takePicture();
}

void TemplateRenderer::takePicture() {
    if (!m_binding) return finish(std::nullopt);
    m_binding->callAsyncFunction(Layout::hidingScript, [weak = weak_from_this()] {
        auto renderer = weak.lock();
        if (!renderer || !renderer->m_binding) return;
        const WebView::Size size = renderer->m_binding->size();
        renderer->m_binding->snapshot(WebView::SnapshotArea{0, 0, size.width, size.height, Layout::pictureWidth},
                                      [weak](std::optional<std::string> png) {
                                          if (auto renderer = weak.lock()) renderer->finish(std::move(png));
                                      });
    });
}

void TemplateRenderer::finish(std::optional<std::string> png) {
    // Not inside the view's own callback: the view goes away here.
    m_services.mainQueue.runSoon([weak = weak_from_this(), png = std::move(png)]() mutable {
        auto renderer = weak.lock();
        if (!renderer) return;
        renderer->tearDown();
        auto done = std::move(renderer->m_done);
        renderer->m_done = nullptr;
        if (done) done(std::move(png));
    });
}

void TemplateRenderer::tearDown() {
    if (m_settle) m_services.mainQueue.cancel(*m_settle);
    m_settle.reset();
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

Expected<JSONValue, EditorDocumentError> TemplateRenderer::editorLoad() {
    if (!m_stateGiven) m_stateGiven = std::chrono::steady_clock::now();
    auto state = m_core.state();
    if (!state) return Unexpected(EditorDocumentError(state.error()));
    return *state;
}

Expected<std::int64_t, EditorDocumentError> TemplateRenderer::editorSave(const JSONValue&) { return m_core.revision(); }

Expected<std::string, EditorDocumentError> TemplateRenderer::editorStoreMedia(std::string_view, std::string_view) {
    return Unexpected(EditorDocumentError(RenameError{std::string(readOnly)}));
}

SharedBytes TemplateRenderer::editorMedia(std::string_view name, std::string_view directory) {
    return m_core.mediaData(name, directory);
}

}  // namespace velk
