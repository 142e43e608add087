#include "TexturePNG.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace velk::TexturePNG {

namespace {

struct SurfaceRelease {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceRelease>;

// GDK's default memory layout is cairo's ARGB32: premultiplied, native-endian 32-bit pixels.
Surface surfaceOf(GdkTexture* texture) {
    const int width = gdk_texture_get_width(texture);
    const int height = gdk_texture_get_height(texture);
    Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    cairo_surface_flush(surface.get());
    gdk_texture_download(texture, cairo_image_surface_get_data(surface.get()),
                         static_cast<gsize>(cairo_image_surface_get_stride(surface.get())));
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

cairo_status_t appendTo(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::optional<std::string> cropped(GdkTexture* texture, const WebView::SnapshotArea& area, double pixelsPerPoint) {
    if (!texture || area.pictureWidth <= 0 || !(pixelsPerPoint > 0)) return std::nullopt;
    const double textureWidth = gdk_texture_get_width(texture);
    const double textureHeight = gdk_texture_get_height(texture);
    const double left = std::clamp(area.x * pixelsPerPoint, 0.0, textureWidth);
    const double top = std::clamp(area.y * pixelsPerPoint, 0.0, textureHeight);
    const double right = std::clamp((area.x + area.width) * pixelsPerPoint, 0.0, textureWidth);
    const double bottom = std::clamp((area.y + area.height) * pixelsPerPoint, 0.0, textureHeight);
    if (right - left < 1 || bottom - top < 1) return std::nullopt;

    const double scale = area.pictureWidth / (right - left);
    const int pictureHeight = std::max(1, static_cast<int>(std::lround((bottom - top) * scale)));
    Surface source = surfaceOf(texture);
    Surface picture(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, area.pictureWidth, pictureHeight));
    if (!source || cairo_surface_status(picture.get()) != CAIRO_STATUS_SUCCESS) return std::nullopt;

    cairo_t* cairo = cairo_create(picture.get());
    cairo_scale(cairo, scale, scale);
    cairo_set_source_surface(cairo, source.get(), -left, -top);
    cairo_pattern_set_filter(cairo_get_source(cairo), CAIRO_FILTER_GOOD);
    cairo_paint(cairo);
    const bool drawn = cairo_status(cairo) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cairo);
    if (!drawn) return std::nullopt;

    std::string png;
    if (cairo_surface_write_to_png_stream(picture.get(), appendTo, &png) != CAIRO_STATUS_SUCCESS) return std::nullopt;
    return png;
}

}  // namespace velk::TexturePNG
