#include "PageAlert.h"

namespace velk {

std::optional<PageAlert> pageAlert(const Expected<SharedBytes, EditorBundle::Failure>& page) {
    if (page) return std::nullopt;
    return PageAlert{"velk cannot open a map window", page.error().description()};
}

}  // namespace velk
