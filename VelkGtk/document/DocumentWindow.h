#pragma once

// What a VelkDocument asks of the window that shows it. EditorWindow implements it; the desktop
// unit tests record the calls instead.
//
// The window tells the document about itself with VelkDocument::showIn and takes itself back
// before it goes. Main thread only.

#include <string>

namespace velk {

class DocumentWindow {
public:
    virtual ~DocumentWindow() = default;

    // The document's name, place or edited state changed: show it again (title, page name).
    virtual void documentDidChange() = 0;

    // Tells the user about something no caller can be handed: a failed move or save, an outside
    // change that conflicted. Never waits for the user.
    virtual void presentAlert(std::string message, std::string detail) = 0;

    // The page asked to save the document under a new name and place.
    virtual void runSaveAs() = 0;

    // The page asked to export the map on screen (only its selected cards when `selection`).
    virtual void runExport(bool selection) = 0;

    // The page asked to go home: the start window.
    virtual void showStartWindow() = 0;
};

}  // namespace velk
