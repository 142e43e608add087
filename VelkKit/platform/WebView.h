#pragma once

// WebView is the seam between the editor host and the embedded web view that shows the editor
// page. The desktop app implements it over WebKitGTK; the tests record what was asked of it.
// The view is configured when it is made (see EditorWebConfiguration), so this interface holds
// only what the host does with a view that already exists.
//
// Main thread only, like the view itself.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velk {

class WebView {
public:
    // PNG bytes of what the view shows, or nothing when it could not be taken.
    using SnapshotCompletion = std::function<void(std::optional<std::string> png)>;

    // The view's size in points, as laid out now (zero before it is shown).
    struct Size {
        double width = 0;
        double height = 0;
        bool operator==(const Size&) const = default;
    };

    // Which part of the view a snapshot shows, in view points from its top left corner, and how
    // wide the picture is made: its height follows the part's proportions.
    struct SnapshotArea {
        double x = 0;
        double y = 0;
        double width = 0;
        double height = 0;
        int pictureWidth = 0;
        bool operator==(const SnapshotArea&) const = default;
    };

    virtual ~WebView() = default;

    // Runs `script` in the page's main frame. Nothing waits for it and its result is dropped.
    virtual void evaluateScript(std::string_view script) = 0;

    // Starts loading `url` with the protocol's own cache policy; the load fails when it takes
    // longer than `timeout`.
    virtual void load(std::string_view url, std::chrono::milliseconds timeout) = 0;

    // Starts the current page over.
    virtual void reload() = 0;

    // The URL of the page shown now, absent before anything was loaded.
    [[nodiscard]] virtual std::optional<std::string> currentURL() const = 0;

    [[nodiscard]] virtual Size size() const = 0;

    // Takes a picture of `area` of the view, scaled to the area's picture width. The completion
    // runs later, on the main thread, at most once: never after the view is gone.
    virtual void snapshot(SnapshotArea area, SnapshotCompletion completion) = 0;
};

}  // namespace velk
