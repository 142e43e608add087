#include "StartView.h"

#include "StartCards.h"
#include "StartSymbols.h"

#include <giomm/menu.h>
#include <giomm/simpleactiongroup.h>
#include <glibmm/main.h>
#include <gtkmm/eventcontrollerfocus.h>
#include <gtkmm/eventcontrollerkey.h>
#include <gtkmm/gestureclick.h>
#include <gtkmm/label.h>
#include <gtkmm/window.h>
#include <unicode/uloc.h>

namespace velk {
namespace {

std::optional<StartGrid::Move> moveFor(guint key) {
    switch (key) {
    case GDK_KEY_Left: case GDK_KEY_KP_Left: return StartGrid::Move::left;
    case GDK_KEY_Right: case GDK_KEY_KP_Right: return StartGrid::Move::right;
    case GDK_KEY_Up: case GDK_KEY_KP_Up: return StartGrid::Move::up;
    case GDK_KEY_Down: case GDK_KEY_KP_Down: return StartGrid::Move::down;
    default: return std::nullopt;
    }
}

// Runs `work` once the signal being handled is over: what it does may rebuild the cards.
void later(std::function<void()> work) {
    Glib::signal_idle().connect_once([work = std::move(work)] { work(); });
}

Glib::RefPtr<Gio::MenuItem> pathItem(const char* label, const char* action, const std::string& path) {
    auto item = Gio::MenuItem::create(label, "");
    item->set_action_and_target(action, Glib::Variant<std::string>::create(path));
    return item;
}

}  // namespace

StartView::StartView(StartModel& model, const StartActions& actions, const std::string& buildText,
                     std::function<void()> sendFeedback)
    : Gtk::Box(Gtk::Orientation::VERTICAL), m_model(model), m_actions(actions), m_sendFeedback(std::move(sendFeedback)) {
    m_scroller.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
    m_scroller.set_vexpand(true);
    m_scroller.set_child(m_grid);
    m_grid.set_focusable(true);
    m_grid.add_css_class("start-grid");
    append(m_scroller);
    append(*footer(buildText));

    auto keys = Gtk::EventControllerKey::create();
    keys->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
    keys->signal_key_pressed().connect(
        [this](guint key, guint, Gdk::ModifierType modifiers) { return keyPressed(key, modifiers); }, false);
    m_grid.add_controller(keys);

    // The card actions of the context menu, by the map's path (bytes, as paths need not be UTF-8).
    auto group = Gio::SimpleActionGroup::create();
    const auto byPath = [&](const char* name, std::function<void(const std::string&)> action) {
        group->add_action_with_parameter(name, Glib::VARIANT_TYPE_BYTESTRING, [action](const Glib::VariantBase& target) {
            const std::string path = Glib::VariantBase::cast_dynamic<Glib::Variant<std::string>>(target).get();
            later([action, path] { action(path); });
        });
    };
    byPath("open", m_actions.open);
    byPath("show-in-files", m_actions.showInFiles);
    byPath("remove", m_actions.removeFromRecents);
    m_grid.insert_action_group("card", group);
    fillCards();
}

StartView::~StartView() {
    if (m_menu) m_menu->unparent();
}

void StartView::modelChanged() {
    if (m_model.cards() != m_shown) fillCards();
    showFocus();
}

void StartView::focusGrid() {
    const auto& cards = m_grid.cards();
    const auto focus = static_cast<std::size_t>(m_model.focus());
    if (m_model.keyboardNavigating() && focus < cards.size()) cards[focus]->grab_focus();
    else m_grid.grab_focus();
}

void StartView::fillCards() {
    if (m_menu) {
        m_menu->unparent();
        m_menu.reset();
    }
    m_grid.clear();
    m_shown = m_model.cards();
    for (std::size_t i = 0; i < m_shown.size(); ++i) {
        const int index = static_cast<int>(i);
        Gtk::Button* card = nullptr;
        if (const RecentMap* map = m_shown[i].recentMap()) {
            card = recentCard(*map);
        } else {
            card = StartCards::card(StartCards::symbolFace(StartSymbols::newMap), StartCards::Frame::dashed, "New map",
                                    {"Start from scratch or from a template"});
            StartCards::describe(*card, "New map", "Start from scratch or from a template");
        }
        card->signal_clicked().connect([this, index] {
            if (auto path = m_model.activate(index)) m_actions.open(*path);
        });
        auto focus = Gtk::EventControllerFocus::create();
        focus->signal_enter().connect([this, card, index] {
            // Tab reached the card: that is keyboard navigation too.
            auto* window = dynamic_cast<Gtk::Window*>(card->get_root());
            if (window && window->get_focus_visible()) m_model.focusOn(index);
        });
        card->add_controller(focus);
        m_grid.append(*card);
    }
    showFocus();
}

Gtk::Button* StartView::recentCard(const RecentMap& map) {
    const auto edited = StartGrid::editedLabel(map.modified, std::chrono::system_clock::now(), uloc_getDefault());
    auto* card = StartCards::card(StartCards::thumbnailFace(map.path), StartCards::Frame::solid, map.name,
                                  {map.folder, edited.value_or("")});
    card->set_tooltip_text(map.path);
    StartCards::describe(*card, map.name + (edited ? ", " + *edited : std::string()), "Opens the map");

    auto secondary = Gtk::GestureClick::create();
    secondary->set_button(GDK_BUTTON_SECONDARY);
    secondary->signal_pressed().connect([this, map, card](int, double x, double y) { showMenu(map, *card, x, y); });
    card->add_controller(secondary);
    auto menuKeys = Gtk::EventControllerKey::create();
    menuKeys->signal_key_pressed().connect(
        [this, map, card](guint key, guint, Gdk::ModifierType modifiers) {
            const bool shiftF10 = key == GDK_KEY_F10 && (modifiers & Gdk::ModifierType::SHIFT_MASK) == Gdk::ModifierType::SHIFT_MASK;
            if (key != GDK_KEY_Menu && !shiftF10) return false;
            showMenu(map, *card, card->get_width() / 2.0, card->get_height() / 2.0);
            return true;
        },
        false);
    card->add_controller(menuKeys);
    return card;
}

void StartView::showMenu(const RecentMap& map, Gtk::Widget& card, double x, double y) {
    auto model = Gio::Menu::create();
    auto opening = Gio::Menu::create();
    opening->append_item(pathItem("Open", "card.open", map.path));
    opening->append_item(pathItem("Show in Files", "card.show-in-files", map.path));
    auto removing = Gio::Menu::create();
    removing->append_item(pathItem("Remove from Recents", "card.remove", map.path));
    model->append_section(opening);
    model->append_section(removing);
    if (m_menu) m_menu->unparent();
    m_menu = std::make_unique<Gtk::PopoverMenu>(model);
    m_menu->set_has_arrow(false);
    m_menu->set_parent(m_grid);
    double gridX = x, gridY = y;
    card.translate_coordinates(m_grid, x, y, gridX, gridY);
    m_menu->set_pointing_to(Gdk::Rectangle(static_cast<int>(gridX), static_cast<int>(gridY), 1, 1));
    m_menu->popup();
}

void StartView::showFocus() {
    const auto& cards = m_grid.cards();
    for (std::size_t i = 0; i < cards.size(); ++i) {
        const bool ringed = m_model.keyboardNavigating() && static_cast<int>(i) == m_model.focus();
        if (ringed) cards[i]->add_css_class("keyboard-focus");
        else cards[i]->remove_css_class("keyboard-focus");
    }
}

bool StartView::keyPressed(guint key, Gdk::ModifierType modifiers) {
    const auto chords = Gdk::ModifierType::CONTROL_MASK | Gdk::ModifierType::ALT_MASK | Gdk::ModifierType::SHIFT_MASK;
    if ((modifiers & chords) != Gdk::ModifierType{}) return false;
    if (auto move = moveFor(key)) {
        m_model.move(*move, m_grid.columns());
        focusGrid();
        return true;
    }
    if (key == GDK_KEY_Return || key == GDK_KEY_KP_Enter || key == GDK_KEY_ISO_Enter) {
        // The default action acts on the focused card.
        const int focus = m_model.focus();
        later([this, focus] {
            if (auto path = m_model.activate(focus)) m_actions.open(*path);
        });
        return true;
    }
    return false;
}

Gtk::Widget* StartView::footer(const std::string& buildText) {
    auto* bar = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 12);
    bar->add_css_class("start-footer");
    auto* beta = Gtk::make_managed<Gtk::Label>("Beta");
    beta->add_css_class("beta");
    auto* feedback = Gtk::make_managed<Gtk::Button>("Send feedback");
    feedback->add_css_class("link");
    feedback->add_css_class("flat");
    feedback->signal_clicked().connect([this] { m_sendFeedback(); });
    auto* build = Gtk::make_managed<Gtk::Label>(buildText);
    build->add_css_class("build");
    build->set_selectable(true);
    build->set_tooltip_text("velk version (build commit)");
    build->set_hexpand(true);
    build->set_xalign(1);
    bar->append(*beta);
    bar->append(*feedback);
    bar->append(*build);
    return bar;
}

}  // namespace velk
