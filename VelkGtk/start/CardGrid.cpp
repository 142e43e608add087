#include "CardGrid.h"

#include "start/StartGrid.h"

#include <algorithm>

namespace velk {
namespace {

constexpr int margin = static_cast<int>(StartGrid::margin);
constexpr int spacing = static_cast<int>(StartGrid::spacing);
constexpr int rowSpacing = static_cast<int>(StartGrid::rowSpacing);
constexpr int minCard = static_cast<int>(StartGrid::minCard);
constexpr int maxCard = static_cast<int>(StartGrid::maxCard);

}  // namespace

CardGrid::CardGrid() : Glib::ObjectBase("VelkCardGrid") { set_overflow(Gtk::Overflow::HIDDEN); }

CardGrid::~CardGrid() { clear(); }

void CardGrid::append(Gtk::Widget& card) {
    card.set_parent(*this);
    m_cards.push_back(&card);
    queue_resize();
}

void CardGrid::clear() {
    // Unparenting a managed card destroys it.
    for (auto* card : std::exchange(m_cards, {})) card->unparent();
    queue_resize();
}

Gtk::SizeRequestMode CardGrid::get_request_mode_vfunc() const { return Gtk::SizeRequestMode::HEIGHT_FOR_WIDTH; }

CardGrid::Layout CardGrid::layoutFor(int width) const {
    const int inside = std::max(0, width - 2 * margin);
    const int columns = StartGrid::columns(inside);
    const int share = (inside - (columns - 1) * spacing) / columns;
    return {columns, std::clamp(share, 1, maxCard)};
}

std::vector<int> CardGrid::rowHeights(const Layout& layout) const {
    std::vector<int> rows;
    for (std::size_t i = 0; i < m_cards.size(); ++i) {
        int minimum = 0, natural = 0, ignored = 0;
        m_cards[i]->measure(Gtk::Orientation::VERTICAL, layout.cardWidth, minimum, natural, ignored, ignored);
        const std::size_t row = i / static_cast<std::size_t>(layout.columns);
        if (rows.size() <= row) rows.resize(row + 1, 0);
        rows[row] = std::max(rows[row], natural);
    }
    return rows;
}

void CardGrid::measure_vfunc(Gtk::Orientation orientation, int forSize, int& minimum, int& natural,
                             int& minimumBaseline, int& naturalBaseline) const {
    minimumBaseline = naturalBaseline = -1;
    if (orientation == Gtk::Orientation::HORIZONTAL) {
        minimum = minCard + 2 * margin;
        natural = 3 * maxCard + 2 * spacing + 2 * margin;
        return;
    }
    const auto rows = rowHeights(layoutFor(forSize < 0 ? minCard + 2 * margin : forSize));
    int height = 2 * margin;
    for (std::size_t row = 0; row < rows.size(); ++row) height += rows[row] + (row > 0 ? rowSpacing : 0);
    minimum = natural = height;
}

void CardGrid::size_allocate_vfunc(int width, int, int) {
    const Layout layout = layoutFor(width);
    m_columns = layout.columns;
    const auto rows = rowHeights(layout);
    int y = margin;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (int column = 0; column < layout.columns; ++column) {
            const std::size_t index = row * static_cast<std::size_t>(layout.columns) + static_cast<std::size_t>(column);
            if (index >= m_cards.size()) break;
            const int x = margin + column * (layout.cardWidth + spacing);
            m_cards[index]->size_allocate(Gtk::Allocation(x, y, layout.cardWidth, rows[row]), -1);
        }
        y += rows[row] + rowSpacing;
    }
}

}  // namespace velk
