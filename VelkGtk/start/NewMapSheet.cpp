#include "NewMapSheet.h"

#include "StartCards.h"
#include "StartSymbols.h"

#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/shortcutcontroller.h>

namespace velk {

NewMapSheet::NewMapSheet(StartModel& model, const std::vector<MapTemplate>& templates, const StartActions& actions,
                         TemplatePreviews& previews)
    : Gtk::Box(Gtk::Orientation::VERTICAL), m_model(model), m_templates(templates), m_actions(actions),
      m_previews(previews) {
    // The backdrop covers the window; the sheet itself sits in its middle.
    add_css_class("sheet-backdrop");
    set_hexpand(true);
    set_vexpand(true);

    auto* sheet = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 12);
    sheet->add_css_class("sheet");
    sheet->set_size_request(720, -1);
    sheet->set_halign(Gtk::Align::CENTER);
    sheet->set_valign(Gtk::Align::CENTER);
    sheet->set_margin(24);

    auto* top = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 12);
    auto* heading = Glib::wrap(GTK_LABEL(g_object_new(GTK_TYPE_LABEL, "label", "New map", "accessible-role",
                                                      GTK_ACCESSIBLE_ROLE_HEADING, nullptr)));
    heading->add_css_class("title-2");
    heading->set_hexpand(true);
    heading->set_xalign(0);
    auto* cancel = Gtk::make_managed<Gtk::Button>("Cancel");
    cancel->signal_clicked().connect([this] { m_model.setShowingNew(false); });
    top->append(*Gtk::manage(heading));
    top->append(*cancel);
    top->set_margin_start(24);
    top->set_margin_end(24);
    top->set_margin_top(20);
    sheet->append(*top);

    if (m_templates.empty()) {
        auto* missing = Gtk::make_managed<Gtk::Label>(std::string(missingTemplates));
        missing->set_margin(24);
        missing->set_xalign(0);
        sheet->append(*missing);
    } else {
        // A short window scrolls the templates rather than cut the sheet off.
        auto* scroller = Gtk::make_managed<Gtk::ScrolledWindow>();
        scroller->set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
        scroller->set_propagate_natural_height(true);
        scroller->set_child(m_grid);
        sheet->append(*scroller);
    }
    append(*sheet);

    auto escape = Gtk::ShortcutController::create();
    escape->set_scope(Gtk::ShortcutScope::MANAGED);
    escape->add_shortcut(Gtk::Shortcut::create(Gtk::KeyvalTrigger::create(GDK_KEY_Escape),
                                               Gtk::CallbackAction::create([this](Gtk::Widget&, const Glib::VariantBase&) {
                                                   m_model.setShowingNew(false);
                                                   return true;
                                               })));
    add_controller(escape);

    m_previewsChanged = m_previews.signalChanged().connect([this] { showPictures(); });
    fillCards();
    set_visible(m_model.showingNew());
}

NewMapSheet::~NewMapSheet() { m_previewsChanged.disconnect(); }

void NewMapSheet::modelChanged() {
    const bool opening = m_model.showingNew() && !get_visible();
    set_visible(m_model.showingNew());
    if (!opening) return;
    if (!m_grid.cards().empty()) m_grid.cards().front()->grab_focus();
}

void NewMapSheet::fillCards() {
    for (const MapTemplate& entry : m_templates) {
        const bool blank = entry.id == Templates::blankID;
        Gtk::Widget* face = StartCards::symbolFace(StartSymbols::newMap);
        if (!blank) {
            auto* holder = Gtk::make_managed<Gtk::Box>();
            m_faces.push_back({entry.id, holder, {}});
            face = holder;
        }
        auto* card = StartCards::card(face, blank ? StartCards::Frame::dashed : StartCards::Frame::solid, entry.title,
                                      {entry.blurb});
        StartCards::describe(*card, entry.title, entry.blurb);
        card->set_focus_on_click(true);
        card->signal_clicked().connect([this, entry] { m_actions.start(entry); });
        m_grid.append(*card);
    }
    showPictures();
}

void NewMapSheet::showPictures() {
    for (TemplateFace& face : m_faces) {
        const auto picture = m_previews.image(face.id);
        if (face.holder->get_first_child() && picture == face.picture) continue;
        if (auto* shown = face.holder->get_first_child()) face.holder->remove(*shown);
        Gtk::Widget* shown = picture ? StartCards::pictureFace(picture)
                                     : StartCards::symbolFace(StartSymbols::forTemplate(face.id), "template-symbol");
        shown->set_hexpand(true);
        shown->set_vexpand(true);
        face.holder->append(*shown);
        face.picture = picture;
    }
}

}  // namespace velk
