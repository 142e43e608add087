#pragma once

// What an editor window asks of the application around it: the things that reach beyond one
// window. VelkApplication implements it. Main thread only.

#include "document/VelkDocument.h"

#include <optional>
#include <string>

namespace velk {

class EditorWindow;

class EditorWindowShell {
public:
    virtual ~EditorWindowShell() = default;

    // Home: where the user picks a map to work on.
    virtual void showStartWindow() = 0;
    // Opens a copy of `document` in a new window, as a draft.
    virtual void duplicate(const VelkDocument& document) = 0;
    // The document's package is now at `to`. `from` is where it was when nothing is left there (a
    // move or rename), and empty otherwise (newly opened or saved, or saved as a copy).
    virtual void documentPlaced(const std::string& from, const std::string& to) = 0;
    // The window is about to go: its map is written or given up, and GTK destroys it next.
    virtual void windowClosing(EditorWindow& window) = 0;
    // Asked while the window was closing, the user kept it open.
    virtual void closeDeclined() = 0;
    // Why a package may not be at `folder`, when the package of an open map other than `besides`'s
    // (none: every one) holds that place or lies inside it: each would take the other's saves for
    // another program's.
    [[nodiscard]] virtual std::optional<std::string> placeInsideOpenMap(const std::string& folder,
                                                                        const EditorWindow* besides) const = 0;
};

}  // namespace velk
