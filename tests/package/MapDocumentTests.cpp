// Loading a package into editor state, applying save bodies to it, the document core that holds
// one open package, shared submaps, and properties of saves over generated packages: what people
// wrote is never lost and no link breaks.

#include "package/FileWrapperTree.h"
#include "package/MapDocument.h"
#include "package/MapDocumentCore.h"
#include "package/MapSaveSteps.h"
#include "package/MapTree.h"
#include "package/PackageTestSupport.h"
#include "package/SharedSubmapCopies.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <set>

namespace velk {
namespace {

using namespace testing_support;
using Maps = std::vector<std::pair<std::string, std::string>>;

std::string fileCard(std::string_view id, std::string_view file) {
    return R"({"id":")" + std::string(id) + R"(","type":"file","file":")" + std::string(file) + R"(","x":0,"y":0,"width":10,"height":10})";
}
std::string canvas(std::initializer_list<std::string> cards) {
    std::string text;
    for (const auto& card : cards) text += (text.empty() ? "" : ",") + card;
    return R"({"nodes":[)" + text + R"(],"edges":[]})";
}
// The map paths and files a fresh load of `tree` finds.
Maps loaded(const DocumentTree& tree) {
    Maps maps;
    const auto found = MapDocument::load(tree, MapDocument::rootCanvasName);
    if (!found) return {{"no root canvas", ""}};
    for (const LoadedMap& map : *found) maps.emplace_back(map.path, map.file);
    return maps;
}

TEST(MapLoading, AMissingOrBrokenRootCanvasFails) {
    for (const std::string root : {"", "[]", "{\"nodes\":", "\xFF"}) {
        const auto maps = MapDocument::load(root.empty() ? DocumentTree() : treeOf({{"map.canvas", root}}), "map.canvas");
        EXPECT_EQ(maps.error(), MapDocumentError::noRootCanvas("map.canvas")) << root;
    }
    EXPECT_EQ(MapDocumentError::noRootCanvas("map.canvas").description(), "no root canvas map.canvas");
    EXPECT_FALSE(MapDocument::load(treeOf({{"map.canvas/inner", "{}"}}), "map.canvas"));
    // A byte order mark, as some editors write one, is no part of the canvas.
    const auto marked = MapDocument::load(treeOf({{"map.canvas", "\xEF\xBB\xBF{\"nodes\":[]}"}}), "map.canvas");
    ASSERT_TRUE(marked.has_value());
    EXPECT_EQ(compact((*marked)[0].canvas), R"({"nodes":[]})");
}

TEST(MapLoading, WalksLinkingCardsDepthFirstAndSkipsWhatLinksNothing) {
    DocumentTree tree = treeOf({{"map/A/A1.canvas", canvas({})}, {"map/Broken.canvas", "{not json"}, {"map/B.CANVAS", canvas({})},
                                {"map.canvas.velk", R"({"nodes":{"n1":{"role":"ink"}}})"}, {"map/A.canvas.velk", "[]"}, {"map/B.CANVAS.velk", "{bad"}});
    tree.write(canvas({fileCard("a", "map/A.canvas"), R"({"id":"t","type":"text","text":"map/A.canvas"})", R"({"id":"md","type":"file","file":"notes/Readme.md"})",
                       R"({"id":7,"type":"file","file":"map/A.canvas"})", R"("not a card")", fileCard("self", "MAP.CANVAS"),
                       fileCard("missing", "map/Missing.canvas"), fileCard("broken", "map/Broken.canvas"), fileCard("b", "map/B.CANVAS")}), "map.canvas");
    tree.write(canvas({fileCard("a1", "map/A/A1.canvas")}), "map/A.canvas");
    const auto maps = *MapDocument::load(tree, MapDocument::rootCanvasName);
    EXPECT_EQ(loaded(tree), (Maps{{"/", "map.canvas"}, {"/a", "map/A.canvas"}, {"/a/a1", "map/A/A1.canvas"}, {"/b", "map/B.CANVAS"}}));
    EXPECT_EQ(compact(maps[0].sidecar), R"({"nodes":{"n1":{"role":"ink"}}})");
    EXPECT_EQ(compact(maps[1].sidecar), "{}");  // an array is no sidecar
    EXPECT_EQ(compact(maps[3].sidecar), "{}");  // nor is broken JSON
}

TEST(MapLoading, CyclesAreCutSharedSubmapsLoadOncePerLinkAndEveryMapPathNamesOneMap) {
    const DocumentTree shared = treeOf({{"map.canvas", canvas({fileCard("a", "map/A.canvas"), fileCard("b", "map/A.canvas")})},
                                        {"map/A.canvas", canvas({fileCard("toB", "map/B.canvas")})},
                                        {"map/B.canvas", canvas({fileCard("toA", "map/a.canvas"), fileCard("toRoot", "map.canvas")})}});
    EXPECT_EQ(loaded(shared), (Maps{{"/", "map.canvas"}, {"/a", "map/A.canvas"}, {"/a/toB", "map/B.canvas"}, {"/b", "map/A.canvas"}, {"/b/toB", "map/B.canvas"}}));
    // A repeated id, an empty id (its path would be the root's own) and an id spelling the path
    // of a deeper map all open nothing.
    const DocumentTree clashing = treeOf({{"map.canvas", canvas({fileCard("x", "map/One.canvas"), fileCard("x", "map/Two.canvas"), fileCard("", "map/Two.canvas"),
                                                                 fileCard("x/y", "map/Two.canvas")})},
                                          {"map/One.canvas", canvas({fileCard("y", "map/Three.canvas")})}, {"map/Two.canvas", canvas({})}, {"map/Three.canvas", canvas({})}});
    EXPECT_EQ(loaded(clashing), (Maps{{"/", "map.canvas"}, {"/x", "map/One.canvas"}, {"/x/y", "map/Three.canvas"}}));
    DocumentTree deep;  // loads without recursion
    for (int i = 0; i < 20'000; ++i) deep.write(canvas({fileCard("n", "m/" + std::to_string(i + 1) + ".canvas")}), i ? "m/" + std::to_string(i) + ".canvas" : "map.canvas");
    const auto maps = loaded(deep);
    EXPECT_EQ(maps.size(), 20'000u);
    EXPECT_EQ(maps.back().first.size(), 2u * 19'999);
}

TEST(MapFingerprint, CanonicalFormIgnoresOrderNotationAndEmptiness) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {R"({"b":1,"a":null})", R"({"b":1})"}, {"{}", "absent"}, {"[{}]", "[null]"}, {"[]", "absent"}, {"null", "absent"},
        {R"({"z":[1.0,1e0,-0,0.10],"y":{"x":[],"w":{}},"a":"s"})", R"({"a":"s","z":[1,1,0,0.1]})"}, {R"(["1x", 1e400, true])", R"(["1x",inf,true])"},
        {"\"text\"", "\"text\""}};
    for (const auto& [value, normalized] : cases) {
        const auto found = MapDocument::normalized(parsed(value));
        EXPECT_EQ(found ? compact(*found) : "absent", normalized) << value;
    }
    EXPECT_EQ(MapDocument::fingerprint(parsed(R"({"nodes":[{"id":"a","x":1.0}],"edges":[]})"), parsed("{}")),
              MapDocument::fingerprint(parsed(R"({"edges":[],"nodes":[{"x":1,"id":"a"}]})"), std::nullopt));
    EXPECT_NE(MapDocument::fingerprint(parsed(R"({"nodes":[{"x":1}]})"), std::nullopt), MapDocument::fingerprint(parsed(R"({"nodes":[{"x":2}]})"), std::nullopt));
}

// A save body from (map path, canvas, sidecar) texts; an empty sidecar text leaves it out.
JSONValue body(std::initializer_list<std::tuple<std::string, std::string, std::string>> maps) {
    std::vector<JSONValue> elements;
    for (const auto& [path, canvas, sidecar] : maps) {
        std::vector<JSONMember> members{{"path", JSONValue::string(path)}, {"canvas", parsed(canvas)}};
        if (!sidecar.empty()) members.push_back({"sidecar", parsed(sidecar)});
        elements.push_back(JSONValue::object(members));
    }
    return JSONValue::object({{"maps", JSONValue::array(elements)}});
}
MapDocument::AppliedSave applied(const JSONValue& saveBody, DocumentTree tree = FileWrapperTree::emptyDocument(), MapDocument::KnownFiles files = {}) {
    return MapDocument::apply(saveBody, std::move(tree), std::move(files), MapDocument::rootCanvasName);
}

TEST(MapSaving, NewSubmapsAreNamedAfterTheirCardsParentsFirstNeverOnAPathInUse) {
    DocumentTree tree = FileWrapperTree::emptyDocument();
    tree.write("{\"an\":\"orphan\"}", "map/trip ideas-3.canvas");  // a deleted card's canvas, in another case
    const auto save = applied(body({{"/", R"({"nodes":[{"id":"abc","type":"text","text":"Trip ideas!","x":0},{"id":"d","type":"text","text":"Trip ideas?"},{"id":"e","type":"group","label":"G"},{"id":"f","type":"text","text":"Trip Ideas"}],"edges":[]})", "{}"},
                                    {"/abc", R"({"nodes":[{"id":"n","type":"text","text":"Day 1"}],"edges":[]})", ""}, {"/d", R"({"nodes":[]})", ""}, {"/f", R"({"nodes":[]})", ""},
                                    {"/abc/n", R"({"nodes":[],"edges":[]})", R"({"k":1})"}}), tree);
    EXPECT_EQ(save.files, (MapDocument::KnownFiles{{"/", "map.canvas"}, {"/abc", "map/Trip ideas.canvas"}, {"/abc/n", "map/Trip ideas/Day 1.canvas"},
                                                   {"/d", "map/Trip ideas-2.canvas"}, {"/f", "map/Trip Ideas-4.canvas"}}));
    EXPECT_EQ(text(save.tree.data("map/trip ideas-3.canvas")), "{\"an\":\"orphan\"}");
    // Cards that open submaps become file cards keeping their text; the group opens none.
    EXPECT_EQ(storedCanvas(save.tree, "map.canvas"), R"({"nodes":[{"id":"abc","type":"file","text":"Trip ideas!","x":0,"file":"map/Trip ideas.canvas"},{"id":"d","type":"file","text":"Trip ideas?","file":"map/Trip ideas-2.canvas"},{"id":"e","type":"group","label":"G"},{"id":"f","type":"file","text":"Trip Ideas","file":"map/Trip Ideas-4.canvas"}],"edges":[]})");
    EXPECT_EQ(text(save.tree.data("map/Trip ideas/Day 1.canvas.velk")), "{\n\t\"k\": 1\n}\n");
    EXPECT_EQ(text(save.tree.data("map/Trip ideas.canvas.velk")), "<absent>");  // no sidecar in the body
    // A body without maps, or leaving maps out, changes no file.
    const auto none = applied(parsed(R"({"other":1})"), tree, {{"/x", "map/X.canvas"}});
    EXPECT_EQ(none.tree, tree);
    EXPECT_EQ(none.files, (MapDocument::KnownFiles{{"/", "map.canvas"}, {"/x", "map/X.canvas"}}));
    EXPECT_TRUE(applied(body({{"/", R"({"nodes":[]})", ""}}), tree, {{"/g", "map/trip ideas-3.canvas"}}).tree.at("map/trip ideas-3.canvas"));
}

TEST(MapSaving, ChangedLabelsMoveSubmapFilesWithTheirSidecarsAndDrawings) {
    const DocumentTree tree = treeOf({{"map.canvas", "{}"}, {"map/Trip ideas.canvas", "{}"}, {"map/Trip ideas.canvas.velk", "{}"}, {"map/Notes-2.canvas", "{}"}, {"map/Trip ideas.ink.svg", "<svg/>"}});
    const MapDocument::KnownFiles known{{"/", "map.canvas"}, {"/a", "map/Trip ideas.canvas"}, {"/b", "map/Notes-2.canvas"}};
    const auto bodyWith = [](std::string_view aText) {
        return body({{"/", R"({"nodes":[{"id":"a","type":"text","text":")" + std::string(aText) + R"("},{"id":"b","type":"text","text":"notes"}]})", ""},
                     {"/a", R"({"nodes":[]})", ""}, {"/b", R"({"nodes":[]})", ""}});
    };
    const auto renamed = applied(bodyWith("Holiday"), tree, known);
    EXPECT_EQ(renamed.files, (MapDocument::KnownFiles{{"/", "map.canvas"}, {"/a", "map/Holiday.canvas"}, {"/b", "map/Notes-2.canvas"}}));  // "-2" still names "notes"
    EXPECT_EQ(describe(renamed.tree), (std::vector<std::string>{"map.canvas", "map/", "map/Holiday.canvas", "map/Holiday.canvas.velk", "map/Holiday.ink.svg", "map/Notes-2.canvas"}));
    EXPECT_EQ(compact(*parsed(text(renamed.tree.data("map.canvas")))["nodes"]->elements()[0]["file"]), "\"map/Holiday.canvas\"");
    EXPECT_EQ(applied(bodyWith("trip IDEAS"), tree, known).files.at("/a"), "map/Trip ideas.canvas");
    // A file card linking a known file is written as it came, member order too.
    const std::string root = R"({"nodes":[{"x":1,"file":"map/A.canvas","id":"a","type":"file","text":"kept"}],"edges":[]})";
    EXPECT_EQ(storedCanvas(applied(body({{"/", root, ""}, {"/a", R"({"nodes":[]})", ""}}), tree, {{"/a", "map/A.canvas"}}).tree, "map.canvas"), root);
}

TEST(MapSaving, InkCardsAreNamedSizedAndRenderedOnlyWithASidecar) {
    const std::string sidecar = R"({"nodes":{"ink1":{"role":"ink","source":{"strokes":[{"points":[[10,20],[30,40]],"palette":"rose"}]}},
        "ink2":{"role":"ink","source":{}}, "huge":{"role":"ink","source":{"strokes":[{"points":[[1e300,-1e300],[1e400,0]]}]}}}})";
    const std::string cards = R"({"nodes":[{"id":"ink1","type":"file","x":0,"y":0,"width":10.0,"height":10},{"id":"ink2","type":"file"},
        {"id":"huge","type":"file","file":"big.ink.svg"},{"id":"plain","type":"file","file":"notes.md"}]})";
    const auto save = applied(body({{"/", cards, sidecar}}));
    const JSONArray written = parsed(text(save.tree.data("map.canvas")))["nodes"]->elements();
    EXPECT_EQ(compact(written[0]), R"({"id":"ink1","type":"file","x":2,"y":12,"width":36,"height":36,"file":"map.ink.svg"})");
    EXPECT_EQ(compact(written[1]), R"({"id":"ink2","type":"file","file":"map.ink.svg"})");  // named, no drawing to size
    EXPECT_EQ(compact(written[3]), R"({"id":"plain","type":"file","file":"notes.md"})");
    EXPECT_TRUE(text(save.tree.data("map.ink.svg")).contains(R"(viewBox="2 12 36 36" width="36" height="36">)" "\n\t<path d=\"M10 20 L30 40\""));
    EXPECT_EQ(written[2]["x"]->numberText(), "9223372036854775807");  // clamped, and the save goes on
    EXPECT_TRUE(save.tree.at("big.ink.svg"));
    const auto bare = applied(body({{"/", cards, ""}}));
    EXPECT_EQ(parsed(text(bare.tree.data("map.canvas"))), parsed(cards));
    EXPECT_FALSE(bare.tree.at("map.canvas.velk") || bare.tree.at("map.ink.svg"));
}

