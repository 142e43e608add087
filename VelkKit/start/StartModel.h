#pragma once

// The state of one start window: its cards, the focused card, whether the keyboard moved the
// focus (the focus ring shows only then) and whether the new-map sheet is open. The views draw
// it and call back into it; every change is announced through the change callback so they can
// redraw. The recent maps come from the source function the window's owner passes in.
//
// Invariant: the cards always start with the new-map card, and the focus is one of them.
//
// Main thread only.

#include "start/StartGrid.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velk {

class StartModel {
public:
    using Source = std::function<std::vector<RecentMap>()>;

    explicit StartModel(Source source) : m_source(std::move(source)) {}

    [[nodiscard]] const std::vector<StartCard>& cards() const noexcept { return m_cards; }
    [[nodiscard]] int focus() const noexcept { return m_focus; }
    [[nodiscard]] bool keyboardNavigating() const noexcept { return m_keyboardNavigating; }
    [[nodiscard]] bool showingNew() const noexcept { return m_showingNew; }

    // Called after every change of the state above.
    void onChange(std::function<void()> observer) { m_observer = std::move(observer); }

    // Takes the cards from the source again; the focus keeps its place in the grid, or moves to
    // the last card when there are fewer.
    void reload();

    // An arrow key, with the grid's current column count.
    void move(StartGrid::Move direction, int columns);

    // The keyboard reached card `index` another way than the arrows (Tab): it is focused and the
    // focus ring shows, as after an arrow key. Announced only when something changed.
    void focusOn(int index);

    // A click on card `index`, or Return on the focused one: the new-map card opens the sheet and
    // gives nothing; a recent card gives the path of the map to open.
    [[nodiscard]] std::optional<std::string> activate(int index);

    void setShowingNew(bool showing);

private:
    void changed() const;

    Source m_source;
    std::vector<StartCard> m_cards{StartCard::newMap()};
    int m_focus = 0;
    bool m_keyboardNavigating = false;
    bool m_showingNew = false;
    std::function<void()> m_observer;
};

}  // namespace velk
