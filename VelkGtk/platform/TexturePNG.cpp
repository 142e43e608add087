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

// Draws `source` into `target`, scaled by `scale` after moving it by (x, y) pixels; edges repeat.
bool paint(cairo_surface_t* target, cairo_surface_t* source, double x, double y, double scale) {
    cairo_t* cairo = cairo_create(target);
    cairo_scale(cairo, scale, scale);
    cairo_set_source_surface(cairo, source, x, y);
    cairo_pattern_set_extend(cairo_get_source(cairo), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(cairo_get_source(cairo), CAIRO_FILTER_GOOD);
    cairo_set_operator(cairo, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cairo);
    const bool painted = cairo_status(cairo) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cairo);
    return painted;
}

cairo_status_t appendTo(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::optional<std::string> cropped(GdkTexture* texture, const WebView::SnapshotArea& area, double pixelsPerPoint) {
    if (!texture || area.pictureWidth <= 0 || !(pixelsPerPoint > 0)) return std::nullopt;
    const auto pixel = [&](double points, int limit) {
        return static_cast<int>(std::clamp(std::lround(points * pixelsPerPoint), 0L, static_cast<long>(limit)));
    };
    const int textureWidth = gdk_texture_get_width(texture);
    const int textureHeight = gdk_texture_get_height(texture);
    const int left = pixel(area.x, textureWidth);
    const int top = pixel(area.y, textureHeight);
    const int width = pixel(area.x + area.width, textureWidth) - left;
    const int height = pixel(area.y + area.height, textureHeight) - top;
    if (width < 1 || height < 1) return std::nullopt;

    Surface source = surfaceOf(texture);
    if (!source) return std::nullopt;
    // The part alone, so that scaling blends its edge pixels with themselves, not with the bars
    // around it or with transparency.
    Surface part(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    const double scale = static_cast<double>(area.pictureWidth) / width;
    const int pictureHeight = std::max(1, static_cast<int>(std::lround(height * scale)));
    Surface picture(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, area.pictureWidth, pictureHeight));
    if (cairo_surface_status(part.get()) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_status(picture.get()) != CAIRO_STATUS_SUCCESS)
        return std::nullopt;
    if (!paint(part.get(), source.get(), -left, -top, 1.0) || !paint(picture.get(), part.get(), 0, 0, scale))
        return std::nullopt;

    std::string png;
    if (cairo_surface_write_to_png_stream(picture.get(), appendTo, &png) != CAIRO_STATUS_SUCCESS) return std::nullopt;
    return png;
}

}  // namespace velk::TexturePNG
