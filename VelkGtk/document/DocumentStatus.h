#pragma once

// What a window shows of its document: the name, where the package is, and whether there is
// anything the user could lose. A value, compared to tell when to show it again.

#include <string>

namespace velk {

struct DocumentStatus {
    std::string displayName;
    std::string folder;
    bool draft = false;           // not saved anywhere the user chose yet
    bool edited = false;          // changed by the page since it was opened or made
    bool unsavedChanges = false;  // holds changes not written to its package yet (refused ones too)
    bool operator==(const DocumentStatus&) const = default;
};

}  // namespace velk
