#include "json/JSONTestHelpers.h"
#include "package/FileWrapperTree.h"
#include "package/MapDocument.h"
#include "package/MapSaveSteps.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using testing_support::compact;
using testing_support::parsed;

std::string text(const SharedBytes& bytes) { return bytes ? *bytes : "<absent>"; }

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

MapDocument::AppliedSave applied(const JSONValue& saveBody, DocumentTree tree = FileWrapperTree::emptyDocument(),
                                 MapDocument::KnownFiles files = {}) {
    return MapDocument::apply(saveBody, std::move(tree), std::move(files), MapDocument::rootCanvasName);
}

JSONValue canvasAt(const MapDocument::AppliedSave& save, std::string_view file) { return parsed(text(save.tree.data(file))); }

TEST(MapSaving, BodyWithoutMapsOnlyKnowsTheRoot) {
    const DocumentTree tree = FileWrapperTree::emptyDocument();
    const auto save = applied(parsed(R"({"other":1})"), tree, {{"/x", "map/X.canvas"}});
    EXPECT_EQ(save.tree, tree);
    EXPECT_EQ(save.files, (MapDocument::KnownFiles{{"/", "map.canvas"}, {"/x", "map/X.canvas"}}));
}

TEST(MapSaving, NewSubmapsAreNamedAfterTheirCardsParentsFirst) {
    const auto save = applied(body({
        {"/", R"({"nodes":[{"id":"abc","type":"text","text":"Trip ideas!","x":0},{"id":"d","type":"text","text":"Trip ideas?"},{"id":"e","type":"group","label":"G"}],"edges":[]})", "{}"},
        {"/abc", R"({"nodes":[{"id":"n","type":"text","text":"Day 1"}],"edges":[]})", ""},
        {"/d", R"({"nodes":[],"edges":[]})", ""},
        {"/abc/n", R"({"nodes":[],"edges":[]})", R"({"k":1})"},
    }));
    EXPECT_EQ(save.files, (MapDocument::KnownFiles{{"/", "map.canvas"},
                                                   {"/abc", "map/Trip ideas.canvas"},
                                                   {"/abc/n", "map/Trip ideas/Day 1.canvas"},
                                                   {"/d", "map/Trip ideas-2.canvas"}}));
    // Cards that open submaps become file cards keeping their text; the group opens none.
    EXPECT_EQ(compact(*canvasAt(save, "map.canvas")["nodes"]),
              R"([{"id":"abc","type":"file","text":"Trip ideas!","x":0,"file":"map/Trip ideas.canvas"},{"id":"d","type":"file","text":"Trip ideas?","file":"map/Trip ideas-2.canvas"},{"id":"e","type":"group","label":"G"}])");
    EXPECT_EQ(text(save.tree.data("map/Trip ideas/Day 1.canvas.velk")), "{\n\t\"k\": 1\n}\n");
    EXPECT_EQ(text(save.tree.data("map.canvas.velk")), "{}\n");
    EXPECT_EQ(text(save.tree.data("map/Trip ideas.canvas.velk")), "<absent>");  // no sidecar in the body
}

TEST(MapSaving, MintingNeverTakesAPathThePackageAlreadyUses) {
    DocumentTree tree = FileWrapperTree::emptyDocument();
    tree.write("{\"an\":\"orphan\"}", "map/trip.canvas");  // a deleted card's canvas, in another case
    const auto save = applied(body({{"/", R"({"nodes":[{"id":"a","type":"text","text":"Trip"}]})", ""},
                                    {"/a", R"({"nodes":[]})", ""}}),
                              tree);
    EXPECT_EQ(save.files.at("/a"), "map/Trip-2.canvas");
    EXPECT_EQ(text(save.tree.data("map/trip.canvas")), "{\"an\":\"orphan\"}");
}

