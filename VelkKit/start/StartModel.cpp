#include "start/StartModel.h"

#include <algorithm>

namespace velk {

void StartModel::reload() {
    m_cards = StartGrid::cards(m_source ? m_source() : std::vector<RecentMap>{});
    m_focus = std::min(m_focus, int(m_cards.size()) - 1);
    changed();
}

void StartModel::move(StartGrid::Move direction, int columns) {
    m_keyboardNavigating = true;
    m_focus = StartGrid::move(direction, m_focus, int(m_cards.size()), columns);
    changed();
}

void StartModel::focusOn(int index) {
    const int clamped = std::clamp(index, 0, int(m_cards.size()) - 1);
    if (clamped == m_focus && m_keyboardNavigating) return;
    m_focus = clamped;
    m_keyboardNavigating = true;
    changed();
}

std::optional<std::string> StartModel::activate(int index) {
    if (index < 0 || index >= int(m_cards.size())) return std::nullopt;
    if (const RecentMap* map = m_cards[std::size_t(index)].recentMap()) return map->path;
    setShowingNew(true);
    return std::nullopt;
}

void StartModel::setShowingNew(bool showing) {
    m_showingNew = showing;
    changed();
}

void StartModel::changed() const {
    if (m_observer) m_observer();
}

}  // namespace velk
