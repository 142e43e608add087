#pragma once

// How the desktop app must set up the editor's web view before it exists: the scheme whose
// loads go to the host's scheme answers, the scripts to install at document start in the main
// frame only (in this order), the message handlers that reach the host, and the page settings.
//
// A value; make() is pure.

#include <string>
#include <vector>

namespace velk {

enum class Tracing { off, on };

struct EditorWebConfiguration {
    std::string scheme;
    std::vector<std::string> userScripts;
    std::vector<std::string> messageHandlers;
    // The page is drawn as it loads rather than held back until it is complete.
    bool suppressesIncrementalRendering = false;
    bool pageScriptsAllowed = true;
    // The platform's press-to-preview of links would show web pages inside the editor.
    bool linkPreviews = false;

    // The page learns it runs inside velk; with tracing on, its console errors and warnings
    // are forwarded to the "velkLog" handler as well.
    [[nodiscard]] static EditorWebConfiguration make(Tracing tracing);

    bool operator==(const EditorWebConfiguration&) const = default;
};

}  // namespace velk
