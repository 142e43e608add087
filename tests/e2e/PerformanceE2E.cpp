// How fast velk shows a map and pans it, measured in the real page on Xvfb and printed with the
// test's output. The only bounds are sanity bounds: a shared machine's timings move too much for
// anything tighter, and the numbers are for people to compare.

#include "E2EHarness.h"
#include "platform/SoftwareGL.h"

#include <gtest/gtest.h>
#include <webkit/webkit.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <vector>

namespace velk::e2e {
namespace {

using Milliseconds = std::chrono::duration<double, std::milli>;

// Printed with one decimal and recorded as the test's property `what`.
void report(const std::string& what, double value) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << value;
    std::cout << "[ measure  ] " << what << ": " << text.str() << std::endl;
    ::testing::Test::RecordProperty(what, text.str());
}

// Installed at document start: marks when velk's reply to the page's first request arrives,
// when the first cards are in the DOM, and when they are laid out, on the page's clock.
constexpr std::string_view renderMarks = R"JS((() => {
  const marks = window.__velkMarks = {};
  let reply;
  Object.defineProperty(window, "__velkReply", {
    configurable: true,
    get() { return reply; },
    set(fn) { reply = (id, r) => { marks.reply ??= performance.now(); return fn(id, r); }; },
  });
  new MutationObserver((_, observer) => {
    const cards = document.getElementById("cards");
    if (!cards?.querySelector(".card, canvas.far-cards:not([hidden])")) return;
    observer.disconnect();
    marks.cards = performance.now();
    void document.body.offsetHeight;
    marks.laidOut = performance.now();
    marks.cardsInDOM = cards.querySelectorAll(".card").length;
  }).observe(document, { childList: true, subtree: true, attributes: true, attributeFilter: ["hidden"] });
})();)JS";

// Steps of a gesture, one a frame for `steps` frames, the figures left in window.__stepsResult.
// `work` runs from the start of a frame to the layout of the step it renders (script, style and
// layout: the page's own cost); `frame` is the time from one frame's start to the next, painting
// included, which is what a user sees. Gestures: a middle-button pan over the middle of the
// canvas ("pan"), Ctrl+wheel zooming out and back in there ("zoom"), and a drag with the primary
// button from the point given ("drag", which moves the cards selected there).
constexpr std::string_view gestureSteps = R"(void (window.__velkSteps = async (kind, steps, from) => {
  const act = window.__velkE2E;
  const box = document.querySelector("#viewport").getBoundingClientRect();
  const [x, y] = from ?? [box.left + box.width / 2, box.top + box.height / 2];
  const frame = () => new Promise((resolve) => requestAnimationFrame(resolve));
  const [buttons, button] = kind === "drag" ? [1, 0] : [4, 1];
  const wheel = (deltaY) => document.elementFromPoint(x, y).dispatchEvent(new WheelEvent("wheel", {
    bubbles: true, cancelable: true, clientX: x, clientY: y, deltaY, deltaMode: 0, ctrlKey: true }));
  const starts = [], work = [], idle = [performance.now()];
  window.__stepsResult = null;
  // Frames with nothing to redraw first: the floor the display and WebKit's timer set.
  for (let i = 0; i < 5; i++) { await frame(); idle.push(performance.now()); }
  if (kind !== "zoom") { act.pointer("pointerdown", x, y, buttons, button); await frame(); }
  for (let i = 1; i <= steps; i++) {
    let start = 0;
    requestAnimationFrame(() => { start = performance.now(); });
    if (kind === "zoom") wheel(i <= steps / 2 ? 15 : -15);
    else act.pointer("pointermove", x - 7 * i, y - 4 * i, buttons, button);
    await frame();
    void document.body.offsetHeight;
    work.push(performance.now() - start);
    starts.push(start);
  }
  // Far out, the canvases as drawn at the last step of a drag, and as drawn anew once it ends.
  const pictures = () => kind !== "drag" ? "" :
    [...document.querySelectorAll("#cards .far-cards")].map((c) => c.hidden ? "" : c.style.cssText + c.toDataURL()).join();
  const carried = pictures();
  if (kind !== "zoom") act.pointer("pointerup", x - 7 * steps, y - 4 * steps, 0, button);
  await frame();
  const gaps = (times) => times.slice(1).map((t, i) => t - times[i]);
  const frames = gaps(starts);
  const sorted = (v) => [...v].sort((a, b) => a - b);
  const median = (v) => sorted(v)[v.length >> 1];
  const p95 = (v) => sorted(v)[Math.min(v.length - 1, Math.ceil(v.length * 0.95) - 1)];
  window.__stepsResult = {
    workMedian: median(work), workMax: Math.max(...work),
    frameMedian: median(frames), frame95: p95(frames), frameMax: Math.max(...frames), idleFrameMedian: median(gaps(idle)),
    cardsInDOM: document.querySelectorAll("#cards .card").length, drawingKept: carried === pictures(),
  };
}))";

