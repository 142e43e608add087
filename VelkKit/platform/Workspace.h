#pragma once

// Workspace hands things to the rest of the desktop: web pages to the user's browser and files
// to the file manager. The desktop app implements it with the platform's default handlers.
//
// Main thread only.

#include <string_view>

namespace velk {

class Workspace {
public:
    virtual ~Workspace() = default;

    // Opens `url` with the user's default handler for its scheme. Callers decide which schemes
    // may leave velk; this does not check.
    virtual void openURL(std::string_view url) = 0;

    // Shows the file or folder at the absolute `path` in the file manager, selected.
    virtual void revealFile(std::string_view path) = 0;
};

}  // namespace velk
