#include "UnseenWindow.h"

namespace velk {

UnseenWindow::UnseenWindow(Gtk::Widget& content, int width, int height)
    : m_askedWidth(width), m_askedHeight(height) {
    m_window.set_decorated(false);
    // The theme paints the window background colour on this class.
    m_backdrop.add_css_class("background");
    content.set_hexpand(true);
    content.set_vexpand(true);
    m_backdrop.append(content);
    m_window.set_child(m_backdrop);
    gtk_widget_realize(GTK_WIDGET(m_window.gobj()));
    layout();
    gtk_widget_map(GTK_WIDGET(m_backdrop.gobj()));
}

UnseenWindow::~UnseenWindow() {
    gtk_widget_unmap(GTK_WIDGET(m_backdrop.gobj()));
    m_window.unset_child();
    gtk_widget_unrealize(GTK_WIDGET(m_window.gobj()));
}

void UnseenWindow::layout() {
    int minimum = 0, natural = 0, ignored = 0;
    m_backdrop.measure(Gtk::Orientation::HORIZONTAL, -1, minimum, natural, ignored, ignored);
    m_width = m_askedWidth > 0 ? std::max(m_askedWidth, minimum) : natural;
    m_backdrop.measure(Gtk::Orientation::VERTICAL, m_width, minimum, natural, ignored, ignored);
    m_height = m_askedHeight > 0 ? std::max(m_askedHeight, minimum) : natural;
    m_window.set_default_size(m_width, m_height);
    m_backdrop.size_allocate(Gdk::Rectangle(0, 0, m_width, m_height), -1);
}

std::optional<std::string> UnseenWindow::png() {
    if (m_width <= 0 || m_height <= 0) return std::nullopt;
    GtkSnapshot* snapshot = gtk_snapshot_new();
    gtk_widget_snapshot_child(GTK_WIDGET(m_window.gobj()), GTK_WIDGET(m_backdrop.gobj()), snapshot);
    GskRenderNode* node = gtk_snapshot_free_to_node(snapshot);
    if (!node) return std::nullopt;
    const graphene_rect_t area = GRAPHENE_RECT_INIT(0, 0, float(m_width), float(m_height));
    GskRenderer* renderer = gtk_native_get_renderer(GTK_NATIVE(m_window.gobj()));
    GdkTexture* texture = renderer ? gsk_renderer_render_texture(renderer, node, &area) : nullptr;
    gsk_render_node_unref(node);
    if (!texture) return std::nullopt;
    GBytes* bytes = gdk_texture_save_to_png_bytes(texture);
    g_object_unref(texture);
    if (!bytes) return std::nullopt;
    gsize size = 0;
    const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
    std::string png(data, size);
    g_bytes_unref(bytes);
    return png;
}

}  // namespace velk