TEST(MapSaving, ChangedLabelsMoveSubmapFilesWithTheirSidecars) {
    DocumentTree tree = FileWrapperTree::emptyDocument();
    tree.write("{}", "map/Trip ideas.canvas");
    tree.write("{}", "map/Trip ideas.canvas.velk");
    tree.write("{}", "map/Notes-2.canvas");
    tree.write("<svg/>", "map/Trip ideas.ink.svg");
    const MapDocument::KnownFiles known{{"/", "map.canvas"}, {"/a", "map/Trip ideas.canvas"}, {"/b", "map/Notes-2.canvas"}};
    auto bodyWith = [](std::string_view aText) {
        return body({{"/", R"({"nodes":[{"id":"a","type":"text","text":")" + std::string(aText) + R"("},{"id":"b","type":"text","text":"notes"}]})", ""},
                     {"/a", R"({"nodes":[]})", ""},
                     {"/b", R"({"nodes":[]})", ""}});
    };

    const auto renamed = applied(bodyWith("Holiday"), tree, known);
    EXPECT_EQ(renamed.files.at("/a"), "map/Holiday.canvas");
    EXPECT_EQ(renamed.files.at("/b"), "map/Notes-2.canvas");  // "-2" still names "notes"
    EXPECT_FALSE(renamed.tree.at("map/Trip ideas.canvas"));
    EXPECT_TRUE(renamed.tree.at("map/Holiday.canvas.velk"));
    EXPECT_TRUE(renamed.tree.at("map/Holiday.ink.svg"));  // the drawing moves along
    EXPECT_EQ(compact(*canvasAt(renamed, "map.canvas")["nodes"]->elements()[0]["file"]), "\"map/Holiday.canvas\"");

    const auto sameName = applied(bodyWith("trip IDEAS"), tree, known);
    EXPECT_EQ(sameName.files.at("/a"), "map/Trip ideas.canvas");
    EXPECT_TRUE(sameName.tree.at("map/Trip ideas.canvas"));
}

TEST(MapSaving, LinkedFileCardsAreWrittenUnchanged) {
    const std::string root = R"({"nodes":[{"x":1,"file":"map/A.canvas","id":"a","type":"file","text":"kept"}],"edges":[]})";
    const auto save = applied(body({{"/", root, ""}, {"/a", R"({"nodes":[]})", ""}}), FileWrapperTree::emptyDocument(),
                              {{"/a", "map/A.canvas"}});
    EXPECT_EQ(canvasAt(save, "map.canvas"), parsed(root));
    EXPECT_EQ(compact(canvasAt(save, "map.canvas")), root);  // member order too
}

TEST(MapSaving, InkCardsAreNamedSizedAndRendered) {
    const std::string sidecar = R"({"nodes":{
        "ink1":{"role":"ink","source":{"strokes":[{"points":[[10,20],[30,40]],"palette":"rose"}]}},
        "ink2":{"role":"ink","source":{}},
        "huge":{"role":"ink","source":{"strokes":[{"points":[[1e300,-1e300],[1e400,0]]}]}}}})";
    const auto save = applied(body({{"/", R"({"nodes":[
        {"id":"ink1","type":"file","x":0,"y":0,"width":10.0,"height":10},
        {"id":"ink2","type":"file"},
        {"id":"huge","type":"file","file":"big.ink.svg"},
        {"id":"plain","type":"file","file":"notes.md"}]})", sidecar}}));
    const JSONArray cards = canvasAt(save, "map.canvas")["nodes"]->elements();
    EXPECT_EQ(compact(cards[0]), R"({"id":"ink1","type":"file","x":2,"y":12,"width":36,"height":36,"file":"map.ink.svg"})");
    EXPECT_EQ(compact(cards[1]), R"({"id":"ink2","type":"file","file":"map.ink.svg"})");  // named, no drawing to size
    EXPECT_EQ(compact(cards[3]), R"({"id":"plain","type":"file","file":"notes.md"})");
    EXPECT_EQ(text(save.tree.data("map.ink.svg")),
              "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"2 12 36 36\" width=\"36\" height=\"36\">\n"
              "\t<path d=\"M10 20 L30 40\" fill=\"none\" stroke=\"#b91c1c\" stroke-width=\"4\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>\n"
              "</svg>\n");
    // Coordinates beyond 64 bits are clamped and the save goes on.
    EXPECT_EQ(cards[2]["x"]->numberText(), "9223372036854775807");
    EXPECT_TRUE(save.tree.at("big.ink.svg"));
}

