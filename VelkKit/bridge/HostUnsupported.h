#pragma once

// An editor operation that the document behind this editor does not offer (a template preview
// cannot be renamed, for one). `what` names the operation as the user would: "Rename".

#include <string>

namespace velk {

struct HostUnsupported {
    std::string what;

    [[nodiscard]] std::string description() const { return what + " is not available here yet"; }
    bool operator==(const HostUnsupported&) const = default;
};

}  // namespace velk
