#pragma once

// A developer's tool inside velk: VELK_START_SNAPSHOTS (present at all, even empty) makes velk
// draw the start window and the new-map sheet, light and dark, once with no recent maps and
// once with six made-up ones, write them as PNG files to that folder and quit, without showing
// a window. The real StartView and NewMapSheet are drawn, over the real templates and their
// real pictures, which it waits for (up to 20 seconds) while the main loop runs.
//
// The clock and the loop are services, so tests need not wait in earnest. A picture that cannot
// be written is skipped without a word. Main thread only.

#include "TemplatePreviews.h"
#include "platform/FileSystem.h"
#include "start/RecentMaps.h"
#include "trace/TraceSink.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velk {

class StartSnapshots {
public:
    using Clock = std::chrono::steady_clock;

    struct Services {
        FileSystem& fileSystem;
        std::optional<std::string> templatesDirectory;
        TemplatePreviews& previews;
        std::string buildText;
        TraceSink trace;
        // Where the made-up recent maps are written ("velk-start-snapshots" inside it).
        std::string temporaryFolder;
        std::function<Clock::time_point()> now = Clock::now;
        // Runs the main loop for about that long.
        std::function<void(std::chrono::milliseconds)> runFor = runMainLoop;
    };

    static constexpr std::chrono::milliseconds previewPatience{20000};
    static constexpr std::chrono::milliseconds previewStep{200};
    static constexpr std::chrono::milliseconds layoutTime{300};
    static constexpr int width = 960;
    static constexpr int height = 640;
    static constexpr int thumbnailWidth = 480;
    static constexpr int thumbnailHeight = 300;

    // The folder VELK_START_SNAPSHOTS asks for, given the variable's value (null when unset).
    [[nodiscard]] static std::optional<std::string> requested(const char* variable);

    explicit StartSnapshots(Services services) : m_services(std::move(services)) {}
    // Writes the six pictures into `folder`, made first.
    void run(const std::string& folder);

    // Six packages with thumbnails in a fresh folder under `temporaryFolder`, as recent maps.
    [[nodiscard]] static std::vector<RecentMap> fakeRecentMaps(const std::string& temporaryFolder);
    // A picture for the made-up map number `seed`: the same for the same seed, 480 x 300.
    [[nodiscard]] static std::optional<std::string> thumbnail(int seed);
    static void runMainLoop(std::chrono::milliseconds duration);

private:
    void waitForPreviews(const std::vector<MapTemplate>& templates);
    void keep(const std::string& folder, const std::string& name, const std::string& png);

    Services m_services;
};

}  // namespace velk
