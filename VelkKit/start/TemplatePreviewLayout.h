#pragma once

// What a template's picture shows and where it is kept: the template's tree with the grid off,
// the rectangle its cards and ink cover, that rectangle framed at 16:10 with a margin, the page
// address and window size that put the framed part in the view, the script that hides the
// editor's controls before the picture is taken, and the cache file of the picture.
//
// Pure functions; thread-safe.

#include "package/DocumentTree.h"

#include <optional>
#include <string>
#include <string_view>

namespace velk::TemplatePreviewLayout {

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    bool operator==(const Rect&) const = default;
};

// How the offscreen editor is set up for one template.
struct Plan {
    std::string url;  // the editor page, with the view in its fragment when there are bounds
    int width = 0;    // the window, in points
    int height = 0;
};

inline constexpr int defaultWidth = 1280;
inline constexpr int defaultHeight = 800;
// The offscreen page is drawn about this wide, at a zoom between minZoom and maxZoom.
inline constexpr double targetWidth = 2400;
inline constexpr double minZoom = 0.5;
inline constexpr double maxZoom = 1.0;
inline constexpr double margin = 0.08;
inline constexpr double aspect = 1.6;
inline constexpr int pictureWidth = 480;

// Three lines, 185 characters: the editor's toolbar, zoom control, version and selection bar
// have no place in a picture of the map.
inline constexpr std::string_view hidingScript =
    "const s = document.createElement('style');\n"
    "s.textContent = '#toolbar,#zoom-indicator,#version,#contextBar,#zoomCtl,#shortcutsLink{display:none!important}';\n"
    "document.head.appendChild(s);";

// The tree with "grid" false in the "view" object of the root canvas's sidecar. A sidecar that is
// missing, not JSON or not an object leaves the tree as it is.
[[nodiscard]] DocumentTree withoutGrid(DocumentTree tree);

// The union of the root canvas's nodes (those with numeric x and y) and the root ink's viewBox
// (exactly four numbers); absent when that is empty or has no area.
[[nodiscard]] std::optional<Rect> bounds(const DocumentTree& tree);

// `content` grown by 8% of its size on every side, then widened to 16:10 about its centre.
[[nodiscard]] Rect framed(Rect content);

// The page address (`indexURL` with the view's zoom and offset) and the window size for a map
// whose content is `content`; the plain address and 1280 x 800 without it.
[[nodiscard]] Plan plan(std::string_view indexURL, const std::optional<Rect>& content);

// The cached picture of template `id`: under `cachesFolder`, the application id (or "velk"),
// "template-previews", the build version (or "dev"), then "<id>.png". Absent without a caches
// folder, and for a build whose version ends in "-dirty", which must not keep pictures.
[[nodiscard]] std::optional<std::string> cacheFile(const std::optional<std::string>& cachesFolder,
                                                   std::string_view applicationID, std::string_view version,
                                                   std::string_view id);

}  // namespace velk::TemplatePreviewLayout
