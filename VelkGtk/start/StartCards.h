#pragma once

// The cards of the start window and the new-map sheet: a face in a rounded frame (dashed for the
// new-map card and the blank template) over the card's words, as one button. The pointer lights
// the frame up; the focus ring is drawn by the view, only while the keyboard moves the focus.
// Main thread only.

#include <gdkmm/texture.h>
#include <gtkmm/button.h>

#include <string>
#include <string_view>
#include <vector>

namespace velk::StartCards {

enum class Frame { solid, dashed };

// A face showing a symbolic icon; `css` adds a class (the templates' brand colour).
[[nodiscard]] Gtk::Widget* symbolFace(std::string_view icon, std::string_view css = {});
// A face showing a picture, cropped to fill the frame.
[[nodiscard]] Gtk::Widget* pictureFace(const Glib::RefPtr<Gdk::Texture>& picture);
// The face of a recent map: its package's thumbnail as it is on disk now, or a faint placeholder.
[[nodiscard]] Gtk::Widget* thumbnailFace(const std::string& package);

// A card over `face` with a title and lines of detail under it (empty lines are left out).
[[nodiscard]] Gtk::Button* card(Gtk::Widget* face, Frame frame, const std::string& title,
                                const std::vector<std::string>& details);

// Names the card for assistive technology: a label and a description of what activating does.
void describe(Gtk::Widget& card, const std::string& label, std::string_view hint);

}  // namespace velk::StartCards
