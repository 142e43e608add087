#include "StartSymbols.h"

#include "start/Templates.h"

namespace velk::StartSymbols {

std::string_view forTemplate(std::string_view id) noexcept {
    struct Symbol {
        std::string_view id, icon;
    };
    static constexpr Symbol symbols[] = {
        {Templates::blankID, newMap},
        {"wardley", "x-office-presentation-symbolic"},  // a chart on a board
        {"estuarine", "weather-fog-symbolic"},           // waves
        {"multiverse", "emblem-shared-symbolic"},        // three points joined up
    };
    for (const Symbol& symbol : symbols)
        if (symbol.id == id) return symbol.icon;
    return "view-grid-symbolic";
}

}  // namespace velk::StartSymbols