TEST(MapSaving, WithoutASidecarInkCardsAreLeftAlone) {
    const std::string root = R"({"nodes":[{"id":"ink1","type":"file"}]})";
    const auto save = applied(body({{"/", root, ""}}));
    EXPECT_EQ(canvasAt(save, "map.canvas"), parsed(root));
    EXPECT_FALSE(save.tree.at("map.canvas.velk"));
    EXPECT_FALSE(save.tree.at("map.ink.svg"));
}

TEST(MapSaving, MapsLeftOutOfTheBodyKeepTheirFiles) {
    DocumentTree tree = FileWrapperTree::emptyDocument();
    tree.write("{}", "map/Gone.canvas");
    tree.write("img", "velk-media/0123456789abcdef.png");
    const auto save = applied(body({{"/", R"({"nodes":[]})", ""}}), tree, {{"/g", "map/Gone.canvas"}});
    EXPECT_TRUE(save.tree.at("map/Gone.canvas"));
    EXPECT_TRUE(save.tree.at("velk-media/0123456789abcdef.png"));
}

TEST(MapSaving, SavingALoadedPackageAgainChangesNoMeaningAndMintsNothing) {
    DocumentTree tree;
    tree.write(R"({"nodes":[{"id":"a","type":"file","file":"map/A.canvas"},{"id":"b","type":"text","text":"x"}],"edges":[]})", "map.canvas");
    tree.write(R"({"nodes":[{"id":"c","type":"file","file":"map/A/C.canvas","x":1.50}]})", "map/A.canvas");
    tree.write(R"({"nodes":[]})", "map/A/C.canvas");
    tree.write(R"({"view":{"grid":true}})", "map/A.canvas.velk");
    const auto loaded = MapDocument::load(tree, MapDocument::rootCanvasName);
    ASSERT_TRUE(loaded);
    MapDocument::KnownFiles files;
    for (const auto& map : *loaded) files[map.path] = map.file;

    const auto save = applied(MapDocument::state(*loaded), tree, files);
    EXPECT_EQ(save.files, files);
    const auto reloaded = MapDocument::load(save.tree, MapDocument::rootCanvasName);
    ASSERT_TRUE(reloaded);
    ASSERT_EQ(reloaded->size(), loaded->size());
    for (std::size_t i = 0; i < loaded->size(); ++i) {
        SCOPED_TRACE((*loaded)[i].path);
        EXPECT_EQ((*reloaded)[i], (*loaded)[i]);
    }
}

TEST(MapSaveSteps, StemsLabelsAndWantedNames) {
    EXPECT_EQ(MapDocument::stem("map/Trip.CANVAS"), "Trip");
    EXPECT_EQ(MapDocument::stem("a/b/"), "b");
    EXPECT_TRUE(MapDocument::namesStem("Trip", "trip-12"));
    EXPECT_FALSE(MapDocument::namesStem("Trip", "trip-"));
    EXPECT_FALSE(MapDocument::namesStem("Trip", "trip-2a"));
    EXPECT_EQ(MapDocument::ownerLabel(parsed(R"({"id":"t","text":""})")), std::nullopt);
    EXPECT_EQ(MapDocument::ownerLabel(parsed(R"({"id":"t2","text":"Line\nbreak"})")), "Line\nbreak");
    EXPECT_EQ(MapDocument::ownerLabel(parsed(R"({"id":"f","file":"x/Y.canvas"})")), "Y");
    EXPECT_EQ(MapDocument::renameWanted(parsed(R"({"type":"link","url":"https://a.example/b"})"), "map/Old.canvas", "n"), "https-a-example-b");
    EXPECT_EQ(MapDocument::renameWanted(parsed(R"({"type":"text","text":" \n "})"), "map/Old.canvas", "n"), std::nullopt);
    EXPECT_EQ(MapDocument::renameWanted(parsed(R"({"type":"file","file":"notes.md"})"), "map/Old.canvas", "n"), std::nullopt);
}

}  // namespace
}  // namespace velk