// Keys ([key, modifiers]), one a frame, each timed from the key to the end of the frame that
// shows it.
constexpr std::string_view timedKeys = R"(void (window.__velkKeys = async (keys) => {
  const frame = () => new Promise((resolve) => requestAnimationFrame(resolve));
  const shown = [];
  window.__keysResult = null;
  await frame();
  for (const [key, modifiers] of keys) {
    const start = performance.now();
    window.__velkE2E.press(key, modifiers);
    await frame();
    void document.body.offsetHeight;
    shown.push(performance.now() - start);
  }
  shown.sort((a, b) => a - b);
  window.__keysResult = { count: shown.length, median: shown[shown.length >> 1], max: shown[shown.length - 1] };
}))";

// Presses the keys of `keys`, a script's array as __velkKeys takes it, and reports their timing.
void reportKeys(E2EHarness& velk, const std::string& keys, const std::string& what) {
    velk.act(timedKeys);
    ASSERT_TRUE(velk.evaluate(concat("void window.__velkKeys(", keys, ")")).ok());
    ASSERT_TRUE(velk.waitForPage("window.__keysResult", 60s));
    if (velk.number("window.__keysResult.count") == 1) return report(what + " (ms)", velk.number("window.__keysResult.max"));
    report(what + ", median (ms)", velk.number("window.__keysResult.median"));
    report(what + ", max (ms)", velk.number("window.__keysResult.max"));
}

// `kind` as __velkSteps takes it; `where` names the zoom or the selection in the figures.
void measureSteps(E2EHarness& velk, const std::string& kind, const std::string& where, int steps,
                  const std::string& from = "null") {
    ASSERT_TRUE(velk.evaluate(concat("void window.__velkSteps('", kind, "', ", steps, ", ", from, ")")).ok());
    ASSERT_TRUE(velk.waitForPage("window.__stepsResult", 60s));
    const int cards = static_cast<int>(velk.number("window.__stepsResult.cardsInDOM"));
    for (const char* figure : {"workMedian", "workMax", "frameMedian", "frame95", "frameMax", "idleFrameMedian"}) {
        report(concat(kind, " ", where, " (", cards, " cards in the DOM), ", figure, " (ms)"),
               velk.number(concat("window.__stepsResult.", figure)));
    }
    EXPECT_LT(velk.number("window.__stepsResult.workMedian"), 5000);
}

void panAndZoom(E2EHarness& velk, const std::string& where) {
    measureSteps(velk, "pan", where, 15);
    measureSteps(velk, "zoom", where, 16);
    // Zoom steps may leave the far canvases blurry; once the view holds still they are drawn
    // for its zoom again.
    EXPECT_TRUE(velk.waitForPage(concat("[...document.querySelectorAll('", PageDOM::farCards, "')].every((c) => {"
                                        " const r = c.width / parseFloat(c.style.width) / window.__velkE2E.view().z / (devicePixelRatio || 1);"
                                        " return r > 0.8 && r < 1.25; })")))
        << "the far canvases stay drawn for another zoom after zooming " << where;
}

