#include "package/PackageTestSupport.h"
#include "package/MapDocumentCore.h"

#include <gtest/gtest.h>

#include <functional>

namespace velk {
namespace {

using testing_support::compact;
using testing_support::edited;
using testing_support::parsed;
using testing_support::storedCanvas;
using testing_support::text;
using testing_support::treeOf;

// A root linking one submap from cards a and b (a shared submap) and a plain one from card p.
DocumentTree sharedPackage() {
    return treeOf({{"map.canvas", R"({"nodes":[{"id":"a","type":"file","file":"map/Shared.canvas"},{"id":"b","type":"file","file":"map/Shared.canvas"},{"id":"p","type":"file","file":"map/Plain.canvas"}],"edges":[]})"},
                   {"map/Shared.canvas", R"({"nodes":[{"id":"s","type":"text","text":"one"}],"edges":[]})"},
                   {"map/Plain.canvas", R"({"nodes":[],"edges":[]})"}});
}

// The map paths and files a fresh load of the core's tree finds.
std::vector<std::pair<std::string, std::string>> reloaded(const MapDocumentCore& core) {
    std::vector<std::pair<std::string, std::string>> maps;
    const auto loaded = MapDocument::load(core.tree(), MapDocument::rootCanvasName);
    if (!loaded) return {{"no root canvas", ""}};
    for (const LoadedMap& map : *loaded) maps.emplace_back(map.path, map.file);
    return maps;
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
    EXPECT_EQ(storedCanvas(core.tree(), "map/Renamed.canvas"), R"({"nodes":[{"id":"s","type":"text","text":"two"}],"edges":[]})");
    // Card b follows the file: a reload opens the renamed file from both cards.
    using Maps = std::vector<std::pair<std::string, std::string>>;
    const Maps renamedMaps{{"/", "map.canvas"}, {"/a", "map/Renamed.canvas"}, {"/b", "map/Renamed.canvas"}, {"/p", "map/Plain.canvas"}};
    EXPECT_EQ(reloaded(core), renamedMaps);
    // The editor still shows card b under the old name; saving that again renames nothing back.
    ASSERT_EQ(core.apply(body), 2);
    EXPECT_EQ(reloaded(core), renamedMaps);
    EXPECT_FALSE(core.tree().at("map/Shared.canvas"));

    // Copy b still holds the old content: editing it now would overwrite a's edit.
    const JSONValue stale = edited(body, "/b", R"({"nodes":[{"id":"s","type":"text","text":"three"}],"edges":[]})");
    const auto refused = core.apply(stale);
    ASSERT_FALSE(refused);
    EXPECT_EQ(std::get<MapDocumentError::SharedSubmapDiverged>(refused.error().value()).file, "map/Renamed.canvas");

    // Copy b brought up to a's content is accepted: the file's fingerprint moved with the rename.
    const JSONValue caughtUp = edited(body, "/b", R"({"nodes":[{"id":"s","type":"text","text":"two"}],"edges":[]})");
    EXPECT_EQ(core.apply(caughtUp), 3);

    // Renaming through card b now moves the file again, and card a follows it.
    ASSERT_EQ(core.apply(edited(caughtUp, "/", R"({"nodes":[{"id":"a","type":"text","text":"Renamed"},{"id":"b","type":"file","file":"map/Later.canvas"}],"edges":[]})")), 4);
    EXPECT_EQ(reloaded(core), (Maps{{"/", "map.canvas"}, {"/a", "map/Later.canvas"}, {"/b", "map/Later.canvas"}}));
}

// Each case saves one edit of a state loaded from its package, then checks the package.
struct SaveCase {
    const char* name;
    DocumentTree package;
    std::function<JSONValue(const JSONValue& state)> edit;
    std::function<void(const MapDocumentCore& saved)> check;
};

TEST(MapDocumentCore, SavesNeverLoseWhatPeopleWroteNorBreakALink) {
    const SaveCase cases[] = {
        {"two spellings of one file are one shared file",
         treeOf({{"map.canvas", R"({"nodes":[{"id":"a","type":"file","file":"map/S.canvas"},{"id":"b","type":"file","file":"/map//S.canvas"}]})"},
                 {"map/S.canvas", R"({"nodes":[]})"}}),
         [](const JSONValue& state) { return edited(edited(state, "/a", R"({"nodes":[{"id":"x"}]})"), "/b", R"({"nodes":[{"id":"y"}]})"); },
         [](const MapDocumentCore& saved) { EXPECT_EQ(storedCanvas(saved.tree(), "map/S.canvas"), R"({"nodes":[]})"); }},
        {"names differing only in case are two files, and a link between them is no cycle",
         treeOf({{"map.canvas", R"({"nodes":[{"id":"u","type":"file","file":"map/A.canvas"},{"id":"l","type":"file","file":"map/a.canvas"}]})"},
                 {"map/A.canvas", R"({"nodes":[{"id":"x","type":"file","file":"map/a.canvas"}]})"},
                 {"map/a.canvas", R"({"nodes":[]})"}}),
         [](const JSONValue& state) { return edited(state, "/u/x", R"({"nodes":[{"id":"new"}]})"); },
         [](const MapDocumentCore& saved) {
             EXPECT_EQ(reloaded(saved).size(), 4u);  // /, /u, /u/x, /l
             EXPECT_EQ(storedCanvas(saved.tree(), "map/a.canvas"), R"({"nodes":[{"id":"new"}]})");
         }},
        {"ink never overwrites a canvas, a sidecar or an image",
         treeOf({{"map.canvas", R"({"nodes":[]})"}, {"velk-media/p.ink.svg", "image"}}),
         [](const JSONValue& state) {
             const std::string drawing = R"({"role":"ink","source":{"strokes":[{"points":[[0,0],[9,9]]}]}})";
             return edited(edited(state, "/", R"({"nodes":[{"id":"i1","type":"file","file":"map.canvas"},{"id":"i2","type":"file","file":"map.canvas.velk"},{"id":"i3","type":"file","file":"velk-media/p.ink.svg"},{"id":"i4","type":"file","file":"sub/../x.ink.svg"},{"id":"i5","type":"file","file":"Kept.ink.svg"}]})"),
                           "/", R"({"nodes":{"i1":)" + drawing + R"(,"i2":)" + drawing + R"(,"i3":)" + drawing + R"(,"i4":)" + drawing + R"(,"i5":)" + drawing + "}}", "sidecar");
         },
         [](const MapDocumentCore& saved) {
             EXPECT_EQ(reloaded(saved).size(), 1u);
             EXPECT_TRUE(parsed(text(saved.tree().data("map.canvas.velk")))["nodes"]);
             EXPECT_EQ(text(saved.tree().data("velk-media/p.ink.svg")), "image");
             EXPECT_FALSE(saved.tree().at("sub"));
             EXPECT_TRUE(text(saved.tree().data("Kept.ink.svg")).starts_with("<svg"));
         }},
        {"a note that opens a submap keeps its whole text",
         treeOf({{"map.canvas", R"({"nodes":[]})"}}),
         [](const JSONValue&) {
             return parsed(R"({"maps":[{"path":"/","canvas":{"nodes":[{"id":"n","type":"text","text":"Day plans
Monday: museum"}]}},{"path":"/n","canvas":{"nodes":[]}}]})");
         },
         [](const MapDocumentCore& saved) {
             EXPECT_EQ(storedCanvas(saved.tree(), "map.canvas"), R"({"nodes":[{"id":"n","type":"file","text":"Day plans\nMonday: museum","file":"map/Day plans-Monday- museum.canvas"}]})");
         }},
        {"a card whose id holds a slash opens a submap named after a safe form of the id",
         treeOf({{"map.canvas", R"({"nodes":[]})"}}),
         [](const JSONValue&) {
             return parsed(R"({"maps":[{"path":"/","canvas":{"nodes":[{"id":"a/b","type":"group"}]}},{"path":"/a/b","canvas":{"nodes":[{"id":"kept"}]}}]})");
         },
         [](const MapDocumentCore& saved) {
             EXPECT_EQ(storedCanvas(saved.tree(), "map/a-b.canvas"), R"({"nodes":[{"id":"kept"}]})");
             EXPECT_EQ(reloaded(saved), (std::vector<std::pair<std::string, std::string>>{{"/", "map.canvas"}, {"/a/b", "map/a-b.canvas"}}));
         }},
        {"a renamed map takes its drawing along and never lands on a name differing only in case",
         treeOf({{"map.canvas", R"({"nodes":[{"id":"s","type":"file","file":"map/A.canvas"}]})"},
                 {"map/A.canvas", R"({"nodes":[{"id":"ink","type":"file","file":"A.ink.svg"}]})"},
                 {"map/A.canvas.velk", R"({"nodes":{"ink":{"role":"ink","source":{"strokes":[{"points":[[0,0],[9,9]]}]}}}})"},
                 {"map/A.ink.svg", "<svg/>"}, {"map/holiday.canvas", "a file of its own"}}),
         [](const JSONValue& state) { return edited(state, "/", R"({"nodes":[{"id":"s","type":"file","file":"map/Holiday.canvas"}]})"); },
         [](const MapDocumentCore& saved) {
             EXPECT_EQ(saved.files().at("/s"), "map/Holiday-2.canvas");
             EXPECT_EQ(text(saved.tree().data("map/holiday.canvas")), "a file of its own");
             EXPECT_FALSE(saved.tree().at("map/A.ink.svg"));
             EXPECT_EQ(*(*parsed(text(saved.tree().data("map/Holiday-2.canvas")))["nodes"]).elements()[0]["file"], JSONValue::string("Holiday-2.ink.svg"));
             EXPECT_TRUE(text(saved.tree().data("map/Holiday-2.ink.svg")).starts_with("<svg"));
         }},
    };
    for (const SaveCase& c : cases) {
        SCOPED_TRACE(c.name);
        MapDocumentCore core(c.package);
        const JSONValue state = *core.state();
        const auto saved = core.apply(c.edit(state));
        if (std::string_view(c.name).starts_with("two spellings")) {
            // Diverging edits through the two spellings: refused, nothing written.
            EXPECT_FALSE(saved);
        } else {
            EXPECT_TRUE(saved);
        }
        c.check(core);
    }
}

TEST(MapDocumentCore, CardsAndLinksTheEditorLeftAloneKeepTheirStoredText) {
    // The editor page hands unknown members back in its own order and spelling.
    const std::string stored = OrderedJSON::write(parsed(R"({"nodes":[{"id":"a","type":"text","text":"A","meta":{"b":1,"10":2.50,"n":1e2}},{"id":"c","type":"text","text":"C","x":1.0}],"edges":[{"id":"e","fromNode":"a","toNode":"c","w":0.50}]})"), Pretty::yes);
    MapDocumentCore core(treeOf({{"map.canvas", stored}}));
    ASSERT_TRUE(core.state());
    const JSONValue page = parsed(R"({"maps":[{"path":"/","canvas":{"nodes":[{"id":"a","type":"text","text":"A","meta":{"10":2.5,"b":1,"n":100}},{"id":"c","type":"text","text":"C changed","x":1}],"edges":[{"id":"e","fromNode":"a","toNode":"c","w":0.5}]},"sidecar":{}}]})");
    ASSERT_TRUE(core.apply(page));
    const std::string written = text(core.tree().data("map.canvas"));
    EXPECT_NE(written.find(R"("10": 2.50)"), std::string::npos) << written;
    EXPECT_NE(written.find(R"("w": 0.50)"), std::string::npos) << written;
    EXPECT_NE(written.find(R"("x": 1)"), std::string::npos) << written;  // the changed card is written anew
    // Nothing changed: byte for byte what was stored.
    MapDocumentCore unchanged(treeOf({{"map.canvas", stored}}));
    ASSERT_TRUE(unchanged.state());
    ASSERT_TRUE(unchanged.apply(edited(page, "/", R"({"nodes":[{"id":"a","type":"text","text":"A","meta":{"10":2.5,"b":1,"n":100}},{"id":"c","type":"text","text":"C","x":1}],"edges":[{"id":"e","fromNode":"a","toNode":"c","w":0.5}]})")));
    EXPECT_EQ(text(unchanged.tree().data("map.canvas")), stored);
}

}  // namespace
}  // namespace velk
