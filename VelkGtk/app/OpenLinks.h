#pragma once

// Opening velk's own links (velk://s/<share id>, velk://h/<hand-off id>) that the desktop hands
// the application: the map is fetched from the share service, written as a new package into
// the maps folder and opened in an editor window; every problem ends in a short alert, a title
// and one sentence. A share opened before opens the copy made then, as long as it is still
// there; a hand-off is good for one opening, so its copies are never remembered.
//
// The application makes one and keeps it for the whole run. The toolkit and the rest of the
// application are reached only through Services, so the opener runs without a display. Main
// thread only; the fetch completes on the HTTP client's thread and hops to the main queue.

#include "platform/Defaults.h"
#include "platform/FileSystem.h"
#include "platform/HttpClient.h"
#include "platform/MainQueue.h"
#include "platform/Workspace.h"
#include "share/SharedLink.h"
#include "trace/TraceSink.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace velk {

class OpenLinks {
public:
    // What the user is told: `title` first, `message` below it. With a `page`, the alert offers
    // to show that web page in the browser.
    struct Alert {
        std::string title;
        std::string message;
        std::optional<std::string> page;
        bool operator==(const Alert&) const = default;
    };
    enum class Choice { showInBrowser, close };
    using FolderChosen = std::function<void(std::optional<std::string>)>;

    struct Services {
        HttpClient& http;
        MainQueue& mainQueue;
        Defaults& defaults;
        FileSystem& fileSystem;
        Workspace& workspace;
        TraceSink trace;
        // The folder for a new map: VELK_MAPS_FOLDER, the remembered folder, or the user's answer.
        std::function<void(FolderChosen)> folderForNewMap;
        // Puts `alert` on screen, modal; `answered` is called once, when the user dismissed it.
        std::function<void(const Alert&, std::function<void(Choice)> answered)> present;
        // Opens the package in an editor window, telling the user why when it cannot; whether a
        // window came back.
        std::function<bool(const std::string& package)> openPackage;
        // Called in pairs around every fetch, question and alert, so that an application with
        // nothing on screen yet keeps running until the link has been dealt with.
        std::function<void()> hold;
        std::function<void()> release;
    };

    // The user default that overrides the share service's base URL for opening links.
    static constexpr std::string_view shareBaseKey = "ShareBase";
    // The user default mapping each share id to the package opening it made.
    static constexpr std::string_view sharedCopiesKey = "SharedCopies";

    explicit OpenLinks(Services services);
    OpenLinks(const OpenLinks&) = delete;
    OpenLinks& operator=(const OpenLinks&) = delete;

    // Starts opening `url`; everything after it happens later and ends in a window or an alert.
    void open(std::string_view url);
    // Decides on the service's answer for `link`: `status` is absent when no HTTP answer came,
    // `error` the transport's description of why.
    void arrived(const SharedLink::Link& link, const std::string& base, const std::optional<std::string>& body,
                 std::optional<int> status, const std::optional<std::string>& error);
    void alert(std::string title, std::string message, std::optional<std::string> page = std::nullopt);
    // Opens the package at `package` in an editor window.
    void show(const std::string& package);

private:
    class Hold;
    [[nodiscard]] std::shared_ptr<Hold> hold();
    void save(const SharedLink::Link& link, const std::optional<std::string>& body, const std::string& folder);

    Services m_services;
    // Outlived by nothing that refers to it: late completions check it before touching this.
    std::shared_ptr<OpenLinks*> m_self;
};

}  // namespace velk
