#include "start/StartGrid.h"

#include "core/Overloaded.h"

#include <unicode/locid.h>
#include <unicode/reldatefmt.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cmath>

namespace velk {

std::string StartCard::id() const {
    return std::visit(Overloaded{
                          [](const New&) { return std::string("new"); },
                          [](const RecentMap& map) { return map.id(); },
                      },
                      m_case);
}

namespace StartGrid {

std::vector<StartCard> cards(const std::vector<RecentMap>& recents) {
    std::vector<StartCard> result{StartCard::newMap()};
    for (const RecentMap& map : recents) result.push_back(StartCard::recent(map));
    return result;
}

int columns(double width, double minCard, double spacing) {
    if (!(width > 0)) return 1;
    const double fitting = std::floor((width + spacing) / (minCard + spacing));
    if (!(fitting >= 1)) return 1;
    return fitting > 1e6 ? 1000000 : int(fitting);
}

int move(Move direction, int from, int count, int columns) {
    if (count < 1) return 0;
    const int last = count - 1;
    const int cols = std::max(columns, 1);
    const int i = std::clamp(from, 0, last);
    switch (direction) {
    case Move::left: return std::max(i - 1, 0);
    case Move::right: return std::min(i + 1, last);
    case Move::up: return i >= cols ? i - cols : i;
    case Move::down: return i < count - cols ? i + cols : i;
    }
    return i;
}

std::optional<std::string> editedLabel(std::optional<TimePoint> modified, TimePoint now, std::string_view locale) {
    if (!modified) return std::nullopt;
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - std::min(*modified, now)).count();
    // The largest unit that fits at least once, as people say it: "3 weeks ago", not "23 days ago".
    struct Unit {
        long long seconds;
        URelativeDateTimeUnit unit;
    };
    static constexpr Unit units[] = {
        {365 * 86400LL, UDAT_REL_UNIT_YEAR}, {30 * 86400LL, UDAT_REL_UNIT_MONTH}, {7 * 86400LL, UDAT_REL_UNIT_WEEK},
        {86400, UDAT_REL_UNIT_DAY},          {3600, UDAT_REL_UNIT_HOUR},          {60, UDAT_REL_UNIT_MINUTE},
        {1, UDAT_REL_UNIT_SECOND},
    };
    Unit chosen = units[std::size(units) - 1];
    for (const Unit& unit : units) {
        if (elapsed >= unit.seconds) {
            chosen = unit;
            break;
        }
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::RelativeDateTimeFormatter formatter(icu::Locale(std::string(locale).c_str()), nullptr, UDAT_STYLE_LONG,
                                                   UDISPCTX_CAPITALIZATION_NONE, status);
    if (U_FAILURE(status)) return std::nullopt;
    icu::UnicodeString phrase;
    // Zero stays a positive zero: the formatter words a negative one as "0 seconds ago".
    const long long count = elapsed / chosen.seconds;
    formatter.formatNumeric(count == 0 ? 0.0 : -double(count), chosen.unit, phrase, status);
    if (U_FAILURE(status)) return std::nullopt;
    std::string text = "Edited ";
    phrase.toUTF8String(text);
    return text;
}

std::vector<std::string> recents(const std::vector<std::string>& paths, std::string_view path) {
    const std::string key = RecentMaps::standardized(path);
    std::vector<std::string> kept;
    for (const std::string& entry : paths) {
        if (RecentMaps::standardized(entry) != key) kept.push_back(entry);
    }
    return kept;
}

std::string displayName(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    if (const std::size_t slash = path.rfind('/'); slash != std::string_view::npos && path.size() > 1)
        path = path.substr(slash + 1);
    // A leading dot starts a hidden name, not an extension.
    if (const std::size_t dot = path.rfind('.'); dot != std::string_view::npos && dot > 0) path = path.substr(0, dot);
    return std::string(path);
}

}  // namespace StartGrid
}  // namespace velk
