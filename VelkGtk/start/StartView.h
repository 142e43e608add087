#pragma once

// The start window's content below its top bar: the scrolling grid of cards ("New map", then the
// recent maps) and the footer with the beta note, the feedback link and the build text. It
// follows the StartModel: the arrow keys move the model's focus (by the grid's column count),
// Return opens the focused card, and the focus ring shows only once the keyboard moved it.
// A recent card's context menu (right click, the Menu key or Shift+F10) offers Open, Show in
// Files and Remove from Recents.
//
// The model and the actions belong to the controller and outlive the view. Main thread only.

#include "CardGrid.h"
#include "StartWindowView.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/popovermenu.h>
#include <gtkmm/scrolledwindow.h>

#include <functional>
#include <memory>
#include <string>

namespace velk {

class StartView final : public Gtk::Box {
public:
    StartView(StartModel& model, const StartActions& actions, const std::string& buildText,
              std::function<void()> sendFeedback);
    ~StartView() override;

    // The model changed: new cards when they differ, the focus ring where the focus is.
    void modelChanged();
    // Gives the keyboard to the grid (the focused card, once the keyboard moved it).
    void focusGrid();
    [[nodiscard]] CardGrid& grid() noexcept { return m_grid; }

private:
    void fillCards();
    [[nodiscard]] Gtk::Button* recentCard(const RecentMap& map);
    void showFocus();
    bool keyPressed(guint key, Gdk::ModifierType modifiers);
    void showMenu(const RecentMap& map, Gtk::Widget& card, double x, double y);
    [[nodiscard]] Gtk::Widget* footer(const std::string& buildText);

    StartModel& m_model;
    const StartActions& m_actions;
    std::function<void()> m_sendFeedback;
    Gtk::ScrolledWindow m_scroller;
    CardGrid m_grid;
    std::vector<StartCard> m_shown;
    std::unique_ptr<Gtk::PopoverMenu> m_menu;
};

}  // namespace velk
