// How fast velk shows a map and pans it, measured in the real page on Xvfb and printed with the
// test's output. The only bounds are sanity bounds: a shared machine's timings move too much for
// anything tighter, and the numbers are for people to compare.

#include "E2EHarness.h"

#include <gtest/gtest.h>
#include <webkit/webkit.h>

#include <iomanip>
#include <iostream>

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
constexpr std::string_view renderMarks = R"((() => {
  const marks = window.__velkMarks = {};
  let reply;
  Object.defineProperty(window, "__velkReply", {
    configurable: true,
    get() { return reply; },
    set(fn) { reply = (id, r) => { marks.reply ??= performance.now(); return fn(id, r); }; },
  });
  new MutationObserver((_, observer) => {
    const cards = document.getElementById("cards");
    if (!cards?.firstElementChild) return;
    observer.disconnect();
    marks.cards = performance.now();
    void document.body.offsetHeight;
    marks.laidOut = performance.now();
    marks.cardsInDOM = cards.children.length;
  }).observe(document, { childList: true, subtree: true });
})();)";

// A middle-button drag over the canvas, one step a frame for `steps` frames, its figures left in
// window.__panResult. `work` runs from the start of a frame to the layout of the step it renders
// (script, style and layout: the page's own cost); `frame` is the time from one frame's start to
// the next, painting included, which is what a user sees of a pan.
constexpr std::string_view panSteps = R"(void (window.__velkPan = async (steps) => {
  const act = window.__velkE2E;
  const box = document.querySelector("#viewport").getBoundingClientRect();
  const x = box.left + box.width / 2, y = box.top + box.height / 2;
  const frame = () => new Promise((resolve) => requestAnimationFrame(resolve));
  const starts = [], work = [], idle = [performance.now()];
  window.__panResult = null;
  // Frames with nothing to redraw first: the floor the display and WebKit's timer set.
  for (let i = 0; i < 5; i++) { await frame(); idle.push(performance.now()); }
  act.pointer("pointerdown", x, y, 4, 1);
  await frame();
  for (let i = 1; i <= steps; i++) {
    let start = 0;
    requestAnimationFrame(() => { start = performance.now(); });
    act.pointer("pointermove", x - 7 * i, y - 4 * i, 4, 1);
    await frame();
    void document.body.offsetHeight;
    work.push(performance.now() - start);
    starts.push(start);
  }
  act.pointer("pointerup", x - 7 * steps, y - 4 * steps, 0, 1);
  const gaps = (times) => times.slice(1).map((t, i) => t - times[i]);
  const frames = gaps(starts);
  const median = (v) => [...v].sort((a, b) => a - b)[v.length >> 1];
  window.__panResult = {
    workMedian: median(work), workMax: Math.max(...work),
    frameMedian: median(frames), frameMax: Math.max(...frames), idleFrameMedian: median(gaps(idle)),
    cardsInDOM: document.querySelectorAll("#cards .card").length,
  };
}))";

void measurePan(E2EHarness& velk, const std::string& where, int steps) {
    ASSERT_TRUE(velk.evaluate(concat("void window.__velkPan(", steps, ")")).ok());
    ASSERT_TRUE(velk.waitForPage("window.__panResult", 60s));
    const int cards = static_cast<int>(velk.number("window.__panResult.cardsInDOM"));
    for (const char* figure : {"workMedian", "workMax", "frameMedian", "frameMax", "idleFrameMedian"}) {
        report(concat("pan ", where, " (", cards, " cards in the DOM), ", figure, " (ms)"),
               velk.number(concat("window.__panResult.", figure)));
    }
    EXPECT_LT(velk.number("window.__panResult.workMedian"), 5000);
}

TEST(PerformanceE2E, StartUpToARenderedMap) {
    E2EHarness velk("startup");
    ASSERT_TRUE(velk.startAndWaitForCards(velk.writePackage("Trip.velk", gridCanvas(40)), 40));
    const Milliseconds took = Clock::now() - velk.startedAt();
    report("start-up to 40 rendered cards (ms)", took.count());
    EXPECT_LT(took, 20s);
}

// Start-up, first render and pans of one map of `cards` cards; `label` names the count in the
// figures ("5,000").
void renderAndPan(int cards, const std::string& label) {
    E2EHarness velk(std::to_string(cards));
    velk.start(velk.writePackage("Big.velk", gridCanvas(cards)));
    ASSERT_TRUE(waitUntil([&] { return velk.pageLoadedDocument(); }, 60s));
    ASSERT_TRUE(velk.waitForPage(concat("document.querySelector('", PageDOM::card, "')"), 60s));
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

    velk.act(panSteps);
    measurePan(velk, "at the zoom that fits the map", 8);
    // At 100% most cards are off screen, as when working on one part of a big map.
    velk.press("0", "ctrl");
    ASSERT_TRUE(velk.waitForPage("document.querySelector('#zoom-indicator').textContent === '100%'"));
    measurePan(velk, "at 100%", 15);
}

TEST(PerformanceE2E, FiveThousandCardsRenderAndPan) { renderAndPan(5000, "5,000"); }

TEST(PerformanceE2E, TwentyThousandCardsRenderAndPan) { renderAndPan(20000, "20,000"); }

}  // namespace
}  // namespace velk::e2e
