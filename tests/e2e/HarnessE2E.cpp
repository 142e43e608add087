// The harness's own pieces that every other case leans on: the generated packages are maps velk
// reads whole, and waits run the main loop, end as soon as they can and give up on time.

#include "E2EHarness.h"

#include "json/OrderedJSON.h"
#include "package/MapDocument.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <set>

namespace velk::e2e {
namespace {

TEST(HarnessE2E, GridPackagesAreCanvasesVelkLoadsWithEveryCardAndRowEdge) {
    for (int count : {1, 12, 5000}) {
        const auto canvas = OrderedJSON::parse(gridCanvas(count));
        ASSERT_TRUE(canvas) << count << " cards: " << canvas.error().description();
        const auto nodes = (*canvas)["nodes"]->elements();
        ASSERT_EQ(nodes.size(), static_cast<std::size_t>(count));
        std::set<std::string> ids;
        for (const JSONValue node : nodes) ids.emplace(*(*node["id"]).stringValue());
        EXPECT_EQ(ids.size(), nodes.size()) << "card ids repeat";
        for (const JSONValue edge : (*canvas)["edges"]->elements()) {
            EXPECT_TRUE(ids.contains(std::string(*(*edge["fromNode"]).stringValue())));
            EXPECT_TRUE(ids.contains(std::string(*(*edge["toNode"]).stringValue())));
        }

        DocumentTree tree;
        tree.write(gridCanvas(count), MapDocument::rootCanvasName);
        const auto maps = MapDocument::load(tree, MapDocument::rootCanvasName);
        ASSERT_TRUE(maps);
        EXPECT_EQ((*maps)[0].canvas["nodes"]->elements().size(), static_cast<std::size_t>(count));
    }
}

TEST(HarnessE2E, WaitsRunTheMainLoopAndEndAsSoonAsTheConditionHolds) {
    bool ran = false;
    g_idle_add(+[](gpointer flag) { *static_cast<bool*>(flag) = true; return gboolean(G_SOURCE_REMOVE); }, &ran);
    const auto started = Clock::now();
    EXPECT_TRUE(waitUntil([&] { return ran; }, 10s));
    EXPECT_LT(Clock::now() - started, 2s);
}

TEST(HarnessE2E, AWaitForWhatNeverHappensGivesUpAtItsDeadline) {
    const auto started = Clock::now();
    EXPECT_FALSE(waitUntil([] { return false; }, 300ms));
    const auto took = Clock::now() - started;
    EXPECT_GE(took, 300ms);
    EXPECT_LT(took, 2s);
}

}  // namespace
}  // namespace velk::e2e
