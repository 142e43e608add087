#pragma once

// Why a document could not be renamed. The message is whole as the user sees it; nothing is
// added around it. A value type.

#include <string>

namespace velk {

struct RenameError {
    std::string message;

    [[nodiscard]] const std::string& description() const noexcept { return message; }
    bool operator==(const RenameError&) const = default;
};

}  // namespace velk
