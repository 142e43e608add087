#pragma once

// A window that lays out and draws a widget without ever appearing on screen, for pictures of
// views (the start window's snapshots). GTK 4 has no offscreen windows: this one is realized, so
// it has a surface and a renderer, but never mapped; its content is sized and mapped by hand,
// which is all GTK needs to lay it out and draw it. The content is drawn over the window
// background colour of the current appearance.
//
// Main thread only.

#include <gtkmm/box.h>
#include <gtkmm/window.h>

#include <optional>
#include <string>

namespace velk {

class UnseenWindow {
public:
    // Takes `content` into the window; a width or height of 0 or less takes the content's
    // natural size in that direction.
    UnseenWindow(Gtk::Widget& content, int width, int height);
    ~UnseenWindow();
    UnseenWindow(const UnseenWindow&) = delete;
    UnseenWindow& operator=(const UnseenWindow&) = delete;

    // Sizes the content again (what changed since is laid out anew).
    void layout();
    [[nodiscard]] int width() const noexcept { return m_width; }
    [[nodiscard]] int height() const noexcept { return m_height; }
    // The content as it is drawn now, as PNG bytes; nothing when it could not be drawn.
    [[nodiscard]] std::optional<std::string> png();

private:
    Gtk::Window m_window;
    Gtk::Box m_backdrop;
    int m_askedWidth, m_askedHeight;
    int m_width = 0, m_height = 0;
};

}  // namespace velk