// From 100%, one Ctrl+wheel step to `zoom` around the middle of the view.
void zoomFrom100(E2EHarness& velk, double zoom) {
    velk.press("0", "ctrl");
    ASSERT_TRUE(velk.waitForPage("document.querySelector('#zoom-indicator').textContent === '100%'"));
    velk.act(concat(R"((() => {
  const box = document.querySelector("#viewport").getBoundingClientRect();
  const x = box.left + box.width / 2, y = box.top + box.height / 2;
  document.elementFromPoint(x, y).dispatchEvent(new WheelEvent("wheel", {
    bubbles: true, cancelable: true, clientX: x, clientY: y, deltaMode: 0, ctrlKey: true, deltaY: )",
                    -std::log(zoom) / 0.0025, " }));\n})()"));
    ASSERT_TRUE(velk.waitForPage(concat("document.querySelector('#zoom-indicator').textContent === '",
                                        std::lround(zoom * 100), "%'")));
}

// `holds` on the saved map, read at most every 100 ms (or as long as reading took): reading
// 20,000 cards after every event the main loop handles leaves a debug build no time to save them.
std::function<bool()> whenSaved(const E2EHarness& velk, std::function<bool(const std::string& canvas)> holds) {
    return [&velk, holds = std::move(holds), next = Clock::time_point()]() mutable {
        if (Clock::now() < next) return false;
        const auto started = Clock::now();
        const bool held = holds(velk.packageFile("map.canvas"));
        next = Clock::now() + std::max<Clock::duration>(100ms, Clock::now() - started);
        return held;
    };
}

// Where the saved map `canvas` has card `id`, as "x,y" ("" when it is not there).
std::string savedPlace(const std::string& canvas, const std::string& id) {
    static const std::regex place(R"re("x":\s*(-?[0-9.]+),\s*"y":\s*(-?[0-9.]+))re");
    for (const std::string& key : {concat("\"id\": \"", id, "\""), concat("\"id\":\"", id, "\"")}) {
        const std::size_t at = canvas.find(key);
        if (at == std::string::npos) continue;
        const std::string node = canvas.substr(at, canvas.find('}', at) - at);
        std::smatch m;
        if (std::regex_search(node, m, place)) return m[1].str() + "," + m[2].str();
    }
    return "";
}

// The resident memory of the web process showing the page, in MB: the newest WebKitWebProcess
// that descends from this process, as the previous case's may still be ending (NaN when there is none).
double webProcessMegabytes() {
    struct Process { long parent = 0; unsigned long long started = 0; bool web = false; double megabytes = 0; };
    std::map<long, Process> processes;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        Process& process = processes[std::stol(name)];
        std::ifstream status(entry.path() / "status");
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with("Name:")) process.web = line.find("WebKitWebProces") != std::string::npos;
            if (line.starts_with("PPid:")) process.parent = std::stol(line.substr(5));
            if (line.starts_with("VmRSS:")) process.megabytes = std::stod(line.substr(6)) / 1024;
        }
        // The start time is the 22nd field of stat, the 20th after the name's closing parenthesis.
        std::ifstream stat(entry.path() / "stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        std::istringstream fields(text.substr(text.rfind(')') + 1));
        std::string field;
        for (int i = 0; i < 20 && fields >> field; ++i) {}
        process.started = field.empty() ? 0 : std::stoull(field);
    }
    const auto descends = [&](long pid) {
        for (auto up = processes.find(processes.at(pid).parent); up != processes.end(); up = processes.find(up->second.parent))
            if (up->first == ::getpid()) return true;
        return false;
    };
    const Process* newest = nullptr;
    for (const auto& [pid, process] : processes)
        if (process.web && descends(pid) && (!newest || process.started > newest->started)) newest = &process;
    return newest ? newest->megabytes : std::nan("");
}

TEST(PerformanceE2E, StartUpToARenderedMap) {
    E2EHarness velk("startup");
    ASSERT_TRUE(velk.startAndWaitForCards(velk.writePackage("Trip.velk", gridCanvas(40)), 40));
    const Milliseconds took = Clock::now() - velk.startedAt();
    report("start-up to 40 rendered cards (ms)", took.count());
    EXPECT_LT(took, 20s);
    // Where OpenGL is drawn by the processor, GTK's OpenGL renderer would double each frame.
    EXPECT_TRUE(!openGLIsSoftware() || GSK_IS_CAIRO_RENDERER(gtk_native_get_renderer(GTK_NATIVE(velk.window().gobj()))));
}