TEST(MapSaveSteps, StemsLabelsAndWantedNames) {
    EXPECT_EQ(MapDocument::stem("map/Trip.CANVAS"), "Trip");
    EXPECT_EQ(MapDocument::stem("a/b/"), "b");
    for (const auto& [name, names] : {std::pair{"trip-12", true}, {"trip-", false}, {"trip-2a", false}, {"trip", true}, {"trips", false}})
        EXPECT_EQ(MapDocument::namesStem("Trip", name), names) << name;
    EXPECT_EQ(MapDocument::ownerLabel(parsed(R"({"id":"t","text":""})")), std::nullopt);
    EXPECT_EQ(MapDocument::ownerLabel(parsed(R"({"id":"t2","text":"Line\nbreak"})")), "Line\nbreak");
    EXPECT_EQ(MapDocument::ownerLabel(parsed(R"({"id":"f","file":"x/Y.canvas"})")), "Y");
    EXPECT_EQ(MapDocument::renameWanted(parsed(R"({"type":"link","url":"https://a.example/b"})"), "map/Old.canvas", "n"), "https-a-example-b");
    EXPECT_EQ(MapDocument::renameWanted(parsed(R"({"type":"text","text":" \n "})"), "map/Old.canvas", "n"), std::nullopt);
    EXPECT_EQ(MapDocument::renameWanted(parsed(R"({"type":"file","file":"notes.md"})"), "map/Old.canvas", "n"), std::nullopt);
}

// A root linking one submap from cards a and b (a shared submap) and a plain one from card p.
DocumentTree sharedPackage() {
    return treeOf({{"map.canvas", R"({"nodes":[{"id":"a","type":"file","file":"map/Shared.canvas"},{"id":"b","type":"file","file":"map/Shared.canvas"},{"id":"p","type":"file","file":"map/Plain.canvas"}],"edges":[]})"},
                   {"map/Shared.canvas", R"({"nodes":[{"id":"s","type":"text","text":"one"}],"edges":[]})"}, {"map/Plain.canvas", R"({"nodes":[],"edges":[]})"}});
}

TEST(MapDocumentCore, RevisionsGrowWithSavesNewImagesAndReplacementsOnly) {
    MapDocumentCore core;
    EXPECT_EQ(compact(*core.state()), R"({"maps":[{"path":"/","canvas":{"nodes":[],"edges":[]},"sidecar":{}}]})");
    EXPECT_EQ(core.files(), (MapDocument::KnownFiles{{"/", "map.canvas"}}));
    EXPECT_EQ(core.apply(*core.state()), 1);
    EXPECT_EQ(core.apply(*core.state()), 2);
    const auto path = core.storeMedia("png bytes", "image/png");
    EXPECT_EQ(core.revision(), 3);
    EXPECT_EQ(core.storeMedia("png bytes", "image/png"), *path);  // already there: no new revision
    EXPECT_EQ(text(core.mediaData(path->substr(std::string("velk-media/").size()), "velk-media")), "png bytes");
    EXPECT_EQ(core.storeMedia("", "image/png").error(), MediaError::empty());
    core.setPreview("thumbnail");
    EXPECT_EQ(text(core.previewData()), "thumbnail");
    EXPECT_EQ(core.revision(), 3);
    core.replace(sharedPackage());
    EXPECT_EQ(core.revision(), 4);
    EXPECT_TRUE(core.files().empty());
    // A body for the tree read again, before anyone asked for its state, once gave each copy of
    // the shared submap a file of its own.
    const JSONValue before = *MapDocumentCore(sharedPackage()).state();
    const auto parted = core.apply(edited(edited(before, "/a", R"({"nodes":[{"id":"s","text":"A"}]})"), "/b", R"({"nodes":[{"id":"s","text":"B"}]})"));
    EXPECT_EQ(std::get<MapDocumentError::SharedSubmapDiverged>(parted.error().value()).file, "map/Shared.canvas");
    ASSERT_TRUE(core.apply(edited(before, "/a", R"({"nodes":[{"id":"s","text":"A"}]})")));
    EXPECT_EQ(loaded(core.tree()), (Maps{{"/", "map.canvas"}, {"/a", "map/Shared.canvas"}, {"/b", "map/Shared.canvas"}, {"/p", "map/Plain.canvas"}}));
    core.replace(sharedPackage());
    ASSERT_TRUE(core.state());
    EXPECT_EQ(core.files().size(), 4u);
}

TEST(MapDocumentCore, SharedSubmapIsWrittenOnceAndFollowsARename) {
    MapDocumentCore core(sharedPackage());
    const JSONValue state = *core.state();
    // Copy a edited, and card a (now labelled) renames the shared file.
    JSONValue body = edited(state, "/a", R"({"nodes":[{"id":"s","type":"text","text":"two"}],"edges":[]})");
    body = edited(body, "/", R"({"nodes":[{"id":"a","type":"text","text":"Renamed"},{"id":"b","type":"file","file":"map/Shared.canvas"},{"id":"p","type":"file","file":"map/Plain.canvas"}],"edges":[]})");
    ASSERT_EQ(core.apply(body), 1);
    EXPECT_EQ(core.files().at("/b"), "map/Renamed.canvas");
    EXPECT_EQ(storedCanvas(core.tree(), "map/Renamed.canvas"), R"({"nodes":[{"id":"s","type":"text","text":"two"}],"edges":[]})");
    // Card b follows the file: a reload opens the renamed file from both cards.
    const Maps renamedMaps{{"/", "map.canvas"}, {"/a", "map/Renamed.canvas"}, {"/b", "map/Renamed.canvas"}, {"/p", "map/Plain.canvas"}};
    EXPECT_EQ(loaded(core.tree()), renamedMaps);
    // The editor still shows card b under the old name; saving that again renames nothing back.
    ASSERT_EQ(core.apply(body), 2);
    EXPECT_EQ(loaded(core.tree()), renamedMaps);
    EXPECT_FALSE(core.tree().at("map/Shared.canvas"));
    // Copy b still holds the old content: editing it now would overwrite a's edit.
    const auto stale = core.apply(edited(body, "/b", R"({"nodes":[{"id":"s","type":"text","text":"three"}],"edges":[]})"));
    EXPECT_EQ(std::get<MapDocumentError::SharedSubmapDiverged>(stale.error().value()).file, "map/Renamed.canvas");
    // Copy b brought up to a's content is accepted: the file's fingerprint moved with the rename.
    const JSONValue caughtUp = edited(body, "/b", R"({"nodes":[{"id":"s","type":"text","text":"two"}],"edges":[]})");
    EXPECT_EQ(core.apply(caughtUp), 3);
    // Renaming through card b now moves the file again, and card a follows it.
    ASSERT_EQ(core.apply(edited(caughtUp, "/", R"({"nodes":[{"id":"a","type":"text","text":"Renamed"},{"id":"b","type":"file","file":"map/Later.canvas"}],"edges":[]})")), 4);
    EXPECT_EQ(loaded(core.tree()), (Maps{{"/", "map.canvas"}, {"/a", "map/Later.canvas"}, {"/b", "map/Later.canvas"}}));
}

TEST(MapDocumentCore, SavesNeverLoseWhatPeopleWroteNorBreakALink) {
    // Each row saves one edit of a state loaded from its package (refused when it would lose
    // something), then checks the package.
    const struct {
        const char* name;
        DocumentTree package;
        std::function<JSONValue(const JSONValue& state)> edit;
        bool accepted;
        std::function<void(const MapDocumentCore& saved)> check;
        std::vector<std::string> notRead = {};  // what the disk holds that the tree lacks
    } cases[] = {
        {"two spellings of one file are one shared file: diverging edits are refused",
         treeOf({{"map.canvas", R"({"nodes":[{"id":"a","type":"file","file":"map/S.canvas"},{"id":"b","type":"file","file":"/map//S.canvas"}]})"}, {"map/S.canvas", R"({"nodes":[]})"}}),
         [](const JSONValue& state) { return edited(edited(state, "/a", R"({"nodes":[{"id":"x"}]})"), "/b", R"({"nodes":[{"id":"y"}]})"); }, false,
         [](const MapDocumentCore& saved) {
             EXPECT_EQ(storedCanvas(saved.tree(), "map/S.canvas"), R"({"nodes":[]})");
             EXPECT_EQ(saved.revision(), 0);
         }},
        {"names differing only in case are two files, and a link between them is no cycle",
         treeOf({{"map.canvas", R"({"nodes":[{"id":"u","type":"file","file":"map/A.canvas"},{"id":"l","type":"file","file":"map/a.canvas"}]})"},
                 {"map/A.canvas", R"({"nodes":[{"id":"x","type":"file","file":"map/a.canvas"}]})"}, {"map/a.canvas", R"({"nodes":[]})"}}),
         [](const JSONValue& state) { return edited(state, "/u/x", R"({"nodes":[{"id":"new"}]})"); }, true,
         [](const MapDocumentCore& saved) {
             EXPECT_EQ(loaded(saved.tree()).size(), 4u);  // /, /u, /u/x, /l
             EXPECT_EQ(storedCanvas(saved.tree(), "map/a.canvas"), R"({"nodes":[{"id":"new"}]})");
         }},
        {"ink never overwrites a canvas, a sidecar or an image", treeOf({{"map.canvas", R"({"nodes":[]})"}, {"velk-media/p.ink.svg", "image"}}),
         [](const JSONValue& state) {
             std::string cards, records;
             int id = 0;
             for (const char* file : {"map.canvas", "map.canvas.velk", "velk-media/p.ink.svg", "sub/../x.ink.svg", "Kept.ink.svg"}) {
                 const std::string comma = id ? "," : "", name = "i" + std::to_string(++id);
                 cards += comma + R"({"id":")" + name + R"(","type":"file","file":")" + file + R"("})";
                 records += comma + R"(")" + name + R"(":{"role":"ink","source":{"strokes":[{"points":[[0,0],[9,9]]}]}})";
             }
             return edited(edited(state, "/", R"({"nodes":[)" + cards + "]}"), "/", R"({"nodes":{)" + records + "}}", "sidecar");
         }, true,
         [](const MapDocumentCore& saved) {
             EXPECT_EQ(loaded(saved.tree()).size(), 1u);
             EXPECT_TRUE(parsed(text(saved.tree().data("map.canvas.velk")))["nodes"]);
             EXPECT_EQ(text(saved.tree().data("velk-media/p.ink.svg")), "image");
             EXPECT_FALSE(saved.tree().at("sub"));
             EXPECT_TRUE(text(saved.tree().data("Kept.ink.svg")).starts_with("<svg"));
         }},
        {"a note that opens a submap keeps its whole text", treeOf({{"map.canvas", R"({"nodes":[]})"}}),
         [](const JSONValue&) { return parsed(R"({"maps":[{"path":"/","canvas":{"nodes":[{"id":"n","type":"text","text":"Day plans\nMonday: museum"}]}},{"path":"/n","canvas":{"nodes":[]}}]})"); }, true,
         [](const MapDocumentCore& saved) {
             EXPECT_EQ(storedCanvas(saved.tree(), "map.canvas"), R"({"nodes":[{"id":"n","type":"file","text":"Day plans\nMonday: museum","file":"map/Day plans-Monday- museum.canvas"}]})");
         }},
        {"a group or a link that opens a submap keeps its label or its address",
         treeOf({{"map.canvas", R"({"nodes":[]})"}}),
         [](const JSONValue&) {
             return parsed(R"({"maps":[{"path":"/","canvas":{"nodes":[{"id":"g","type":"group","label":"Ideas","background":"#fff"},)"
                           R"({"id":"l","type":"link","url":"https://example.com/page"}]}},{"path":"/g","canvas":{"nodes":[]}},{"path":"/l","canvas":{"nodes":[]}}]})");
         }, true,
         [](const MapDocumentCore& saved) {
             EXPECT_EQ(storedCanvas(saved.tree(), "map.canvas"), R"({"nodes":[{"id":"g","type":"file","label":"Ideas","file":"map/g.canvas"},)"
                                                                 R"({"id":"l","type":"file","url":"https://example.com/page","file":"map/l.canvas"}]})");
         }},
        {"a card whose id holds a slash opens a submap named after a safe form of the id", treeOf({{"map.canvas", R"({"nodes":[]})"}}),
         [](const JSONValue&) { return parsed(R"({"maps":[{"path":"/","canvas":{"nodes":[{"id":"a/b","type":"group"}]}},{"path":"/a/b","canvas":{"nodes":[{"id":"kept"}]}}]})"); }, true,
         [](const MapDocumentCore& saved) {
             EXPECT_EQ(storedCanvas(saved.tree(), "map/a-b.canvas"), R"({"nodes":[{"id":"kept"}]})");
             EXPECT_EQ(loaded(saved.tree()), (Maps{{"/", "map.canvas"}, {"/a/b", "map/a-b.canvas"}}));
         }},
        {"a renamed map takes its drawing along and never lands on a name differing only in case",
         treeOf({{"map.canvas", R"({"nodes":[{"id":"s","type":"file","file":"map/A.canvas"}]})"}, {"map/A.canvas", R"({"nodes":[{"id":"ink","type":"file","file":"A.ink.svg"}]})"},
                 {"map/A.canvas.velk", R"({"nodes":{"ink":{"role":"ink","source":{"strokes":[{"points":[[0,0],[9,9]]}]}}}})"},
                 {"map/A.ink.svg", "<svg/>"}, {"map/holiday.canvas", "a file of its own"}}),
         [](const JSONValue& state) { return edited(state, "/", R"({"nodes":[{"id":"s","type":"file","file":"map/Holiday.canvas"}]})"); }, true,
         [](const MapDocumentCore& saved) {
             EXPECT_EQ(saved.files().at("/s"), "map/Holiday-2.canvas");
             EXPECT_EQ(text(saved.tree().data("map/holiday.canvas")), "a file of its own");
             EXPECT_FALSE(saved.tree().at("map/A.ink.svg"));
             EXPECT_EQ(*(*parsed(text(saved.tree().data("map/Holiday-2.canvas")))["nodes"]).elements()[0]["file"], JSONValue::string("Holiday-2.ink.svg"));
             EXPECT_TRUE(text(saved.tree().data("map/Holiday-2.ink.svg")).starts_with("<svg"));
         }},
        {"maps the save leaves alone keep their files as written, and no sidecar is made or emptied for nothing",
         treeOf({{"map.canvas", R"({"nodes":[{"id":"s","type":"file","file":"map/A.canvas"},{"id":"t","type":"text","text":"x"}]})"},
                 {"map/A.canvas", R"({"nodes":[{"id":"k","type":"text","text":"kept","x":1e2}],"edges":[]})"}, {"map/A.canvas.velk", R"({"cut short":)"}}),
         [](const JSONValue& state) { return edited(state, "/", R"({"nodes":[{"id":"s","type":"file","file":"map/A.canvas"},{"id":"t","type":"text","text":"y"}]})"); }, true,
         [](const MapDocumentCore& saved) {
             EXPECT_EQ(text(saved.tree().data("map/A.canvas")), R"({"nodes":[{"id":"k","type":"text","text":"kept","x":1e2}],"edges":[]})");
             EXPECT_EQ(text(saved.tree().data("map/A.canvas.velk")), R"({"cut short":)");
             EXPECT_FALSE(saved.tree().at("map.canvas.velk"));
         }},
        {"cards sharing an id, or whose id holds a slash, keep the links loading gave them",
         treeOf({{"map.canvas", R"({"nodes":[{"id":"a/b","type":"file","file":"map/X.canvas"},{"id":"a","type":"file","file":"map/Y.canvas"},)"
                                R"({"id":"d","type":"file","file":"map/A.canvas"},{"id":"d","type":"file","file":"map/B.canvas"}]})"},
                 {"map/X.canvas", R"({"nodes":[]})"}, {"map/Y.canvas", R"({"nodes":[{"id":"b","type":"file","file":"map/Y/Z.canvas"}]})"},
                 {"map/Y/Z.canvas", R"({"nodes":[]})"}, {"map/A.canvas", R"({"nodes":[]})"}, {"map/B.canvas", R"({"nodes":[]})"}}),
         [](const JSONValue& state) { return edited(state, "/a/b", R"({"nodes":[{"id":"new"}]})"); }, true,
         [](const MapDocumentCore& saved) {
             EXPECT_EQ(loaded(saved.tree()), (Maps{{"/", "map.canvas"}, {"/a/b", "map/X.canvas"}, {"/a", "map/Y.canvas"}, {"/d", "map/A.canvas"}}));
             EXPECT_EQ(storedCanvas(saved.tree(), "map/X.canvas"), R"({"nodes":[{"id":"new"}]})");
             EXPECT_TRUE(text(saved.tree().data("map.canvas")).contains("map/B.canvas"));
             EXPECT_TRUE(text(saved.tree().data("map/Y.canvas")).contains("map/Y/Z.canvas"));
         }},
        {"nothing is written below a file nor over a folder: not an ink drawing named under the root canvas, nor a submap where a file has its folder's name, "
         "nor a drawing or sidecar where the user keeps a folder of that name",
         treeOf({{"map.canvas", R"({"nodes":[]})"}, {"map", "my file"}, {"map.ink.svg/notes.txt", "mine"}, {"map.canvas.velk/keep.txt", "mine too"}}),
         [](const JSONValue&) {
             return parsed(R"({"maps":[{"path":"/","canvas":{"nodes":[{"id":"i","type":"file","file":"map.canvas/x.ink.svg"},{"id":"j","type":"file","file":"map.ink.svg"},)"
                           R"({"id":"n","type":"text","text":"N"}]},"sidecar":{"nodes":{"i":{"role":"ink","source":{"strokes":[{"points":[[0,0],[9,9]]}]}},)"
                           R"("j":{"role":"ink","source":{"strokes":[{"points":[[0,0],[9,9]]}]}}}}},{"path":"/n","canvas":{"nodes":[]}}]})");
         }, true,
         [](const MapDocumentCore& saved) {
             EXPECT_TRUE(MapDocument::storedObject(saved.tree(), "map.canvas"));
             EXPECT_EQ(text(saved.tree().data("map")), "my file");
             EXPECT_EQ(text(saved.tree().data("map.ink.svg/notes.txt")), "mine");
             EXPECT_EQ(text(saved.tree().data("map.canvas.velk/keep.txt")), "mine too");
         }},
        {"a card linking back to a renamed map above it follows the rename",
         treeOf({{"map.canvas", R"({"nodes":[{"id":"a","type":"file","file":"map/A.canvas"}]})"},
                 {"map/A.canvas", R"({"nodes":[{"id":"b","type":"file","file":"map/A/B.canvas"}]})"},
                 {"map/A/B.canvas", R"({"nodes":[{"id":"c","type":"file","file":"map/A.canvas"}]})"}}),
         [](const JSONValue& state) { return edited(state, "/", R"({"nodes":[{"id":"a","type":"text","text":"New"}]})"); }, true,
         [](const MapDocumentCore& saved) {
             ASSERT_EQ(saved.files().at("/a"), "map/New.canvas");
             EXPECT_TRUE(text(saved.tree().data(saved.files().at("/a/b"))).contains(R"("file": "map/New.canvas")"));
         }},
        {"new and renamed submaps are named around what the disk holds unread (a file velk may not read, a link)",
         treeOf({{"map.canvas", R"({"nodes":[{"id":"s","type":"file","file":"map/A.canvas"}]})"}, {"map/A.canvas", R"({"nodes":[]})"}}),
         [](const JSONValue&) {
             return parsed(R"({"maps":[{"path":"/","canvas":{"nodes":[{"id":"s","type":"file","file":"map/New.canvas"},{"id":"t","type":"text","text":"B"}]}},)"
                           R"({"path":"/s","canvas":{"nodes":[]}},{"path":"/t","canvas":{"nodes":[]}}]})");
         }, true,
         [](const MapDocumentCore& saved) {
             EXPECT_EQ(saved.files().at("/s"), "map/New-2.canvas");
             EXPECT_EQ(saved.files().at("/t"), "map/B-2.canvas");
         }, {"map/new.canvas", "map/B.canvas.velk"}},
        {"a renamed map never lands where another's sidecar is",
         treeOf({{"map.canvas", R"({"nodes":[{"id":"s","type":"file","file":"map/A.canvas"}]})"}, {"map/A.canvas", R"({"nodes":[]})"},
                 {"map/New.canvas.velk", R"({"mine":"keep me"})"}}),
         [](const JSONValue& state) { return edited(state, "/", R"({"nodes":[{"id":"s","type":"file","file":"map/New.canvas"}]})"); }, true,
         [](const MapDocumentCore& saved) {
             EXPECT_EQ(saved.files().at("/s"), "map/New-2.canvas");
             EXPECT_EQ(text(saved.tree().data("map/New.canvas.velk")), R"({"mine":"keep me"})");
         }},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        MapDocumentCore core(row.package);
        EXPECT_EQ(core.apply(row.edit(*core.state()), row.notRead).has_value(), row.accepted);
        row.check(core);
    }
}

TEST(MapDocumentCore, CardsAndLinksTheEditorLeftAloneKeepTheirStoredText) {
    // The editor page hands unknown members back in its own order and spelling.
    const auto storedWith = [](std::string_view number) {
        return OrderedJSON::write(parsed(R"({"nodes":[{"id":"a","type":"text","text":"A","meta":{"b":1,"10":)" + std::string(number) + R"(,"n":1e2}},{"id":"c","type":"text","text":"C","x":1.0,"created":12345678901234567891}],"edges":[{"id":"e","fromNode":"a","toNode":"c","w":0.50}]})"), Pretty::yes);
    };
    const std::string stored = storedWith("2.50");
    const auto page = [](std::string_view cText, bool cFirst = false) {
        const std::string a = R"({"id":"a","type":"text","text":"A","meta":{"10":2.5,"b":1,"n":100}})";
        const std::string c = R"({"id":"c","type":"text","text":")" + std::string(cText) + R"(","x":1,"created":12345678901234567000})";
        return parsed(R"({"maps":[{"path":"/","canvas":{"nodes":[)" + (cFirst ? c + "," + a : a + "," + c) + R"(],"edges":[{"id":"e","fromNode":"a","toNode":"c","w":0.5}]},"sidecar":{}}]})");
    };
    const auto expectKept = [](const MapDocumentCore& core, std::string_view number) {
        const std::string written = text(core.tree().data("map.canvas"));
        // The changed card keeps the members nobody changed, a number the page rounds among them.
        for (const std::string& kept : {R"("10": )" + std::string(number), std::string(R"("w": 0.50)"), std::string(R"("x": 1.0)"),
                                        std::string(R"("created": 12345678901234567891)")})
            EXPECT_TRUE(written.contains(kept)) << kept << " in " << written;
    };
    MapDocumentCore core(treeOf({{"map.canvas", stored}}));
    ASSERT_TRUE(core.state() && core.apply(page("C changed")));
    expectKept(core, "2.50");
    // Later saves compare with what the last one wrote, also when the page restacked the cards.
    ASSERT_TRUE(core.apply(page("C changed twice", true)));
    expectKept(core, "2.50");
    // A file read from disk again is compared as it now stands.
    core.replace(treeOf({{"map.canvas", storedWith("2.500")}}));
    ASSERT_TRUE(core.apply(page("C changed on disk")));
    expectKept(core, "2.500");
    MapDocumentCore unchanged(treeOf({{"map.canvas", stored}}));
    ASSERT_TRUE(unchanged.state() && unchanged.apply(page("C")));
    EXPECT_EQ(text(unchanged.tree().data("map.canvas")), stored);  // byte for byte
    // Nor are the canvas's own members, nor the sidecar, which the page passes through.
    MapDocumentCore passed(treeOf({{"map.canvas", R"({"nodes":[],"big":12345678901234567891})"}, {"map.canvas.velk", R"({"v":1.0})"}}));
    ASSERT_TRUE(passed.state() && passed.apply(parsed(R"({"maps":[{"path":"/","canvas":{"nodes":[{"id":"n","type":"text","text":"new"}],)"
                                                      R"("big":12345678901234567000},"sidecar":{"v":1}}]})")));
    EXPECT_TRUE(text(passed.tree().data("map.canvas")).contains("12345678901234567891"));
    EXPECT_EQ(text(passed.tree().data("map.canvas.velk")), R"({"v":1.0})");
}

// A submap opened from several cards is loaded once per card; a save writes one consistent copy
// of it and refuses copies edited apart.
std::string noteCanvas(std::string_view text) {
    return R"({"nodes":[{"id":"n1","type":"text","text":")" + std::string(text) + R"(","x":10,"y":20}],"edges":[]})";
}
JSONValue fingerprintOf(std::string_view canvas) { return MapDocument::fingerprint(parsed(canvas), std::nullopt); }
const std::string sharedCanvas = R"({"nodes":[{"id":"i","type":"file","file":"map/Shared/Inner.canvas"}]})";

// A package whose root opens map/Shared.canvas from cards a and b (and, when asked, c), and an
// ordinary submap from card p; Shared itself opens map/Shared/Inner.canvas from card i.
struct Package {
    MapDocument::KnownFiles files;
    SharedSubmapCopies copies;
    JSONValue body;  // the editor state, which the editor sends back as its save body

    explicit Package(std::vector<std::string> sharedIDs = {"a", "b"}) {
        std::string root = R"({"nodes":[)";
        for (const auto& id : sharedIDs) root += fileCard(id, "map/Shared.canvas") + ",";
        const auto maps = MapDocument::load(treeOf({{"map.canvas", root + fileCard("p", "map/Plain.canvas") + R"(],"edges":[]})"}, {"map/Shared.canvas", sharedCanvas},
                                                    {"map/Shared/Inner.canvas", noteCanvas("inner")}, {"map/Plain.canvas", noteCanvas("plain")}}),
                                            MapDocument::rootCanvasName).value();
        for (const auto& map : maps) files[map.path] = map.file;
        copies = SharedSubmapCopies::fromLoaded(maps);
        body = MapDocument::state(maps);
    }
    Expected<ResolvedSave, MapDocumentError> resolve(const JSONValue& saveBody, const SharedSubmapCopies& known) const {
        return MapDocument::resolveSharedFiles(saveBody, files, known);
    }
};

// `body` with the maps at `paths` dropped as copies are: only their path stays.
JSONValue dropping(const JSONValue& body, std::set<std::string_view> paths) {
    std::vector<JSONValue> maps;
    for (const auto& map : (*body["maps"]).elements())
        maps.push_back(paths.contains(*map["path"]->stringValue()) ? JSONValue::object({{"path", *map["path"]}}) : map);
    return body.setting("maps", JSONValue::array(maps));
}
// `body` with only the maps at `paths`, in that order.
JSONValue only(const JSONValue& body, std::vector<std::string_view> paths) {
    std::vector<JSONValue> maps;
    for (const auto path : paths)
        for (const auto& map : (*body["maps"]).elements())
            if (map["path"]->stringValue() == path) maps.push_back(map);
    return body.setting("maps", JSONValue::array(maps));
}

TEST(SharedSubmapResolve, BodiesThatDropNoCopyPassThroughAsTheSameValue) {
    const Package plain({"a"}), shared;
    EXPECT_EQ(plain.copies, SharedSubmapCopies{});  // a file loaded once has no copies
    const std::pair<JSONValue, const Package*> cases[] = {{edited(plain.body, "/a", noteCanvas("edited")), &plain}, {parsed(R"({"maps":{"path":"/a"}})"), &shared},
                                                          {parsed(R"([{"maps":[]}])"), &shared}, {only(shared.body, {"/", "/p"}), &shared}};
    for (const auto& [body, package] : cases) {
        const auto result = package->resolve(body, package->copies);
        EXPECT_EQ(result->body.node(), body.node()) << compact(body);
        EXPECT_EQ(result->copies, package->copies) << compact(body);
    }
    // The only copy in the body, edited: written from the same body, and the copies advance.
    const JSONValue lone = only(edited(shared.body, "/b", R"({"note":"b"})"), {"/", "/b"});
    const auto result = shared.resolve(lone, shared.copies);
    EXPECT_EQ(result->body.node(), lone.node());
    EXPECT_EQ(result->copies.current.at("map/Shared.canvas"), fingerprintOf(R"({"note":"b"})"));
}

TEST(SharedSubmapResolve, OneEditedCopyIsWrittenAndTheOthersDropped) {
    Package package;
    // Copies that differ only in notation are unedited, and all dropped.
    JSONValue notation = edited(package.body, "/a/i", R"({"edges":[],"nodes":[{"y":2e1,"x":10.0,"text":"inner","type":"text","id":"n1","color":null}]})");
    notation = parsed(R"({"version":1,"maps":[],"view":{"zoom":2}})").setting("maps", *notation["maps"]);
    EXPECT_EQ(package.resolve(notation, package.copies)->body, dropping(notation, {"/a", "/a/i", "/b", "/b/i"}));

    const std::string fromA = R"({"nodes":[],"edges":[],"note":"a"})";
    SharedSubmapCopies expected = package.copies;
    expected.baselines["/a"] = expected.current["map/Shared.canvas"] = fingerprintOf(fromA);
    const JSONValue editedA = edited(package.body, "/a", fromA);
    const auto first = package.resolve(editedA, package.copies);
    EXPECT_EQ(first->body, dropping(editedA, {"/a/i", "/b", "/b/i"}));
    EXPECT_EQ(first->copies, expected);
    // Copy b brought to a's content is accepted and its baseline advances.
    const JSONValue bLikeA = edited(editedA, "/b", R"({"note":"a","edges":[],"nodes":[]})");
    const auto second = package.resolve(bLikeA, first->copies);
    EXPECT_EQ(second->body, dropping(bLikeA, {"/a", "/a/i", "/b/i"}));
    expected.baselines["/b"] = fingerprintOf(fromA);
    EXPECT_EQ(second->copies, expected);
    // Copies edited alike in one save: one is written, both advance.
    const JSONValue alike = edited(edited(package.body, "/a/i", noteCanvas("both")), "/b/i", noteCanvas("both"));
    const auto both = package.resolve(alike, package.copies);
    EXPECT_EQ(both->body, dropping(alike, {"/a", "/b", "/b/i"}));
    expected = package.copies;
    expected.baselines["/a/i"] = expected.baselines["/b/i"] = expected.current["map/Shared/Inner.canvas"] = fingerprintOf(noteCanvas("both"));
    EXPECT_EQ(both->copies, expected);
    // Maps not shared at load pass through: /b/i is no longer known as a copy of Inner.
    package.files.erase("/b/i");
    std::vector<JSONValue> maps = (*edited(package.body, "/p", noteCanvas("edited"))["maps"]).elements().elements();
    for (const auto& extra : parsed(R"([{"path":"/new"},{"path":7},"not a map"])").elements()) maps.push_back(extra);
    const JSONValue unshared = package.body.setting("maps", JSONValue::array(maps));
    EXPECT_EQ(package.resolve(unshared, package.copies)->body, dropping(unshared, {"/a", "/a/i", "/b"}));
}

TEST(SharedSubmapResolve, CopiesEditedApartAreRefusedNamingTheFirstEditedFileAndEveryCopyInBodyOrder) {
    const Package package;
    const JSONValue editedA = edited(package.body, "/a", R"({"note":"a"})");
    const SharedSubmapCopies afterA = package.resolve(editedA, package.copies)->copies;
    JSONValue both = package.body;
    for (const auto path : {"/a", "/a/i"}) both = edited(both, path, "{}");
    for (const auto path : {"/b", "/b/i"}) both = edited(both, path, "[1]");
    Package three({"a", "b", "c"});
    three.files["/c"] = "/map//Shared.canvas";  // the same file, as another card spells it
    const JSONValue threeA = edited(three.body, "/a", R"({"note":"a"})"), threeC = edited(threeA, "/c", R"({"note":"c"})");
    const SharedSubmapCopies threeAfterA = three.resolve(threeA, three.copies)->copies;
    const struct { const char* name; const Package& package; JSONValue body; const SharedSubmapCopies& copies; MapDocumentError error; } cases[] = {
        {"b edited from before a's save", package, edited(editedA, "/b", R"({"note":"b"})"), afterA, MapDocumentError::sharedSubmapDiverged("map/Shared.canvas", {"/a", "/b"})},
        {"ink on b only", package, edited(edited(package.body, "/a/i", noteCanvas("a")), "/b/i", R"({"nodes":{"n1":{"role":"ink"}}})", "sidecar"), package.copies,
         MapDocumentError::sharedSubmapDiverged("map/Shared/Inner.canvas", {"/a/i", "/b/i"})},
        {"inner first", package, only(both, {"/b/i", "/b", "/a/i", "/a"}), package.copies, MapDocumentError::sharedSubmapDiverged("map/Shared/Inner.canvas", {"/b/i", "/a/i"})},
        {"outer first", package, only(both, {"/b", "/b/i", "/a/i", "/a"}), package.copies, MapDocumentError::sharedSubmapDiverged("map/Shared.canvas", {"/b", "/a"})},
        {"b holds the file's content, c does not", three, only(edited(threeC, "/b", R"({"note":"a"})"), {"/b", "/c", "/a"}), threeAfterA,
         MapDocumentError::sharedSubmapDiverged("map/Shared.canvas", {"/b", "/c", "/a"})},
    };
    for (const auto& row : cases) EXPECT_EQ(row.package.resolve(row.body, row.copies).error(), row.error) << row.name;
    EXPECT_EQ(three.resolve(only(threeC, {"/b", "/c", "/a"}), threeAfterA).error().description(),
              "/map//Shared.canvas is linked from /b, /c, /a and holds different edits under each; not saved \u2014 reopen the document to see both");
}

// Properties of saving over generated packages: submaps several levels deep, shared submaps, ink
// cards and awkward labels, made the way velk makes them (saves through the document core).
const std::vector<std::string> labels{"Trip ideas!", "\xE6\x97\xA5\xE6\x9C\xAC", "\xC3\x9Cn\xC3\xAF" "c\xC3\xB6" "de", "", "   ", "a/b", "..",
                                      std::string(100, 'x'), "Trip ideas?", "TRIP IDEAS", "e\xCC\x81", "\n", "Plan (v2) & notes+", "-.-"};

// One map of a body: a canvas of text cards, some opening submaps, some ink; its submaps follow.
void addMap(std::mt19937& random, const std::string& path, int depth, std::vector<JSONValue>& maps) {
    std::vector<JSONValue> cards;
    std::vector<JSONMember> records;
    std::vector<std::string> submaps;
    for (int i = 0, count = 1 + int(random() % 5); i < count; ++i) {
        const std::string id = "c" + std::to_string(depth) + "_" + std::to_string(i) + "_" + std::to_string(random() % 1000);
        if (random() % 5 == 0) {
            const std::string seed = std::to_string(random() % 50);
            cards.push_back(parsed(R"({"id":")" + id + R"(","type":"file","x":0,"y":0,"width":1,"height":1})"));
            records.push_back({id, parsed(R"({"role":"ink","source":{"strokes":[{"points":[[)" + seed + R"(,3],[40,)" + seed + R"(]],"palette":"moss"}]}})")});
            continue;
        }
        cards.push_back(JSONValue::object({{"id", JSONValue::string(id)}, {"type", JSONValue::string("text")},
                                           {"text", JSONValue::string(labels[random() % labels.size()])}, {"x", JSONValue::number(std::int64_t(i * 10))}}));
        if (depth < 3 && random() % 2 == 0) submaps.push_back(id);
    }
    maps.push_back(JSONValue::object({{"path", JSONValue::string(path)},
                                      {"canvas", JSONValue::object({{"nodes", JSONValue::array(cards)}, {"edges", JSONValue::array({})}})},
                                      {"sidecar", JSONValue::object({{"nodes", JSONValue::object(records)}})}}));
    for (const std::string& id : submaps) addMap(random, MapTree::submapPath(path, id), depth + 1, maps);
}

// A package saved by velk from a generated body, with one submap then linked from a second card.
MapDocumentCore generatedPackage(unsigned seed) {
    std::mt19937 random(seed);
    MapDocumentCore core;
    EXPECT_TRUE(core.state());
    std::vector<JSONValue> maps;
    addMap(random, "/", 0, maps);
    EXPECT_TRUE(core.apply(JSONValue::object({{"maps", JSONValue::array(maps)}})));
    for (const auto& [mapPath, file] : core.files()) {
        if (MapTree::depth(mapPath) != 1) continue;
        DocumentTree tree = core.tree();
        const JSONValue root = parsed(*tree.data("map.canvas"));
        std::vector<JSONValue> cards = root["nodes"]->elements().elements();
        cards.push_back(parsed(R"({"id":"again","type":"file","file":")" + file + R"("})"));
        tree.write(OrderedJSON::write(root.setting("nodes", JSONValue::array(cards)), Pretty::yes), "map.canvas");
        core.replace(tree);
        break;
    }
    return core;
}

std::map<std::string, JSONValue> fingerprints(const DocumentTree& tree) {
    std::map<std::string, JSONValue> result;
    const auto maps = MapDocument::load(tree, MapDocument::rootCanvasName);
    for (const LoadedMap& map : *maps)
        result.emplace(map.path, MapDocument::fingerprint(map.canvas, map.sidecar));
    return result;
}
std::set<std::string> filePaths(const DocumentTree& tree) {
    std::set<std::string> paths;
    for (const std::string& path : testing_support::describe(tree))
        if (!path.ends_with('/')) paths.insert(path);
    return paths;
}
// The body of `state` with the nodes of the map at `index` changed by `change`.
JSONValue withCards(const JSONValue& state, std::size_t index, const std::function<JSONValue(JSONValue)>& change) {
    std::vector<JSONValue> maps = state["maps"]->elements().elements(), cards;
    const JSONValue canvas = *maps[index]["canvas"];
    for (const JSONValue card : canvas["nodes"]->elements()) cards.push_back(change(card));
    maps[index] = maps[index].setting("canvas", canvas.setting("nodes", JSONValue::array(cards)));
    return JSONValue::object({{"maps", JSONValue::array(maps)}});
}

TEST(MapSaveProperties, SavingWhatWasLoadedChangesNothingAndEditedMapsLoadBackAsSent) {
    int checked = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        MapDocumentCore core = generatedPackage(seed);
        const auto before = fingerprints(core.tree());
        JSONValue body = *core.state();  // loads the package, which makes the files known
        const auto files = core.files();
        const std::set<std::string> paths = filePaths(core.tree());
        ASSERT_TRUE(core.apply(body));
        EXPECT_EQ(core.files(), files);  // mints nothing
        EXPECT_EQ(filePaths(core.tree()), paths);
        EXPECT_EQ(fingerprints(core.tree()), before);
        std::mt19937 random(seed);
        // A shared submap is written from one of its copies; those have tests of their own.
        std::map<std::string, int> linksToFile;
        for (const auto& [mapPath, file] : files) ++linksToFile[file];
        // Edit the text of cards that open nothing, in maps that are not shared.
        std::vector<std::string> unshared;
        for (std::size_t i = 0; i < body["maps"]->elements().size(); ++i) {
            const std::string path(*body["maps"]->elements()[i]["path"]->stringValue());
            if (linksToFile[files.at(path)] > 1) continue;
            unshared.push_back(path);
            body = withCards(body, i, [&](JSONValue card) {
                const bool opensMap = files.contains(MapTree::submapPath(path, *card["id"]->stringValue()));
                return !opensMap && card["text"] && random() % 2 == 0 ? card.setting("text", JSONValue::string("edited " + path)) : card;
            });
        }
        ASSERT_TRUE(core.apply(body));
        std::map<std::string, JSONValue> sent;
        for (const JSONValue& map : body["maps"]->elements())
            sent.emplace(*map["path"]->stringValue(), MapDocument::fingerprint(*map["canvas"], *map["sidecar"]));
        const auto saved = fingerprints(core.tree());
        for (const std::string& path : unshared) {
            ++checked;
            ASSERT_TRUE(saved.contains(path)) << path;
            EXPECT_EQ(saved.at(path), sent.at(path)) << path;
        }
    }
    EXPECT_GT(checked, 100);
}

TEST(MapSaveProperties, ANewLabelMovesExactlyThatSubmap) {
    int renamed = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        MapDocumentCore core = generatedPackage(seed);
        // The last root card that opens a submap of its own (not the shared second link).
        std::optional<std::string> owner;
        const JSONValue root = *(*core.state())["maps"]->elements()[0]["canvas"];
        for (const JSONValue card : root["nodes"]->elements())
            if (const std::string id(*card["id"]->stringValue()); id != "again" && core.files().contains("/" + id)) owner = id;
        if (!owner) continue;
        const std::string oldFile = core.files().at("/" + *owner), label = "Renamed " + std::to_string(seed);
        std::set<std::string> expected = filePaths(core.tree());
        ASSERT_TRUE(core.apply(withCards(*core.state(), 0, [&](JSONValue card) {
            return card["id"]->stringValue() == *owner ? card.setting("type", JSONValue::string("text")).setting("text", JSONValue::string(label)) : card;
        })));
        ++renamed;
        const std::string newFile = core.files().at("/" + *owner);
        EXPECT_EQ(newFile, "map/" + label + ".canvas");
        // The canvas moves with its sidecar and its drawing.
        for (const auto& [from, to] : {std::pair{oldFile, newFile}, {oldFile + ".velk", newFile + ".velk"}, {MapTree::inkPath(oldFile), MapTree::inkPath(newFile)}})
            if (expected.erase(from)) expected.insert(to);
        EXPECT_EQ(filePaths(core.tree()), expected);
    }
    EXPECT_GT(renamed, 20);  // the generator makes submaps often enough for this to mean something
}

}  // namespace
}  // namespace velk
