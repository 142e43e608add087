#pragma once

// What velk tells the user instead of opening an editor window: that it cannot read its editor
// page, or that what it was asked to open is not a map it can read. Decided apart from GTK, so
// the decision is tested without a display; the application only puts the result in a dialog.

#include "bridge/EditorBundle.h"

#include <optional>
#include <string>

namespace velk {

struct PageAlert {
    std::string heading;
    std::string detail;
    bool operator==(const PageAlert&) const = default;
};

// Absent when the page was read, and only then may a window open.
[[nodiscard]] std::optional<PageAlert> pageAlert(const Expected<SharedBytes, EditorBundle::Failure>& page);

}  // namespace velk
