#pragma once

// One template drawn by the real editor page in a window nobody sees, and photographed. The
// renderer is the editor's document, read-only: the page loads the template's state and may
// "save" without anything being kept; images cannot be added, and renaming or saving elsewhere
// is not offered.
//
// GTK 4 has no offscreen windows. The window here is realized (it has a surface and a renderer)
// but never mapped, so nothing reaches the screen; the web view inside it is sized and mapped by
// hand, so WebKit lays the page out at that size, counts it as visible (the page's animation
// frames run) and can take its snapshot.
//
// start() loads the page with the view framed on the map's content, hides the editor's controls
// 2 seconds later (and at least a second after the page was given the map), takes a picture 480 points wide, takes the window and web view down and calls
// `done` once. Made by make() and held through a std::shared_ptr by TemplatePreviews; letting
// go of it early drops the picture. Main thread only.

#include "TemplatePreviews.h"

#include "bridge/EditorDocumentHost.h"
#include "bridge/EditorWebHost.h"
#include "package/MapDocumentCore.h"
#include "platform/WebKitWebViewBinding.h"

#include <gtkmm/window.h>

#include <memory>
#include <optional>
#include <string>

namespace velk {

class TemplateRenderer final : public TemplatePreviews::Rendering,
                               public EditorDocumentHost,
                               public std::enable_shared_from_this<TemplateRenderer> {
public:
    struct Services {
        MainQueue& mainQueue;
        HttpClient& http;
        LinkPreviewFetcher& previews;
        Workspace& workspace;
        TraceSink trace;
    };

    // The picture is taken this long after the load starts, and no sooner than drawTime after
    // the page was given the map.
    static constexpr std::chrono::milliseconds settleTime{2000};
    static constexpr std::chrono::milliseconds drawTime{1000};
    static constexpr std::chrono::milliseconds stateCheck{250};
    static constexpr std::string_view readOnly = "A template is read-only";

    [[nodiscard]] static std::shared_ptr<TemplateRenderer> make(Services services, DocumentTree tree, SharedBytes html,
                                                               TemplatePreviews::Done done);
    TemplateRenderer(Services services, DocumentTree tree, SharedBytes html, TemplatePreviews::Done done);
    ~TemplateRenderer() override;

    void start() override;

    [[nodiscard]] Expected<JSONValue, EditorDocumentError> editorLoad() override;
    [[nodiscard]] Expected<std::int64_t, EditorDocumentError> editorSave(const JSONValue& body) override;
    [[nodiscard]] Expected<std::string, EditorDocumentError> editorStoreMedia(std::string_view bytes,
                                                                             std::string_view type) override;
    [[nodiscard]] SharedBytes editorMedia(std::string_view name, std::string_view directory) override;

private:
    void waitFor(std::chrono::milliseconds delay);
    void settled();
    void takePicture();
    void finish(std::optional<std::string> png);
    void tearDown();

    Services m_services;
    MapDocumentCore m_core;
    SharedBytes m_html;
    TemplatePreviews::Done m_done;
    std::unique_ptr<WebKitWebViewBinding> m_binding;
    std::shared_ptr<EditorWebHost> m_host;
    std::unique_ptr<Gtk::Window> m_window;
    std::optional<MainQueue::Ticket> m_settle;
    std::chrono::steady_clock::time_point m_loadStarted;
    std::optional<std::chrono::steady_clock::time_point> m_stateGiven;
};

}  // namespace velk
