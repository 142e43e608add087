#pragma once

// Turns a picture of a web view (a GdkTexture in device pixels) into the PNG of one part of it,
// scaled to a chosen width. Used for map thumbnails, which show the editor without its top and
// bottom bars.
//
// Main thread only, like the textures WebKit hands over.

#include "platform/WebView.h"

#include <gdk/gdk.h>

#include <optional>
#include <string>

namespace velk::TexturePNG {

// `area` is in view points; `pixelsPerPoint` is how many texture pixels make one point (the
// texture's width over the view's). The part is clipped to the texture; nothing comes back when
// no part of it is left, the picture width is not positive or encoding fails.
[[nodiscard]] std::optional<std::string> cropped(GdkTexture* texture, const WebView::SnapshotArea& area,
                                                 double pixelsPerPoint);

}  // namespace velk::TexturePNG
