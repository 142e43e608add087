#include "StartCards.h"

#include "StartSymbols.h"
#include "package/MapDocumentCore.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtkmm/box.h>
#include <gtkmm/image.h>
#include <gtkmm/label.h>
#include <gtkmm/picture.h>
#include <glibmm/fileutils.h>

namespace velk::StartCards {
namespace {

constexpr int faceHeight = 136;

// velk's own thumbnails are 480 points wide. One that came with a package from elsewhere may be
// far larger than its file: a 1 MB PNG can hold a 16,000-pixel square, a gigabyte to show.
constexpr int largestThumbnailSide = 2048;

bool isShowableThumbnail(const std::string& path) {
    int width = 0, height = 0;
    // Reads the header only.
    return gdk_pixbuf_get_file_info(path.c_str(), &width, &height) && width <= largestThumbnailSide &&
           height <= largestThumbnailSide;
}

Gtk::Box* frameFor(Gtk::Widget* face) {
    auto* frame = Gtk::make_managed<Gtk::Box>();
    frame->add_css_class("face");
    frame->set_size_request(-1, faceHeight);
    frame->set_overflow(Gtk::Overflow::HIDDEN);
    face->set_hexpand(true);
    face->set_vexpand(true);
    frame->append(*face);
    return frame;
}

Gtk::Label* line(const std::string& text, std::string_view css, int lines) {
    auto* label = Gtk::make_managed<Gtk::Label>(text);
    label->set_xalign(0);
    label->set_ellipsize(Pango::EllipsizeMode::END);
    if (lines > 1) {
        label->set_wrap(true);
        label->set_wrap_mode(Pango::WrapMode::WORD_CHAR);
        label->set_lines(lines);
    } else {
        // A folder name may hold a line break; a card's line never shows more than one.
        label->set_single_line_mode(true);
    }
    // The card's width decides, never the text's.
    label->set_width_chars(1);
    label->add_css_class(std::string(css));
    return label;
}

}  // namespace

Gtk::Widget* symbolFace(std::string_view icon, std::string_view css) {
    auto* image = Gtk::make_managed<Gtk::Image>();
    image->set_from_icon_name(std::string(icon));
    image->set_pixel_size(40);
    image->add_css_class("symbol");
    if (!css.empty()) image->add_css_class(std::string(css));
    return image;
}

Gtk::Widget* pictureFace(const Glib::RefPtr<Gdk::Texture>& picture) {
    auto* shown = Gtk::make_managed<Gtk::Picture>(picture);
    shown->set_content_fit(Gtk::ContentFit::COVER);
    shown->set_can_shrink(true);
    return shown;
}

Gtk::Widget* thumbnailFace(const std::string& package) {
    const std::string path = package + "/" + std::string(MapDocumentCore::previewPath);
    try {
        if (Glib::file_test(path, Glib::FileTest::IS_REGULAR) && isShowableThumbnail(path))
            return pictureFace(Gdk::Texture::create_from_filename(path));
    } catch (const Glib::Error&) {
        // Not a picture GTK can read: the placeholder instead.
    }
    return symbolFace(StartSymbols::noThumbnail, "placeholder");
}

Gtk::Button* card(Gtk::Widget* face, Frame frame, const std::string& title, const std::vector<std::string>& details) {
    auto* words = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 2);
    words->add_css_class("words");
    words->append(*line(title, "name", 1));
    // A single line of detail (a template's blurb) may take two; folder and date take one each.
    for (const std::string& detail : details)
        if (!detail.empty()) words->append(*line(detail, "detail", details.size() == 1 ? 2 : 1));

    auto* content = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 8);
    content->append(*frameFor(face));
    content->append(*words);

    auto* button = Gtk::make_managed<Gtk::Button>();
    button->add_css_class("start-card");
    if (frame == Frame::dashed) button->add_css_class("dashed");
    button->set_child(*content);
    // Clicking opens at once; the keyboard focus only follows the keyboard.
    button->set_focus_on_click(false);
    return button;
}

void describe(Gtk::Widget& card, const std::string& label, std::string_view hint) {
    const std::string description(hint);
    gtk_accessible_update_property(GTK_ACCESSIBLE(card.gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, label.c_str(),
                                   GTK_ACCESSIBLE_PROPERTY_DESCRIPTION, description.c_str(), -1);
}

}  // namespace velk::StartCards
