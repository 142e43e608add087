#pragma once

// The real editor page showing a map in a window nobody sees: for pictures of templates and for
// exporting a map without a window of its own (velk-cli export). The page is the map's document,
// read-only: it loads the map's state and may "save" without anything being kept; images cannot
// be added, and renaming or saving elsewhere is not offered.
//
// GTK 4 has no offscreen windows. The window here is realized (it has a surface and a renderer)
// but never mapped, so nothing reaches the screen; the web view inside it is sized and mapped by
// hand, so WebKit lays the page out at that size, counts it as visible (the page's animation
// frames run) and can take its snapshot.
//
// Made by make() and held through a std::shared_ptr (the page's host holds it weakly as its
// document). Main thread only.

#include "bridge/EditorDocumentHost.h"
#include "bridge/EditorWebHost.h"
#include "package/MapDocumentCore.h"
#include "platform/WebKitWebViewBinding.h"

#include <gtkmm/window.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace velk {

class UnseenMapPage final : public EditorDocumentHost, public std::enable_shared_from_this<UnseenMapPage> {
public:
    struct Services {
        MainQueue& mainQueue;
        HttpClient& http;
        LinkPreviewFetcher& previews;
        Workspace& workspace;
        TraceSink trace;
    };

    // `readOnly` is the sentence a refused image store answers with.
    [[nodiscard]] static std::shared_ptr<UnseenMapPage> make(Services services, DocumentTree tree, SharedBytes html,
                                                            std::string readOnly);
    UnseenMapPage(Services services, DocumentTree tree, SharedBytes html, std::string readOnly);
    ~UnseenMapPage() override;

    // Lays the page out at `width` × `height` points and starts loading `url`.
    void show(const std::string& url, int width, int height);
    // Takes the window and the view down; the page is gone after.
    void tearDown();

    // The view, absent before show() and after tearDown().
    [[nodiscard]] WebKitWebViewBinding* binding() const noexcept { return m_binding.get(); }
    // When the page first took the map's state.
    [[nodiscard]] std::optional<std::chrono::steady_clock::time_point> stateGiven() const noexcept { return m_stateGiven; }
    // Runs `then` on the main queue soon after the page first takes the map's state.
    void whenStateGiven(std::function<void()> then) { m_whenStateGiven = std::move(then); }

    [[nodiscard]] Expected<JSONValue, EditorDocumentError> editorLoad() override;
    [[nodiscard]] Expected<std::int64_t, EditorDocumentError> editorSave(const JSONValue& body) override;
    [[nodiscard]] Expected<std::string, EditorDocumentError> editorStoreMedia(std::string_view bytes,
                                                                             std::string_view type) override;
    [[nodiscard]] SharedBytes editorMedia(std::string_view name, std::string_view directory) override;

    [[nodiscard]] const DocumentTree& tree() const noexcept { return m_core.tree(); }

private:
    Services m_services;
    MapDocumentCore m_core;
    SharedBytes m_html;
    std::string m_readOnly;
    std::unique_ptr<WebKitWebViewBinding> m_binding;
    std::shared_ptr<EditorWebHost> m_host;
    std::unique_ptr<Gtk::Window> m_window;
    std::optional<std::chrono::steady_clock::time_point> m_stateGiven;
    std::function<void()> m_whenStateGiven;
};

}  // namespace velk
