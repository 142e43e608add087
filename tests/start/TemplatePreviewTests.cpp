// How a template's picture is framed and where it is kept: the page address and window size the
// offscreen editor gets for a map, the grid switched off, and the cache file of each build.

#include "json/OrderedJSON.h"
#include "start/TemplatePreviewLayout.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace velk {
namespace {

namespace Layout = TemplatePreviewLayout;

constexpr std::string_view index = "velk-app://editor/index.html";

DocumentTree package(std::string canvas, std::string ink = "", std::string sidecar = "") {
    DocumentTree tree = DocumentTree::directory({});
    tree.write(std::move(canvas), "map.canvas");
    if (!ink.empty()) tree.write(std::move(ink), "map.ink.svg");
    if (!sidecar.empty()) tree.write(std::move(sidecar), "map.canvas.velk");
    return tree;
}

std::string node(int x, int y, int width, int height) {
    return R"({"id":"n","type":"text","x":)" + std::to_string(x) + R"(,"y":)" + std::to_string(y) +
           R"(,"width":)" + std::to_string(width) + R"(,"height":)" + std::to_string(height) + "}";
}

TEST(TemplatePreviewLayout, PlansTheOffscreenEditorFromTheMapsContent) {
    struct Row {
        const char* name;
        DocumentTree tree;
        std::string fragment;
        int width, height;
    };
    const std::string wideInk = R"(<svg viewBox="0 0 5000 100">)";
    const Row rows[] = {
        // Grown 8% to (-80, -40) 1160 x 580, then 725 high about the centre: y -112.5 rounds away from zero.
        {"1000 x 500 map", package(R"({"nodes":[)" + node(0, 0, 1000, 500) + "]}"), "#/?z=1.000&x=80&y=113", 1160, 725},
        // 5000 wide grows to 5800, framed 5800 x 3625; zoom 2400/5800 is clamped to 0.5.
        {"wide ink, no nodes", package(R"({"nodes":[]})", wideInk), "#/?z=0.500&x=200&y=881", 2900, 1813},
        {"three-number viewBox", package(R"({"nodes":[]})", R"(<svg viewBox="0 0 5000">)"), "", 1280, 800},
        {"viewBox with a letter, then a good one", package(R"({"nodes":[]})", R"(<g viewBox="0 0 9e9 1"><svg viewBox="0 0 5000 100">)"),
         "#/?z=0.500&x=200&y=881", 2900, 1813},
        {"nodes without numeric x", package(R"({"nodes":[{"x":"1","y":0,"width":50,"height":50},7]})"), "", 1280, 800},
        {"missing sizes count as 0", package(R"({"nodes":[{"x":0,"y":0},{"x":100,"y":100}]})"), "#/?z=1.000&x=43&y=8", 186, 116},
        {"canvas not JSON", package("{nodes"), "", 1280, 800},
    };
    for (const Row& row : rows) {
        const auto plan = Layout::plan(index, Layout::bounds(row.tree));
        EXPECT_EQ(plan.url, std::string(index) + row.fragment) << row.name;
        EXPECT_EQ(plan.width, row.width) << row.name;
        EXPECT_EQ(plan.height, row.height) << row.name;
    }
}

TEST(TemplatePreviewLayout, AFramedWidthOf6000GetsHalfZoomAnd3000Points) {
    const Layout::Rect content{0, 0, 6000 / 1.16, 100};
    EXPECT_NEAR(Layout::framed(content).width, 6000, 1e-9);
    const auto plan = Layout::plan(index, content);
    EXPECT_TRUE(plan.url.starts_with(std::string(index) + "#/?z=0.500&")) << plan.url;
    EXPECT_EQ(plan.width, 3000);
}

TEST(TemplatePreviewLayout, WithoutGridSwitchesTheGridOffAndLeavesBadSidecarsAlone) {
    const std::string canvas = R"({"nodes":[]})";
    struct Row {
        const char* sidecar;
        const char* expected;
    } rows[] = {
        {R"({"a":1,"view":{"grid":true,"z":2}})", R"({"a":1,"view":{"grid":false,"z":2}})"},
        {R"({"view":3})", R"({"view":{"grid":false}})"},
        {"[1]", "[1]"},
        {"{bad", "{bad"},
    };
    for (const auto& row : rows) {
        const auto tree = Layout::withoutGrid(package(canvas, "", row.sidecar));
        EXPECT_EQ(*tree.data("map.canvas.velk"), row.expected) << row.sidecar;
    }
    const auto bare = package(canvas);
    EXPECT_EQ(Layout::withoutGrid(bare), bare);
}

TEST(TemplatePreviewLayout, CacheFilesAreKeptPerBuildAndNeverForDirtyOnes) {
    struct Row {
        std::optional<std::string> caches;
        const char* app;
        const char* version;
        std::optional<std::string> file;
    } rows[] = {
        {"/c", "dev.velk.Velk", "412", "/c/dev.velk.Velk/template-previews/412/wardley.png"},
        {"/c", "", "", "/c/velk/template-previews/dev/wardley.png"},
        {"/c", "dev.velk.Velk", "412-dirty", std::nullopt},
        {std::nullopt, "dev.velk.Velk", "412", std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Layout::cacheFile(row.caches, row.app, row.version, "wardley"), row.file) << row.version;
    EXPECT_EQ(Layout::hidingScript.size(), 185u);
    EXPECT_EQ(std::ranges::count(Layout::hidingScript, '\n'), 2);
}

}  // namespace
}  // namespace velk
