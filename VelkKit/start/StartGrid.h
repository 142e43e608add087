#pragma once

// The rules of the start window's grid, free of any toolkit: which cards it shows (always a
// "New map" card first, then the recent maps), how many columns fit a width, where the arrow
// keys move the focus, and the "Edited ..." label under a recent map.
//
// Pure functions; safe from any thread.

#include "start/RecentMaps.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velk {

// One card of the grid: the card that makes a new map, or a recent map.
class StartCard {
public:
    struct New {
        bool operator==(const New&) const = default;
    };
    using Case = std::variant<New, RecentMap>;

    static StartCard newMap() { return StartCard(New{}); }
    static StartCard recent(RecentMap map) { return StartCard(std::move(map)); }

    [[nodiscard]] const Case& value() const noexcept { return m_case; }
    [[nodiscard]] const RecentMap* recentMap() const noexcept { return std::get_if<RecentMap>(&m_case); }
    // The card's identity in the grid: "new", or the recent map's id.
    [[nodiscard]] std::string id() const;
    bool operator==(const StartCard&) const = default;

private:
    explicit StartCard(Case value) : m_case(std::move(value)) {}
    Case m_case;
};

namespace StartGrid {

// Card widths and the gap between columns, in points.
inline constexpr double minCard = 200;
inline constexpr double maxCard = 240;
inline constexpr double spacing = 16;
// The grid's margin on every side; the window asks for columns with its width less twice this.
inline constexpr double margin = 24;
inline constexpr double rowSpacing = 20;

enum class Move { left, right, up, down };

// The new-map card followed by one card per row, in order.
[[nodiscard]] std::vector<StartCard> cards(const std::vector<RecentMap>& recents);

// How many cards of at least `minCard` fit in `width` with `spacing` between them; at least 1.
[[nodiscard]] int columns(double width, double minCard = StartGrid::minCard, double spacing = StartGrid::spacing);

// The focus after an arrow key. Moves stop at the edges instead of wrapping, and down does not
// enter a short last row from a column it lacks. An index outside the grid is first clamped.
[[nodiscard]] int move(Move direction, int from, int count, int columns);

// "Edited " and the time since `modified` in words, relative to `now`, in `locale` (an ICU locale
// id such as "en_US"). A time in the future counts as now. Absent without a time, or when the
// locale's phrases cannot be had.
[[nodiscard]] std::optional<std::string> editedLabel(std::optional<TimePoint> modified, TimePoint now,
                                                     std::string_view locale);

// `paths` without every spelling of `path` (compared after standardizing), the rest in order.
[[nodiscard]] std::vector<std::string> recents(const std::vector<std::string>& paths, std::string_view path);

// The last path component without its extension: "/maps/Trip.velk" -> "Trip".
[[nodiscard]] std::string displayName(std::string_view path);

}  // namespace StartGrid
}  // namespace velk
