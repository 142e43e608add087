#pragma once

// Drives the real application end to end: the real VelkApplication on a package in a temporary
// folder, the real WebKitGTK view and the real editor page, on whatever display the process has
// (xvfb-run in the tests). Tests wait for conditions with a deadline while the main loop runs,
// evaluate script in the page, act on the page the way a user would (pointer and keyboard events
// dispatched at the element under the point or the focused element), and read the package back
// from disk. Everything the tests know about the page's DOM is in PageDOM below. Main thread
// only; one harness per process at a time.
//
// Every *E2E.cpp in this folder is built into velk_e2e, and each case runs as its own CTest entry
// under its own Xvfb (ctest --test-dir build -R '^e2e\.' -j2). One case by hand (one line):
//   WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS=1 WEBKIT_DISABLE_DMABUF_RENDERER=1 GTK_A11Y=none
//     xvfb-run -a build/tests/e2e/velk_e2e --gtest_filter='SubmapE2E.*'
// VELK_TRACE=1 adds velk's trace, with the page's console errors, to the output.

#include "app/VelkApplication.h"
#include "platform/TempFolder.h"

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace velk::e2e {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Long enough for a loaded two-core machine running WebKit under Xvfb; waits end as soon as
// their condition holds, so a generous deadline costs nothing when things work.
inline constexpr std::chrono::milliseconds patience = 30s;

// A PNG of one red pixel, as Base64: the image the media and sharing cases use.
inline constexpr std::string_view redPixel =
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg==";

// The page's DOM as the tests see it: stable ids, the data attribute and classes cards render with.
namespace PageDOM {
inline constexpr std::string_view card = "#cards .card[data-id]";
// Far out, the cards that are plain boxes are drawn on this canvas instead.
inline constexpr std::string_view farCards = "#cards canvas.far-cards:not([hidden])";
inline constexpr std::string_view cardEditor = ".card-editor";
inline constexpr std::string_view viewport = "#viewport";
inline constexpr std::string_view contextBar = "#contextBar";
inline constexpr std::string_view openSubmapButton = "#ctx-open";
inline constexpr std::string_view rootCrumb = "#crumbs .crumb";
inline constexpr std::string_view toast = "#toast";
}  // namespace PageDOM

// What a script evaluated in the page gave back: the exception or failure when it did not run
// through, else the value as JavaScript's String() makes it.
struct ScriptResult {
    std::optional<std::string> error;
    std::string text;
    [[nodiscard]] bool ok() const noexcept { return !error; }
};

struct Point {
    double x;
    double y;
};

// The parts written one after another, numbers in full precision; for building scripts.
template <class... Parts>
std::string concat(const Parts&... parts) {
    std::ostringstream out;
    out.precision(17);
    (out << ... << parts);
    return out.str();
}

// Runs the main loop until `condition` holds or `deadline` passes; true when it held. The
// condition is checked about every 20 ms and after every event the loop handles.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline = patience);

// A package with `count` text cards laid out in a grid, each card "Card <i>" with a few lines
// of text, and edges between neighbours in a row, as JSON Canvas text.
std::string gridCanvas(int count);

// The first visible window of GType `type` (a dialog), waited for; null when none showed.
// GtkFileChooserNative falls back to GTK's own dialog where no portal runs, as under Xvfb.
GtkWidget* visibleWindow(GType type);

// Width and height from a PNG's header; nothing when it is no PNG.
std::optional<std::pair<int, int>> pngSize(const std::string& bytes);

class E2EHarness {
public:
    explicit E2EHarness(const std::string& purpose) : m_folder(purpose) {}
    ~E2EHarness();
    E2EHarness(const E2EHarness&) = delete;
    E2EHarness& operator=(const E2EHarness&) = delete;

    // The test's own folder; packages go here.
    [[nodiscard]] const testing_support::TempFolder& folder() const noexcept { return m_folder; }
    // Writes a package `name` whose root canvas is `canvasText`; its path.
    std::string writePackage(const std::string& name, const std::string& canvasText);

    // How documents pace thumbnails and outside-change checks; set before start().
    DocumentOptions documents;
    // Owns velk's name on the session bus, as the velk a user starts does, so that a second velk
    // hands it what it was asked to open; set before start().
    bool unique = false;
    // Makes the folder "Maps" in the test's folder and points VELK_MAPS_FOLDER at it, as a user's
    // setting would, until the harness goes; its path. Call before start().
    std::string useMapsFolder();

    // Makes the application and opens `package` in it, as `velk PACKAGE` would.
    void start(const std::string& package);
    // Makes the application and hands it `uri` (a velk: link), as `velk URI` would.
    void startWithLink(const std::string& uri);
    // Makes the application with nothing to open, as `velk` alone would, with VELK_MAPS_FOLDER
    // read as main() reads it.
    void startEmpty();
    // Starts and waits until the page has asked for the document and shows `cards` cards.
    [[nodiscard]] bool startAndWaitForCards(const std::string& package, int cards) {
        start(package);
        return waitUntil([&] { return pageLoadedDocument(); }) && waitForCards(cards);
    }
    [[nodiscard]] VelkApplication& application() const { return *m_app; }
    // The first editor window; throws when there is none.
    [[nodiscard]] EditorWindow& window() const;
    // The message dialog (an alert or a question) velk shows now, if any.
    [[nodiscard]] Gtk::MessageDialog* visibleAlert() {
        for (auto* shown : Gtk::Window::list_toplevels())
            if (auto* alert = dynamic_cast<Gtk::MessageDialog*>(shown); alert && alert->get_visible()) return alert;
        return nullptr;
    }
    [[nodiscard]] bool hasWindow() const {
        return m_app && !m_app->editorWindows().empty() && m_app->editorWindows().front()->gobj();
    }
    // Closes every editor window as the user would (close request) and waits until they are gone.
    [[nodiscard]] bool closeWindows();
    // Quits as the user would (Quit velk) and waits until no window is left on screen.
    [[nodiscard]] bool quitApplication();

    // Evaluates `script` (an expression or statements, as in a console) in the page's main frame.
    ScriptResult evaluate(std::string_view script, std::chrono::milliseconds deadline = patience);
    // The page's value of `expression` as a number (NaN when it failed or is no number).
    double number(std::string_view expression);
    // Waits until `expression` is true in the page; while it throws, it is not.
    bool waitForPage(std::string_view expression, std::chrono::milliseconds deadline = patience);
    // Runs `script` with the page's user actions (window.__velkE2E) installed; a failure fails the test.
    void act(std::string_view script);

    [[nodiscard]] int cardCount() {
        return static_cast<int>(number(concat("document.querySelectorAll('", PageDOM::card, "').length")));
    }
    [[nodiscard]] bool waitForCards(int cards, std::chrono::milliseconds deadline = patience) {
        return waitForPage(concat("document.querySelectorAll('", PageDOM::card, "').length === ", cards), deadline);
    }
    // Waits until a card's text editor has the keyboard focus.
    [[nodiscard]] bool waitForCardEditor(std::chrono::milliseconds deadline = patience) {
        return waitForPage(concat("document.activeElement?.matches('", PageDOM::cardEditor, "')"), deadline);
    }
    [[nodiscard]] bool pageLoadedDocument() const { return hasWindow() && window().document().wasLoadedByEditor(); }
    // The centre of the first card showing `text`, in the view's coordinates.
    [[nodiscard]] std::optional<Point> cardCentre(std::string_view text);
    // A point of the canvas with no card near it (the middle of the view when that is free).
    [[nodiscard]] std::optional<Point> emptyPoint();
    // Where the canvas point (x, y) of the map on screen is in the window.
    [[nodiscard]] std::optional<Point> screenPoint(double x, double y);

    // What a user does, dispatched in the page as the browser would deliver it.
    void click(Point at) { act(concat("window.__velkE2E.click(", at.x, ", ", at.y, ")")); }
    void doubleClick(Point at) { act(concat("window.__velkE2E.doubleClick(", at.x, ", ", at.y, ")")); }
    // Types `text` into the focused element, one character at a time ("\n" is Enter).
    void type(std::string_view text);
    // Presses and releases `key` (a KeyboardEvent key value) on the focused element.
    void press(std::string_view key, std::string_view modifiers = "");
    // Pastes a file of `type` whose bytes are `base64`, as from the system clipboard.
    void pasteFile(std::string_view base64, std::string_view type);
    // Clicks the element `selector` (a button of the page's chrome).
    bool clickElement(std::string_view selector);

    // Double-clicks free canvas and types `text` into the new card's editor, leaving it open;
    // false when no editor opened.
    [[nodiscard]] bool typeNewCard(std::string_view text);
    // Escape out of the card editor; false when it stayed open.
    [[nodiscard]] bool finishEditing() {
        press("Escape");
        return waitForPage(concat("!document.querySelector('", PageDOM::cardEditor, "')"));
    }
    // Waits until velk holds a change from the page that is not on disk yet; checked on every
    // turn of the main loop, so the autosave a second later has not happened when this returns.
    [[nodiscard]] bool waitForUnwrittenChange() {
        return waitUntil([&] { return hasWindow() && window().document().hasUnsavedChanges(); });
    }

    // When start() began making the application.
    [[nodiscard]] Clock::time_point startedAt() const noexcept { return m_startedAt; }

    // Draws `window` (a window or a popover) as it is on screen into "<name>.png" in the tests'
    // output folder; its path, or empty when it could not be drawn.
    std::string screenshot(Gtk::Widget& window, const std::string& name);

    // A file of the package on disk, by its path in the package.
    [[nodiscard]] std::string packageFile(const std::string& relative) const {
        return testing_support::contentOf(m_package + "/" + relative);
    }
    // Every file of the package, relative paths, sorted.
    [[nodiscard]] std::vector<std::string> packageFiles() const;

private:
    void makeApplication(const std::string& package);
    // velk's trace, to standard error when VELK_TRACE asks for it. It notes the page's errors
    // that nothing caught and its promises rejected unhandled: each fails the case.
    [[nodiscard]] TraceSink trace() const;

    testing_support::TempFolder m_folder;
    Glib::RefPtr<VelkApplication> m_app;
    std::string m_package;
    Clock::time_point m_startedAt;
    struct PageErrors {
        std::mutex mutex;
        std::vector<std::string> lines;
    };
    // Shared with the trace, which any thread may write and which may outlive the harness.
    std::shared_ptr<PageErrors> m_pageErrors = std::make_shared<PageErrors>();
};

}  // namespace velk::e2e
