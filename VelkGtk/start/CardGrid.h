#pragma once

// The start window's grid of cards, and the new-map sheet's: as many columns of 200 to 240 points
// as the width holds (StartGrid::columns over the width less the margins), 16 points between
// columns, 20 between rows, 24 of margin, cards from the top left. It knows the column count it
// laid out last, which is what the arrow keys move by. Main thread only.

#include <gtkmm/widget.h>

#include <vector>

namespace velk {

class CardGrid final : public Gtk::Widget {
public:
    CardGrid();
    ~CardGrid() override;

    // Adds a card at the end; the grid owns it from then on.
    void append(Gtk::Widget& card);
    // Removes and destroys every card.
    void clear();
    [[nodiscard]] const std::vector<Gtk::Widget*>& cards() const noexcept { return m_cards; }
    // The columns of the last layout (1 before the first).
    [[nodiscard]] int columns() const noexcept { return m_columns; }

protected:
    Gtk::SizeRequestMode get_request_mode_vfunc() const override;
    void measure_vfunc(Gtk::Orientation orientation, int forSize, int& minimum, int& natural, int& minimumBaseline,
                       int& naturalBaseline) const override;
    void size_allocate_vfunc(int width, int height, int baseline) override;

private:
    struct Layout {
        int columns;
        int cardWidth;
    };
    [[nodiscard]] Layout layoutFor(int width) const;
    // The height of each row of cards `cardWidth` wide.
    [[nodiscard]] std::vector<int> rowHeights(const Layout& layout) const;

    std::vector<Gtk::Widget*> m_cards;
    int m_columns = 1;
};

}  // namespace velk