// Start-up, first render and pans of one map of `cards` cards; `label` names the count in the
// figures ("5,000").
void renderAndPan(int cards, const std::string& label) {
    E2EHarness velk(std::to_string(cards));
    velk.start(velk.writePackage("Big.velk", gridCanvas(cards)));
    ASSERT_TRUE(waitUntil([&] { return velk.pageLoadedDocument(); }, 60s));
    ASSERT_TRUE(velk.waitForPage(concat("document.querySelector('", PageDOM::card, ", ", PageDOM::farCards, "')"), 60s));
    const Milliseconds started = Clock::now() - velk.startedAt();
    report("start-up to the first of " + label + " cards rendered (ms)", started.count());

    // The page's first render, timed inside the page: reloaded with the marks installed first.
    WebKitWebView* view = velk.window().webView().view();
    WebKitUserScript* marks =
        webkit_user_script_new(std::string(renderMarks).c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script(webkit_web_view_get_user_content_manager(view), marks);
    webkit_user_script_unref(marks);
    webkit_web_view_reload(view);
    ASSERT_TRUE(velk.waitForPage("window.__velkMarks?.laidOut > 0", 60s));
    const double reply = velk.number("window.__velkMarks.reply");
    const double laidOut = velk.number("window.__velkMarks.laidOut");
    report("page start to the state of " + label + " cards received (ms)", reply);
    report("first render of " + label + " cards, state received to laid out (ms)", laidOut - reply);
    report("cards in the DOM after the first render", velk.number("window.__velkMarks.cardsInDOM"));
    EXPECT_LT(laidOut - reply, 20000);

    velk.act(gestureSteps);
    panAndZoom(velk, "at the zoom that fits the map");
    // At 100% most cards are off screen, as when working on one part of a big map.
    zoomFrom100(velk, 1);
    panAndZoom(velk, "at 100%");
    // Where titles are still read, and where cards are boxes but many are near.
    zoomFrom100(velk, 0.45);
    ASSERT_TRUE(velk.waitForPage("document.querySelector('#viewport.mid .card-title')"));
    velk.screenshot(velk.window(), concat("performance-", label, "-at-45"));
    panAndZoom(velk, "at 45%");
    zoomFrom100(velk, 0.2);
    velk.screenshot(velk.window(), concat("performance-", label, "-at-20"));
    panAndZoom(velk, "at 20%");
    // Right after the gestures the figure holds their garbage, until the page's collector runs
    // (about three seconds idle here): both are printed.
    report("web process resident memory with " + label + " cards, right after the gestures (MB)", webProcessMegabytes());
    waitUntil([] { return false; }, 4s);
    report("web process resident memory with " + label + " cards, after 4 s idle (MB)", webProcessMegabytes());

    // About 1,000 cards chosen with a rubber band at 10%, from the gap above and left of the
    // card nearest the view's top left corner (the map's corner panned there first), then dragged
    // by the one in the band's middle. Far out, selected boxes are drawn on a canvas: the cards
    // are found from the view and the grid's steps, and checked in the saved map.
    zoomFrom100(velk, 0.1);
    const int columns = static_cast<int>(std::ceil(std::sqrt(cards)));
    velk.act(concat(R"((() => {
  const act = window.__velkE2E;
  const gesture = (from, to, buttons, button) => {
    act.pointer("pointerdown", ...from, buttons, button, button === 0);
    act.pointer("pointermove", (from[0] + to[0]) / 2, (from[1] + to[1]) / 2, buttons, button, button === 0);
    act.pointer("pointermove", ...to, buttons, button, button === 0);
    act.pointer("pointerup", ...to, 0, button, button === 0);
  };
  let { x: ox, y: oy, z, box } = act.view();
  const pan = [Math.min(0, box.left + 60 - ox), Math.min(0, box.top + 80 - oy)];
  const middle = [box.left + box.width / 2, box.top + box.height / 2];
  gesture(middle, [middle[0] + pan[0], middle[1] + pan[1]], 4, 1);
  [ox, oy] = [ox + pan[0], oy + pan[1]];
  const column = Math.max(0, Math.ceil((box.left + 10 - ox) / z / 300)), row = Math.max(0, Math.ceil((box.top + 10 - oy) / z / 160));
  const x = ox + column * 300 * z - 2, y = oy + row * 160 * z - 2;
  const end = [Math.min(x + 36 * 300 * z, box.right - 10), Math.min(y + 28 * 160 * z, box.bottom - 10)];
  gesture([x, y], end, 1, 0);
  // The cards the band touches: their boxes start 2px past its start, every 300 by 160.
  const across = Math.ceil((end[0] - x - 2) / (300 * z)), down = Math.ceil((end[1] - y - 2) / (160 * z));
  const [gc, gr] = [column + (across >> 1), row + (down >> 1)];
  const id = (c, r) => `n${r * )", columns, R"( + c}`;
  window.__band = { cards: across * down, grip: [ox + (gc * 300 + 125) * z, oy + (gr * 160 + 55) * z],
    moved: [id(column, row), id(gc, gr)], kept: id(column + across, row),
    places: [[column * 300, row * 160], [gc * 300, gr * 160], [(column + across) * 300, row * 160]] };
})())"));
    const int selected = static_cast<int>(velk.number("window.__band.cards"));
    ASSERT_GT(selected, 300);
    measureSteps(velk, "drag", concat("of ", selected, " selected cards at 10%"), 20,
                 velk.evaluate("JSON.stringify(window.__band.grip)").text);
    // The band's first card and the dragged one moved with the pointer (20 steps of 7 by 4 px at
    // 10%); the first card past the band did not.
    const auto savedAt = [&](const char* which, int index, int dx, int dy) {
        const std::string id = velk.evaluate(concat("window.__band.", which)).text;
        const auto at = [&](int axis) { return velk.number(concat("window.__band.places[", index, "][", axis, "]")); };
        const std::string place = concat(at(0) + dx, ",", at(1) + dy);
        EXPECT_TRUE(waitUntil(whenSaved(velk, [&](const std::string& canvas) { return savedPlace(canvas, id) == place; })))
            << id << " is saved at " << savedPlace(velk.packageFile("map.canvas"), id) << ", not " << place;
    };
    savedAt("moved[0]", 0, -1400, -800);
    savedAt("moved[1]", 1, -1400, -800);
    savedAt("kept", 2, 0, 0);
    velk.screenshot(velk.window(), concat("performance-", label, "-dragged-at-10"));
    EXPECT_EQ(velk.evaluate("String(window.__stepsResult.drawingKept)").text, "true")
        << "the boxes and edges drawn during the drag are not those of the map after it";

    // Thirty edits of one card at 100%, each its own undo step; then all undone, down to the map
    // as the drag left it.
    zoomFrom100(velk, 1);
    velk.press("Escape");
    velk.press("Tab");
    reportKeys(velk, "Array.from({ length: 30 }, (_, i) => [String(1 + (i % 6)), ''])",
               "colour key to the frame showing it, " + label + " cards");
    const auto coloured = [](const std::string& canvas) {
        int count = 0;
        for (std::size_t at = canvas.find("\"color\": \"6\""); at != std::string::npos; at = canvas.find("\"color\": \"6\"", at + 1)) ++count;
        return count;
    };
    EXPECT_TRUE(waitUntil(whenSaved(velk, [&](const std::string& canvas) { return coloured(canvas) == 1; })))
        << coloured(velk.packageFile("map.canvas")) << " cards saved with the last colour, not 1";
    for (int i = 0; i < 30; ++i) velk.press("z", "ctrl");
    EXPECT_TRUE(waitUntil(whenSaved(velk, [](const std::string& canvas) { return canvas.find("\"color\"") == std::string::npos; }), 30s))
        << "30 undos did not take the 30 colours back";
    EXPECT_TRUE(velk.waitForPage("!document.querySelector('#cards .card.colored')")) << "a card undone to no colour still shows one";
    savedAt("moved[1]", 1, -1400, -800);

    // The whole map selected at 100%: only the cards near the view are drawn, selected. All of
    // them made elements took seconds.
    reportKeys(velk, "[['a', 'ctrl']]", "select all at 100% to the frame showing it, " + label + " cards");
    EXPECT_TRUE(velk.waitForPage(concat("[...document.querySelectorAll('", PageDOM::card, "')].every((card) => card.classList.contains('selected'))")))
        << "a card drawn after select all is not shown selected";
    EXPECT_LT(velk.cardCount(), cards / 4) << "select all drew every card of the map";
}

TEST(PerformanceE2E, FiveThousandCardsRenderAndPan) { renderAndPan(5000, "5,000"); }

TEST(PerformanceE2E, TwentyThousandCardsRenderAndPan) { renderAndPan(20000, "20,000"); }

}  // namespace
}  // namespace velk::e2e
