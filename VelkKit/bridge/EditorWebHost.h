#pragma once

// EditorWebHost runs the native side of one editor web view. It loads the editor page, answers
// every request the page posts with exactly one reply (BridgeScript::reply), carries each
// request out against its document or the network (link previews, the share service), pushes
// change notices and the document's name to the page, keeps the view on the editor page and
// sends web links to the browser, and reloads the page when the web content process dies.
//
// Ownership: the host is made by make() and owned through a std::shared_ptr by the document's
// window. It refers to its document weakly: once the document is gone every request is answered
// "document is gone". Work that outlives a call (an HTTP exchange, a link preview) holds the
// host weakly and is dropped, unanswered, when the host is gone by the time it finishes.
//
// The desktop app's web view binding makes the view from EditorWebConfiguration, then forwards
// the view's callbacks to receive(), decideNavigation(), refuseNewWindow(), the didFinish/
// didFail notices, webContentProcessTerminated() and answerScheme().
//
// Main thread only. Network completions arrive on other threads and hop back through the main
// queue before touching the host.

#include "bridge/BridgeReply.h"
#include "bridge/BridgeRequest.h"
#include "bridge/EditorDocumentHost.h"
#include "bridge/EditorPageContract.h"
#include "bridge/SchemeHandler.h"
#include "bridge/WebMessage.h"
#include "core/Expected.h"
#include "package/DocumentTree.h"
#include "platform/HttpClient.h"
#include "platform/MainQueue.h"
#include "platform/WebView.h"
#include "platform/Workspace.h"
#include "preview/LinkPreviewFetcher.h"
#include "trace/TraceSink.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include "share/ShareBase.h"

#include <optional>
#include <string>
#include <string_view>

namespace velk {

enum class NavigationPolicy { allow, cancel };

class EditorWebHost : public std::enable_shared_from_this<EditorWebHost> {
public:
    static constexpr std::string_view messageName = EditorPageContract::requestHandler;
    static constexpr std::string_view scheme = EditorPageContract::scheme;
    static constexpr std::string_view indexURL = EditorPageContract::editorPageURL;
    static constexpr std::chrono::milliseconds loadTimeout{60000};

    // The feedback page to open for the page's message (absent when it sent none).
    using FeedbackLink = std::function<std::string(std::optional<std::string_view> message)>;

    // What the host works through. Requires: each of them outlives the host, and the main queue,
    // the HTTP client and the preview fetcher outlive every exchange the host started.
    struct Services {
        WebView& webView;
        MainQueue& mainQueue;
        HttpClient& http;  // share service requests
        LinkPreviewFetcher& previews;
        Workspace& workspace;
        FeedbackLink feedbackURL;
        TraceSink trace;
        // Where shares are published and withdrawn: the service the user chose to open links
        // from, so a map is never sent to another host than the one its links come back from.
        std::string shareBase = std::string(defaultShareBase());
    };

    // Does not load the page; see loadEditor().
    [[nodiscard]] static std::shared_ptr<EditorWebHost> make(SharedBytes bundleHTML,
                                                            std::weak_ptr<EditorDocumentHost> document,
                                                            Services services);

    EditorWebHost(const EditorWebHost&) = delete;
    EditorWebHost& operator=(const EditorWebHost&) = delete;

    // Loads the editor page.
    void loadEditor();
    // The view that shows the page.
    [[nodiscard]] WebView& webView() const noexcept { return m_services.webView; }
    // Shows `name` as the document's name in the page.
    void setDocumentName(std::string_view name);
    // Tells the page its document changed to `revision`, for instance with origin "file" when
    // the package was read again from disk.
    void notifyChanged(std::int64_t revision, std::string_view origin);

    // A message the page posted to one of the configured handlers.
    void receive(const WebMessage& message);

    // Whether the view may go to `url` (absent when the navigation has none). Web links are
    // handed to the browser and cancelled in the view.
    [[nodiscard]] NavigationPolicy decideNavigation(std::optional<std::string_view> url);
    // The page asked for a new window; none is ever made, but a web link goes to the browser.
    void refuseNewWindow(std::optional<std::string_view> url);

    void didFinishNavigation();
    void didFailNavigation(std::string_view error);
    void didFailProvisionalNavigation(std::string_view error);
    // The page starts over and asks for its state again.
    void webContentProcessTerminated();

    // The answer to a load under the "velk-app" scheme: the editor page, or an image of the
    // document while it is there.
    [[nodiscard]] Expected<SchemeHandler::Response, SchemeHandler::URLError> answerScheme(
        std::optional<std::string_view> url) const;

    // Hands an http or https URL to the browser; any other scheme is ignored.
    void openExternally(std::string_view url);

private:
    struct Key {};

public:
    EditorWebHost(Key, SharedBytes bundleHTML, std::weak_ptr<EditorDocumentHost> document, Services services);

private:
    void handle(const BridgeRequest& request);
    void reply(std::int64_t id, const BridgeReply& answer);
    void answerLoad(std::int64_t id, EditorDocumentHost& document);
    void answerSave(std::int64_t id, const std::optional<JSONValue>& payload, EditorDocumentHost& document);
    void answerMedia(std::int64_t id, const std::optional<JSONValue>& payload, EditorDocumentHost& document);
    void startShare(std::int64_t id, const std::optional<JSONValue>& payload, EditorDocumentHost& document);
    void startUnshare(std::int64_t id, const std::optional<JSONValue>& payload);
    void startPreview(std::int64_t id, const std::optional<JSONValue>& payload);
    void finishPreview(std::uint64_t page, std::int64_t id, const LinkPreviewFetcher::Result& result);
    // Answers a request that took a while, unless the page that sent it was loaded again since:
    // each page numbers its requests afresh, so the answer would settle another request.
    void replyToPage(std::uint64_t page, std::int64_t id, const BridgeReply& answer);
    // Runs a share service request and answers `id` from the service's answer.
    void send(HttpRequest request, std::int64_t id);

    SharedBytes m_bundleHTML;
    std::weak_ptr<EditorDocumentHost> m_document;
    Services m_services;
    std::uint64_t m_page = 0;  // counts the loads of the editor page
};

}  // namespace velk
