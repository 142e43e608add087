// Find (Ctrl+F) in the real page: a match inside a submap opens that submap with the card
// selected and the match marked, and the command palette (Ctrl+K) runs what it finds; and how
// long a keystroke takes over 20,000 cards in 100 maps.

#include "E2EHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace velk::e2e {
namespace {

// A root canvas with a card opening each of `submaps` submaps, each holding gridCanvas(cards).
std::string writeNestedPackage(E2EHarness& velk, int submaps, int cards, const std::string& inner) {
    std::string nodes;
    for (int i = 0; i < submaps; ++i)
        nodes += concat(i ? "," : "", R"({"id":"s)", i, R"(","type":"file","file":"map/Part )", i, R"(.canvas","x":)",
                        (i % 10) * 300, R"(,"y":)", (i / 10) * 200, R"(,"width":250,"height":120})");
    const std::string package = velk.writePackage("Atlas.velk", R"({"nodes":[)" + nodes + R"(],"edges":[]})");
    std::filesystem::create_directories(package + "/map");
    for (int i = 0; i < submaps; ++i) testing_support::put(concat(package, "/map/Part ", i, ".canvas"), i == submaps - 1 ? inner : gridCanvas(cards));
    return package;
}

TEST(FindE2E, AMatchInASubmapOpensItWithTheCardSelectedAndTheMatchMarked) {
    E2EHarness velk("find");
    const std::string inner =
        R"({"nodes":[{"id":"t","type":"text","x":0,"y":0,"width":260,"height":90,"text":"The **hidden** Trésor"}],"edges":[]})";
    ASSERT_TRUE(velk.startAndWaitForCards(writeNestedPackage(velk, 3, 2, inner), 3));
    velk.press("f", "ctrl");
    ASSERT_TRUE(velk.waitForPage("document.activeElement.id === 'findInput'")) << "Ctrl+F gives the find field the keyboard";
    velk.type("tresor");
    ASSERT_TRUE(velk.waitForPage("document.querySelectorAll('#findResults li').length === 1"));
    EXPECT_TRUE(velk.waitForPage("document.querySelector('#findResults .find-where').textContent === 'Atlas › Part 2'"));
    velk.press("Enter");
    ASSERT_TRUE(velk.waitForPage(concat("document.querySelectorAll('", PageDOM::rootCrumb, "').length === 2")))
        << "the submap holding the match is open";
    EXPECT_TRUE(velk.waitForPage("document.querySelector('.card[data-id=\"t\"]')?.classList.contains('selected')"));
    EXPECT_TRUE(velk.waitForPage("CSS.highlights.get('velk-find')?.size === 1")) << "the match is marked in the card";
    EXPECT_EQ(velk.evaluate("document.getElementById('findCount').textContent").text, "1 of 1");
    EXPECT_FALSE(velk.screenshot(velk.window(), "find-in-submap").empty());
    velk.press("Escape");
    EXPECT_TRUE(velk.waitForPage("document.getElementById('findBar').hidden && document.activeElement.id === 'viewport'"));

    // The palette runs a command found by its name as its key would.
    velk.press("k", "ctrl");
    ASSERT_TRUE(velk.waitForPage("document.activeElement.id === 'paletteInput'"));
    velk.type("grid");
    EXPECT_FALSE(velk.screenshot(velk.window(), "command-palette").empty());
    velk.press("Enter");
    EXPECT_TRUE(velk.waitForPage("document.getElementById('gridBtn').getAttribute('aria-pressed') === 'true'"));
    EXPECT_TRUE(velk.waitForPage("document.getElementById('palette').hidden && document.activeElement.id === 'viewport'"));
}

// Prints the time Ctrl+F takes to open the bar (it reads every map into the index) and from each
// keystroke in the find field to its results shown.
TEST(FindE2E, KeystrokesOver20000CardsIn100Maps) {
    E2EHarness velk("find-20k");
    ASSERT_TRUE(velk.startAndWaitForCards(writeNestedPackage(velk, 100, 200, gridCanvas(200)), 100));
    const ScriptResult times = velk.evaluate(R"(
        const viewport = document.getElementById('viewport'), input = document.getElementById('findInput');
        viewport.focus();
        const opening = performance.now();
        viewport.dispatchEvent(new KeyboardEvent('keydown', { key: 'f', ctrlKey: true, bubbles: true }));
        const open = performance.now() - opening, times = [];
        for (const query of ['c', 'ca', 'car', 'card', 'card 1', 'card 19', 'card 199', 'bold', 'bold t', 'zzz']) {
            input.value = query;
            const start = performance.now();
            input.dispatchEvent(new Event('input'));
            times.push(performance.now() - start);
        }
        JSON.stringify({ open, times, found: document.getElementById('findCount').textContent }))");
    ASSERT_TRUE(times.ok()) << *times.error;
    std::printf("find over 20,100 cards in 101 maps, ms to open and per keystroke: %s\n", times.text.c_str());
    EXPECT_NE(times.text.find("No results"), std::string::npos);
}

}  // namespace
}  // namespace velk::e2e
