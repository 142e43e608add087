#include "TemplateRenderer.h"

#include "start/TemplatePreviewLayout.h"

namespace velk {

namespace Layout = TemplatePreviewLayout;

std::shared_ptr<TemplateRenderer> TemplateRenderer::make(Services services, DocumentTree tree, SharedBytes html,
                                                         TemplatePreviews::Done done) {
    return std::make_shared<TemplateRenderer>(services, std::move(tree), std::move(html), std::move(done));
}

TemplateRenderer::TemplateRenderer(Services services, DocumentTree tree, SharedBytes html, TemplatePreviews::Done done)
    : m_services(services),
      m_page(UnseenMapPage::make(services, std::move(tree), std::move(html), std::string(readOnly))),
      m_done(std::move(done)) {}

TemplateRenderer::~TemplateRenderer() { tearDown(); }

void TemplateRenderer::start() {
    const auto plan = Layout::plan(EditorWebHost::indexURL, Layout::bounds(m_page->tree()));
    m_services.trace([&] {
        return "template preview: loading " + plan.url + " in " + std::to_string(plan.width) + " x " +
               std::to_string(plan.height);
    });
    m_page->show(plan.url, plan.width, plan.height);

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
    const auto stateGiven = m_page->stateGiven();
    if (!stateGiven) {
        if (now - m_loadStarted >= EditorWebHost::loadTimeout) return finish(std::nullopt);
        return waitFor(stateCheck);
    }
    const auto drawn = *stateGiven + drawTime;
    if (now < drawn) return waitFor(duration_cast<milliseconds>(drawn - now) + 1ms);
    takePicture();
}

void TemplateRenderer::takePicture() {
    if (!m_page->binding()) return finish(std::nullopt);
    m_page->binding()->callAsyncFunction(Layout::hidingScript, [weak = weak_from_this()] {
        auto renderer = weak.lock();
        if (!renderer || !renderer->m_page->binding()) return;
        const WebView::Size size = renderer->m_page->binding()->size();
        renderer->m_page->binding()->snapshot(WebView::SnapshotArea{0, 0, size.width, size.height, Layout::pictureWidth},
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
    m_page->tearDown();
}

}  // namespace velk
