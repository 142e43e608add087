#pragma once

// The editor's web view on Linux: one WebKitWebView set up from EditorWebConfiguration, seen by
// the editor host through the WebView seam. The binding only translates: every signal of the view
// becomes one call on the host (messages, navigation policy, new-window requests, load results,
// web process deaths, "velk-app" loads), and the host's answer is handed back to WebKit as it is.
//
// Ownership: the binding owns the view (the window packs view() and keeps its own reference) and
// holds the host weakly; attach() comes after the host exists because the host needs the binding
// as its WebView. Signals that arrive with no host attached, or after it is gone, are refused.
//
// Main thread only.

#include "bridge/EditorWebConfiguration.h"
#include "core/Expected.h"
#include "bridge/EditorWebHost.h"
#include "platform/GObjectHolder.h"
#include "platform/MainQueue.h"
#include "platform/WebView.h"

#include <webkit/webkit.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace velk {

class WebKitWebViewBinding final : public WebView {
public:
    WebKitWebViewBinding(const EditorWebConfiguration& configuration, MainQueue& mainQueue);
    ~WebKitWebViewBinding() override;
    WebKitWebViewBinding(const WebKitWebViewBinding&) = delete;
    WebKitWebViewBinding& operator=(const WebKitWebViewBinding&) = delete;

    void attach(std::weak_ptr<EditorWebHost> host);
    [[nodiscard]] GtkWidget* widget() const noexcept { return GTK_WIDGET(m_view.get()); }
    [[nodiscard]] WebKitWebView* view() const noexcept { return m_view.get(); }

    void evaluateScript(std::string_view script) override;
    // Runs `body` as the body of an async function in the page and calls `settled` once its
    // promise is settled or the call failed (no page, a script error); never once the binding
    // is gone.
    void callAsyncFunction(std::string_view body, std::function<void()> settled);
    // The same, handing on what the promise resolved to as text, or the error's message.
    using Result = std::function<void(Expected<std::string, std::string>)>;
    void callAsyncFunctionForText(std::string_view body, Result result);
    void load(std::string_view url, std::chrono::milliseconds timeout) override;
    void reload() override;
    [[nodiscard]] std::optional<std::string> currentURL() const override;
    [[nodiscard]] Size size() const override;
    void snapshot(SnapshotArea area, SnapshotCompletion completion) override;

    // The scheme part of `url` ("velk-app" of "velk-app://editor/"), absent when it has none.
    [[nodiscard]] static std::optional<std::string> schemeOf(std::string_view url);

private:
    static void messageReceived(WebKitUserContentManager* manager, JSCValue* value, gpointer binding);
    static gboolean decidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                 gpointer binding);
    static void loadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer binding);
    static gboolean loadFailed(WebKitWebView* view, WebKitLoadEvent event, char* uri, GError* error, gpointer binding);
    static void processTerminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason, gpointer binding);
    static void answerScheme(WebKitURISchemeRequest* request, gpointer);

    void receive(const char* handler, JSCValue* value);
    [[nodiscard]] std::shared_ptr<EditorWebHost> host() const { return m_host.lock(); }
    void cancelLoadTimeout();

    GObjectHolder<WebKitUserContentManager> m_contentManager;
    GObjectHolder<WebKitWebView> m_view;
    GObjectHolder<GCancellable> m_cancellable;  // drops snapshot completions once the binding is gone
    MainQueue& m_mainQueue;
    std::optional<MainQueue::Ticket> m_loadTimeout;
    std::weak_ptr<EditorWebHost> m_host;
    // Known to the top frame's bootstrap script and to nothing else; see receive().
    const std::string m_seal;
};

}  // namespace velk
