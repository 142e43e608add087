#pragma once

// The start window on screen. Its header bar is the top bar: the app icon and "velk" at the
// start, "Open…" (Ctrl+O) and the primary menu at the end; the window's title, "Start", names it
// in window lists but is not shown. Below it the StartView, and over both, while it is open, the
// new-map sheet. Closing the window hides it; the application decides what closing it means.
//
// GTK cannot give the window a level, a collection behaviour or window restoration, and it has
// no panels: the trace line names only what GTK has (title, decorations, close button, resizing,
// the header bar as title bar, the minimum size, and whether the Window menu lists it).
//
// Made once by the application, which outlives it. Main thread only.

#include "NewMapSheet.h"
#include "StartView.h"
#include "StartWindowView.h"
#include "TemplatePreviews.h"

#include <giomm/menumodel.h>
#include <gtkmm/applicationwindow.h>
#include <gtkmm/overlay.h>

#include <functional>
#include <memory>

namespace velk {

class StartWindow final : public Gtk::ApplicationWindow, public StartWindowView {
public:
    struct Setup {
        Glib::RefPtr<Gio::MenuModel> menu;  // the primary menu
        std::string buildText;
        std::function<void()> sendFeedback;
        // The user closed the window (it is hidden now).
        std::function<void()> closed;
    };

    StartWindow(TemplatePreviews& previews, Setup setup);
    ~StartWindow() override;

    void rebuild(StartModel& model, const std::vector<MapTemplate>& templates, const StartActions& actions) override;
    void present() override;
    void close() override;
    [[nodiscard]] bool isVisible() const override { return get_visible(); }
    void presentError(const std::string& heading, const std::string& detail) override;
    [[nodiscard]] std::string traits() const override;

    [[nodiscard]] StartView* view() const noexcept { return m_view; }
    [[nodiscard]] NewMapSheet* sheet() const noexcept { return m_sheet; }

private:
    bool on_close_request() override;
    void buildTopBar();
    void modelChanged();

    TemplatePreviews& m_previews;
    Setup m_setup;
    Gtk::Overlay m_overlay;
    StartView* m_view = nullptr;
    NewMapSheet* m_sheet = nullptr;
    StartModel* m_model = nullptr;
    std::function<void()> m_browse;
    std::unique_ptr<Gtk::Window> m_alert;
};

}  // namespace velk
