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

    // Takes a picture of the view; the completion runs later, on the main thread, exactly once.
    virtual void snapshot(SnapshotCompletion completion) = 0;
};

}  // namespace velk
