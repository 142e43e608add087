#include "json/JSONTestHelpers.h"
#include "package/MapDocumentCore.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using testing_support::compact;
using testing_support::parsed;

std::string text(const SharedBytes& bytes) { return bytes ? *bytes : "<absent>"; }

// A root linking one submap from cards a and b (a shared submap) and a plain one from card p.
DocumentTree sharedPackage() {
    DocumentTree tree;
    tree.write(R"({"nodes":[{"id":"a","type":"file","file":"map/Shared.canvas"},{"id":"b","type":"file","file":"map/Shared.canvas"},{"id":"p","type":"file","file":"map/Plain.canvas"}],"edges":[]})",
               "map.canvas");
    tree.write(R"({"nodes":[{"id":"s","type":"text","text":"one"}],"edges":[]})", "map/Shared.canvas");
    tree.write(R"({"nodes":[],"edges":[]})", "map/Plain.canvas");
    return tree;
}

// The state with the canvas of map `path` replaced.
JSONValue edited(const JSONValue& state, std::string_view path, std::string_view canvas) {
    std::vector<JSONValue> maps;
    for (const JSONValue map : (*state["maps"]).elements()) {
        maps.push_back(map["path"]->stringValue() == path ? map.setting("canvas", parsed(canvas)) : map);
    }
    return JSONValue::object({{"maps", JSONValue::array(maps)}});
}

TEST(MapDocumentCore, FreshCoreHoldsTheEmptyRootMap) {
    MapDocumentCore core;
    EXPECT_EQ(core.revision(), 0);
    const auto state = core.state();
    ASSERT_TRUE(state);
    EXPECT_EQ(compact(*state), R"({"maps":[{"path":"/","canvas":{"nodes":[],"edges":[]},"sidecar":{}}]})");
    EXPECT_EQ(core.files(), (MapDocument::KnownFiles{{"/", "map.canvas"}}));
    EXPECT_EQ(core.revision(), 0);
}

TEST(MapDocumentCore, RevisionsGrowWithSavesNewImagesAndReplacementsOnly) {
    MapDocumentCore core;
    const JSONValue state = *core.state();
    EXPECT_EQ(core.apply(state), 1);
    EXPECT_EQ(core.apply(state), 2);
    const auto path = core.storeMedia("png bytes", "image/png");
    ASSERT_TRUE(path);
    EXPECT_EQ(core.revision(), 3);
    EXPECT_EQ(core.storeMedia("png bytes", "image/png"), *path);  // already there: no new revision
    EXPECT_EQ(core.revision(), 3);
    EXPECT_EQ(text(core.mediaData(path->substr(std::string("velk-media/").size()), "velk-media")), "png bytes");
    EXPECT_EQ(core.storeMedia("", "image/png").error().description(), "empty image");
    EXPECT_EQ(core.revision(), 3);

    core.setPreview("thumbnail");
    EXPECT_EQ(text(core.previewData()), "thumbnail");
    EXPECT_TRUE(core.tree().at("QuickLook")->isDirectory());
    EXPECT_EQ(core.revision(), 3);

    core.replace(sharedPackage());
    EXPECT_EQ(core.revision(), 4);
    EXPECT_TRUE(core.files().empty());
    ASSERT_TRUE(core.state());
    EXPECT_EQ(core.files().size(), 4u);
}

TEST(MapDocumentCore, RefusedSaveChangesNothing) {
    MapDocumentCore core(sharedPackage());
    const JSONValue state = *core.state();
    const JSONValue body = edited(edited(state, "/a", R"({"nodes":[{"id":"s","text":"A"}]})"), "/b",
                                  R"({"nodes":[{"id":"s","text":"B"}]})");
    const DocumentTree tree = core.tree();
    const auto files = core.files();
    const auto refused = core.apply(body);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().description(),
              "map/Shared.canvas is linked from /a, /b and holds different edits under each; not saved \u2014 reopen the "
              "document to see both");
    EXPECT_TRUE(core.tree().sameStorage(tree));
    EXPECT_EQ(core.files(), files);
    EXPECT_EQ(core.revision(), 0);
}

TEST(MapDocumentCore, SharedSubmapIsWrittenOnceAndFollowsARename) {
    MapDocumentCore core(sharedPackage());
    const JSONValue state = *core.state();
    // Copy a edited, and card a (now labelled) renames the shared file.
    JSONValue body = edited(state, "/a", R"({"nodes":[{"id":"s","type":"text","text":"two"}],"edges":[]})");
    body = edited(body, "/", R"({"nodes":[{"id":"a","type":"text","text":"Renamed"},{"id":"b","type":"file","file":"map/Shared.canvas"},{"id":"p","type":"file","file":"map/Plain.canvas"}],"edges":[]})");
    ASSERT_EQ(core.apply(body), 1);
    EXPECT_EQ(core.files().at("/a"), "map/Renamed.canvas");
    EXPECT_EQ(core.files().at("/b"), "map/Renamed.canvas");
    EXPECT_EQ(compact(parsed(text(core.tree().data("map/Renamed.canvas")))), R"({"nodes":[{"id":"s","type":"text","text":"two"}],"edges":[]})");

    // Copy b still holds the old content: editing it now would overwrite a's edit.
    const JSONValue stale = edited(body, "/b", R"({"nodes":[{"id":"s","type":"text","text":"three"}],"edges":[]})");
    const auto refused = core.apply(stale);
    ASSERT_FALSE(refused);
    EXPECT_EQ(std::get<MapDocumentError::SharedSubmapDiverged>(refused.error().value()).file, "map/Renamed.canvas");

    // Copy b brought up to a's content is accepted: the file's fingerprint moved with the rename.
    const JSONValue caughtUp = edited(body, "/b", R"({"nodes":[{"id":"s","type":"text","text":"two"}],"edges":[]})");
    EXPECT_EQ(core.apply(caughtUp), 2);
}

}  // namespace
}  // namespace velk
