#pragma once

// The start window's controller: where velk opens when no map is open. It owns the grid's model
// (a "New map" card, then the recent maps) and the template list, and performs everything the
// window's views ask for: making a new map from a template in the maps folder, opening a map,
// taking one off the recent list. The application makes one and keeps it for the whole run.
//
// The toolkit is reached only through StartWindowView, and the rest of the application through
// the functions in Services, so the controller runs without a display. Main thread only.

#include "app/PageAlert.h"
#include "platform/FileSystem.h"
#include "start/StartWindowView.h"
#include "trace/TraceSink.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velk {

class StartWindowController {
public:
    // Called with the maps folder, or with nothing when the user cancelled the question.
    using FolderChosen = std::function<void(std::optional<std::string>)>;

    struct Services {
        FileSystem& fileSystem;
        // The shipped templates' folder; absent when the app has none, and then no map is made.
        std::optional<std::string> templatesDirectory;
        TraceSink trace;
        // The recent maps, most recent first, as the grid shows them.
        StartModel::Source recents;
        // Takes every spelling of the package off the desktop's recent list.
        std::function<void(const std::string&)> forgetRecent;
        // The folder for a new map: VELK_MAPS_FOLDER, the remembered folder, or the user's answer.
        std::function<void(FolderChosen)> folderForNewMap;
        // Opens the package in an editor window; what to tell the user when it could not.
        std::function<std::optional<PageAlert>(const std::string&)> openMap;
        std::function<void()> browse;
        std::function<void(const std::string&)> showInFiles;
        // Starts the template pictures that are missing (they appear in the sheet when done).
        std::function<void(const std::vector<MapTemplate>&)> preparePreviews;
    };

    // The heading of every alert about a map that could not be made.
    static constexpr std::string_view cannotMakeHeading = "The new map could not be made";

    // Requires: `view` outlives the controller.
    StartWindowController(Services services, StartWindowView& view);

    [[nodiscard]] const std::vector<MapTemplate>& templates() const noexcept { return m_templates; }
    [[nodiscard]] StartModel& model() noexcept { return m_model; }
    [[nodiscard]] const StartActions& actions() const noexcept { return m_actions; }
    [[nodiscard]] bool isVisible() const { return m_view.isVisible(); }
    [[nodiscard]] const std::optional<std::string>& templatesDirectory() const noexcept {
        return m_services.templatesDirectory;
    }

    // Brings the start window up with fresh recent maps and templates, with the new-map sheet
    // open or closed.
    void show(bool newSheet);
    // Makes a new map from the template in the maps folder and opens it; a failure is shown in
    // the start window, whose sheet stays open.
    void start(const MapTemplate& from);
    // Opens the map; the start window closes once it is open, and tells why when it is not.
    void open(const std::string& package);
    void removeFromRecents(const std::string& package);

private:
    void loadTemplates();
    void make(const MapTemplate& from, const std::string& folder);

    Services m_services;
    StartWindowView& m_view;
    std::vector<MapTemplate> m_templates;
    StartModel m_model;
    StartActions m_actions;
    // A folder question is open: a second click on a template makes no second map.
    bool m_asking = false;
};

}  // namespace velk
