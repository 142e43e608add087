// The package's thumbnail ("QuickLook/Thumbnail.png"): a picture of the editor taken a moment
// after the editor first loads a package that has none, and again after each burst of saves.

#include "VelkDocument.h"

#include <utility>

namespace velk {

namespace {

// Views this small show too little of the map to be worth a picture.
constexpr double smallestSide = 160;
// The editor's top and bottom bars are left out of the picture.
constexpr double barHeight = 52;
constexpr int thumbnailWidth = 480;

}  // namespace

void VelkDocument::schedulePreview(std::chrono::milliseconds after, bool markEdited) {
    cancelPreview();
    m_preview = m_mainQueue.runAfter(after, [weak = weak_from_this(), markEdited] {
        auto document = weak.lock();
        if (!document) return;
        document->m_preview.reset();
        document->capturePreview(markEdited);
    });
}

void VelkDocument::cancelPreview() {
    if (m_preview) m_mainQueue.cancel(*m_preview);
    m_preview.reset();
}

void VelkDocument::capturePreview(bool markEdited) {
    auto host = m_webHost.lock();
    if (!host) return;
    WebView& view = host->webView();
    const WebView::Size size = view.size();
    if (!(size.width > smallestSide && size.height > smallestSide)) return;
    const WebView::SnapshotArea area{0, barHeight, size.width, size.height - 2 * barHeight, thumbnailWidth};
    view.snapshot(area, [weak = weak_from_this(), markEdited](std::optional<std::string> png) {
        auto document = weak.lock();
        if (!document || !png || png->empty()) return;
        document->storePreview(std::move(*png), markEdited);
    });
}

void VelkDocument::storePreview(std::string png, bool markEdited) {
    const std::size_t size = png.size();
    m_core.setPreview(std::move(png));
    m_previewUnsaved = true;
    // A thumbnail is no edit of the map: after a save it rides along with the next write; the
    // first one of a package is written at once, so file browsers show it.
    if (markEdited) {
        (void)save();
    } else {
        scheduleAutosave();
    }
    m_options.trace([size] { return "preview: " + std::to_string(size) + " bytes"; });
}

}  // namespace velk
