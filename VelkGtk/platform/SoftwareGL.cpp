#include "platform/SoftwareGL.h"

#include <epoxy/gl.h>
#include <gtk/gtk.h>

#include "trace/Trace.h"

#include <array>
#include <string>
#include <string_view>

namespace velk {
namespace {

bool rendererIsSoftware() {
    GdkDisplay* display = gdk_display_get_default();
    if (!display) return true;
    GError* error = nullptr;
    GdkGLContext* context = gdk_display_create_gl_context(display, &error);
    if (!context || !gdk_gl_context_realize(context, &error)) {
        g_clear_error(&error);
        if (context) g_object_unref(context);
        return true;
    }
    gdk_gl_context_make_current(context);
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const std::string_view name = renderer ? renderer : "";
    gdk_gl_context_clear_current();
    g_object_unref(context);
    constexpr std::array software{"llvmpipe", "softpipe", "swrast", "Software Rasterizer"};
    for (const std::string_view marker : software)
        if (name.contains(marker)) return true;
    return false;
}

}  // namespace

bool openGLIsSoftware() {
    static const bool software = [] {
        const bool found = rendererIsSoftware();
        if (found)
            trace([] {
                return std::string("web views: OpenGL draws in software here, so pages are painted without compositing");
            });
        return found;
    }();
    return software;
}

void drawWindowsInSoftwareWhereOpenGLIs() {
    if (g_getenv("GSK_RENDERER") || !openGLIsSoftware()) return;
    // GTK picks a window's renderer by this name on its display before any other choice (the
    // inspector switches renderers the same way); a GTK without it keeps its own choice.
    if (GdkDisplay* display = gdk_display_get_default())
        g_object_set_data(G_OBJECT(display), "gsk-renderer", const_cast<char*>("cairo"));
}

}  // namespace velk
