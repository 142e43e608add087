#pragma once

// One template drawn by the real editor page in a window nobody sees (UnseenMapPage), and
// photographed. start() loads the page with the view framed on the map's content, hides the
// editor's controls 2 seconds later (and at least a second after the page was given the map),
// takes a picture 480 points wide, takes the page down and calls `done` once. Made by make() and
// held through a std::shared_ptr by TemplatePreviews; letting go of it early drops the picture.
// Main thread only.

#include "TemplatePreviews.h"

#include "export/UnseenMapPage.h"

#include <memory>
#include <optional>
#include <string>

namespace velk {

class TemplateRenderer final : public TemplatePreviews::Rendering, public std::enable_shared_from_this<TemplateRenderer> {
public:
    using Services = UnseenMapPage::Services;

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
    // The read-only document the page shows.
    [[nodiscard]] UnseenMapPage& page() const noexcept { return *m_page; }

private:
    void waitFor(std::chrono::milliseconds delay);
    void settled();
    void takePicture();
    void finish(std::optional<std::string> png);
    void tearDown();

    Services m_services;
    std::shared_ptr<UnseenMapPage> m_page;
    TemplatePreviews::Done m_done;
    std::optional<MainQueue::Ticket> m_settle;
    std::chrono::steady_clock::time_point m_loadStarted;
};

}  // namespace velk
