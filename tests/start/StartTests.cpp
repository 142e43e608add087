// The start window's models, the template catalogue with the templates velk ships, and how a
// template's picture is framed and where it is kept.

#include "json/OrderedJSON.h"
#include "package/MapDocument.h"
#include "package/MapTree.h"
#include "package/MemoryFileSystem.h"
#include "platform/PosixFileSystem.h"
#include "start/NewMapLocation.h"
#include "start/RecentMaps.h"
#include "start/StartGrid.h"
#include "start/StartModel.h"
#include "start/TemplatePreviewLayout.h"
#include "start/Templates.h"

#include <gtest/gtest.h>

#include <set>

namespace velk {
namespace {

using namespace std::chrono_literals;
using StartGrid::Move;

const TimePoint now = TimePoint(std::chrono::sys_days(std::chrono::year(2024) / 5 / 6)) + 12h;

RecentMap recent(const std::string& name) { return {"/maps/" + name + ".velk", name, "/maps", std::nullopt}; }

// A disk that knows which packages exist and records every question.
struct Probes {
    std::set<std::string> existing;
    std::vector<std::string> existsAsked, modifiedAsked;
    std::vector<RecentMap> rows(const std::vector<std::string>& paths) {
        return RecentMaps::rows(
            paths, "/home/ann",
            [this](std::string_view path) {
                return existsAsked.emplace_back(path), existing.contains(std::string(path));
            },
            [this](std::string_view path) -> std::optional<TimePoint> {
                modifiedAsked.emplace_back(path);
                return path.find("undated") == std::string_view::npos ? std::optional(now) : std::nullopt;
            });
    }
};

TEST(RecentMaps, RowsNameTheMapAbbreviateHomeOnePerPackageNoneForVanishedOnesAndAtMostTen) {
    Probes disk;
    std::vector<std::string> paths{"/home/ann/Documents/velk/Trip.velk",
                                   "/home/ann/Plan.velk",
                                   "/home/anna/Other.velk",
                                   "/srv/maps/undated.v2.velk",
                                   "/Root.velk",
                                   "/a/b/../b/Map.velk",
                                   "/a/./b//Map.velk/",
                                   "/x\xFF/M\xFFp.velk"};
    disk.existing = {paths.begin(), paths.end()};
    EXPECT_EQ(
        disk.rows(paths),
        (std::vector<RecentMap>{{paths[0], "Trip", "~/Documents/velk", now},
                                {paths[1], "Plan", "~", now},
                                {paths[2], "Other", "/home/anna", now},  // the prefix test includes the slash
                                {paths[3], "undated.v2", "/srv/maps", std::nullopt},
                                {paths[4], "Root", "/", now},
                                {paths[5], "Map", "/a/b/../b", now},
                                {paths[7], "M\uFFFDp", "/x\uFFFD", now}}));  // folder names that are no UTF-8
    EXPECT_EQ(disk.existsAsked.size(), 7u) << "a second spelling of a package is not asked about";
    for (const auto& [path, key] : {std::pair{"/../x", "/x"}, {"/", "/"}, {"a/../../b", "../b"}, {"", "."}})
        EXPECT_EQ(RecentMaps::standardized(path), key) << path;

    Probes ten;
    paths = {"/gone.velk", "/gone/../gone.velk"};
    for (int i = 1; i <= 12; ++i)
        ten.existing.insert(paths.emplace_back("/maps/M" + std::to_string(i) + ".velk"));
    EXPECT_EQ(ten.rows(paths).back().name, "M10");
    // The vanished package is asked about once, and the eleventh and twelfth maps never.
    EXPECT_EQ(std::pair(ten.existsAsked.size(), ten.modifiedAsked.size()), std::pair(11uz, 10uz));
}

TEST(NewMapLocation, NextTriesNumberedNamesUntilOneIsFree) {
    const std::tuple<std::string, std::string, std::set<std::string>, std::string> cases[] = {
        {"Plan", "/maps", {}, "/maps/Plan.velk"},
        {"Plan", "/maps/", {"/maps/Plan.velk", "/maps/Plan 2.velk"}, "/maps/Plan 3.velk"},
        {"Plan", "/maps", {"/maps/Plan.velk", "/maps/Plan 3.velk"}, "/maps/Plan 2.velk"},
        {"10:30 standup/notes", "/maps", {}, "/maps/10-30 standup-notes.velk"},
        {" Spaced ", "/maps", {}, "/maps/ Spaced .velk"},           // nothing is trimmed
        {"Plan", "/maps", {"/maps/plan.velk"}, "/maps/Plan.velk"},  // the probe decides about letter case
        // Names are cut to 255 bytes between characters, the number and extension kept.
        {std::string(248, 'x') + "\u6f22", "/m", {}, "/m/" + std::string(248, 'x') + ".velk"},
        {std::string(246, 'x') + "\u6f22", "/m", {"/m/" + std::string(246, 'x') + "\u6f22.velk"}, "/m/" + std::string(246, 'x') + " 2.velk"},
    };
    for (const auto& [name, folder, existing, expected] : cases) {
        std::string last;
        EXPECT_EQ(
            NewMapLocation::next(name, folder,
                                 [&](std::string_view path) { return last = path, existing.contains(last); }),
            expected)
            << name;
        EXPECT_EQ(last, expected) << name;
    }
}

TEST(StartGrid, CardsColumnsNamesMovesThatStopAtTheEdgesAndTheEditedLabel) {
    const auto cards =
        StartGrid::cards({recent("A"), {"/maps/x/../B.velk", "B", "/maps/x/..", std::nullopt}});
    ASSERT_EQ(cards.size(), 3u);
    EXPECT_EQ(cards[0].id(), "new");
    EXPECT_EQ(cards[1], StartCard::recent(recent("A")));
    EXPECT_EQ(cards[2].id(), "/maps/B.velk");
    const std::pair<double, int> widths[] = {{820 - 48, 3}, {896 - 48, 4}, {-300, 1},
                                             {415, 1},      {416, 2},      {1e300, 1000000}};
    for (const auto& [width, columns] : widths) EXPECT_EQ(StartGrid::columns(width), columns) << width;
    EXPECT_EQ(StartGrid::columns(100, 0, 0), 1000000);
    for (const auto& [path, name] : {std::pair{"/maps/Trip.velk/", "Trip"},
                                     {"/maps/v1.2 plan.velk", "v1.2 plan"},
                                     {"/maps/.velk", ".velk"}})
        EXPECT_EQ(StartGrid::displayName(path), name) << path;
    const std::vector<std::string> list{"/a/M.velk", "/b/N.velk", "/a/x/../M.velk", "/a/M.velk/",
                                        "/a/MM.velk"};
    EXPECT_EQ(StartGrid::recents(list, "/a/./M.velk"), (std::vector<std::string>{"/b/N.velk", "/a/MM.velk"}));
    EXPECT_EQ(StartGrid::recents(list, "/c/M.velk"), list);

    const std::tuple<Move, int, int, int, int> moves[] = {
        {Move::right, 0, 1, 4, 0},  {Move::up, 2, 5, 3, 2},   {Move::down, 2, 5, 3, 2},
        {Move::down, 1, 5, 3, 4},   {Move::left, 9, 3, 2, 1}, {Move::left, 0, 5, 3, 0},
        {Move::right, 4, 5, 3, 4},  {Move::up, 4, 5, 3, 1},   {Move::down, 0, 5, 0, 1},
        {Move::right, -4, 5, 3, 1}, {Move::down, 0, 7, 3, 3}};
    for (const auto& [direction, from, count, columns, expected] : moves)
        EXPECT_EQ(StartGrid::move(direction, from, count, columns), expected)
            << int(direction) << " from " << from << " of " << count << " in " << columns;
    // The edited label speaks in the largest fitting unit.
    const std::tuple<std::chrono::seconds, std::string, std::string> cases[] = {
        {-3600s, "en_US", "Edited in 0 seconds"},    {45s, "en_US", "Edited 45 seconds ago"},
        {60s, "en_US", "Edited 1 minute ago"},  // the future counts as now
        {2h + 59min, "en_US", "Edited 2 hours ago"}, {24h * 13, "en_US", "Edited 1 week ago"},
        {24h * 45, "en_US", "Edited 1 month ago"},   {24h * 800, "en_US", "Edited 2 years ago"},
        {24h * 3, "fr", "Edited il y a 3 jours"},
    };
    for (const auto& [ago, locale, label] : cases)
        EXPECT_EQ(StartGrid::editedLabel(now - ago, now, locale), label) << label;
    EXPECT_EQ(StartGrid::editedLabel(std::nullopt, now, "en_US"), std::nullopt);
}

TEST(StartModel, ActivatingOpensTheSheetOrNamesTheMapAndReloadKeepsTheFocusWhereACardStillIs) {
    std::vector<RecentMap> rows{recent("A"), recent("B"), recent("C"), recent("D"), recent("E")};
    StartModel model([&] { return rows; });
    int changes = 0;
    model.onChange([&] { ++changes; });
    model.reload();
    EXPECT_EQ(model.activate(1), "/maps/A.velk");
    EXPECT_EQ(model.activate(0), std::nullopt);
    EXPECT_TRUE(model.showingNew());
    model.setShowingNew(false);
    EXPECT_EQ(model.activate(9), std::nullopt);
    EXPECT_FALSE(model.showingNew() || model.keyboardNavigating());
    model.focusOn(1);  // Tab onto a card
    EXPECT_TRUE(model.keyboardNavigating());
    changes = 0;
    for (int i = 0; i < 4; ++i) model.move(Move::right, 4);
    EXPECT_EQ(model.focus(), 5);
    rows = {recent("C")};  // four of five maps vanished
    model.reload();
    EXPECT_EQ(model.focus(), 1);
    EXPECT_TRUE(model.keyboardNavigating());  // nothing turns it off again
    model.focusOn(1);
    model.focusOn(9);
    EXPECT_EQ(model.focus(), 1);
    EXPECT_EQ(changes, 5) << "what changes nothing announces nothing";
}

const std::string folder = "/app/Templates";

struct TemplatesTest : testing::Test {
    void manifest(const std::string& text) { disk.addFile(folder + "/manifest.json", text); }
    testing_support::MemoryFileSystem disk;
};

// Every file of a tree as "path=bytes" and every folder as "path/".
std::set<std::string> describe(const DocumentTree& tree, const std::string& prefix = "") {
    std::set<std::string> lines;
    for (const auto& [name, child] : tree.children())
        if (!child.isDirectory()) lines.insert(prefix + name + "=" + *child.bytes());
        else lines.merge(describe(child, *lines.insert(prefix + name + "/").first));
    return lines;
}

TEST_F(TemplatesTest, ListKeepsManifestOrderIgnoresOtherMembersAndFailsAsAWhole) {
    manifest(R"([{"id":"wardley","title":"Wardley map","blurb":"Value chain","icon":"x"},)"
             R"({"blurb":"Blank","title":"Blank map","id":"scratch"}])");
    EXPECT_EQ(Templates::list(folder, disk).value(),
              (std::vector<MapTemplate>{{"wardley", "Wardley map", "Value chain"},
                                        {"scratch", "Blank map", "Blank"}}));
    const std::pair<std::string, std::string> cases[] = {
        {R"([{"id":"a","title":"A","blurb":"x"},{"id":"b","title":"B"}])",
         "template 2 in manifest.json has no text \"blurb\""},
        {R"([{"id":"a","title":7,"blurb":"x"}])", "template 1 in manifest.json has no text \"title\""},
        {R"(["scratch"])", "template 1 in manifest.json has no text \"id\""},
        {R"({"id":"a","title":"A","blurb":"x"})", "manifest.json is not a JSON array"},
        {"[{", "manifest.json: unexpectedEnd"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ((manifest(text), Templates::list(folder, disk).error()),
                  TemplateError::badManifest(message))
            << text;
    manifest("[]");
    EXPECT_EQ(Templates::list(folder, disk).value(), std::vector<MapTemplate>{});
    EXPECT_EQ(Templates::list("/elsewhere", disk).error(), TemplateError::missingManifest());
    EXPECT_EQ(Templates::tree("scratch", "/elsewhere", disk).error(), TemplateError::missingManifest());
}

TEST_F(TemplatesTest,
       TreeCopiesAListedTemplatesFolderWithoutHiddenEntriesOrLinksOrRefusesItAndNeverRecurses) {
    manifest(R"([{"id":"plan","title":"Plan","blurb":"b"},{"id":"gone","title":"Gone","blurb":"b"},)"
             R"({"id":"hollow","title":"Hollow","blurb":"b"}])");
    for (const auto& [path, bytes] : std::initializer_list<std::pair<std::string, std::string>>{
             {"map.canvas", "{}"},
             {"map.canvas.velk", "{\"nodes\":{}}"},
             {"map/Goals.canvas", "{\"nodes\":[]}"},
             {"velk-media/0123456789abcdef.png", "PNG"},
             {"velk-media/.DS_Store", "junk"},
             {".hidden/map.canvas", "{}"},
             {".keep", ""}})
        disk.addFile(folder + "/plan/" + path, bytes);
    disk.addDirectory(folder + "/plan/empty");
    disk.addSpecial(folder + "/plan/link.canvas", EntryKind::symbolicLink);
    disk.addSpecial(folder + "/plan/map/pipe", EntryKind::other);
    EXPECT_EQ(describe(Templates::tree("plan", folder, disk).value()),
              (std::set<std::string>{"empty/", "map.canvas.velk={\"nodes\":{}}", "map.canvas={}", "map/",
                                     "map/Goals.canvas={\"nodes\":[]}", "velk-media/",
                                     "velk-media/0123456789abcdef.png=PNG"}));

    disk.addFile(folder + "/secret/map.canvas", "{}");  // on disk, not in the manifest
    disk.addFile(folder + "/hollow/map.canvas/inside", "{}");
    for (const std::string id : {"Plan", "secret", ""})
        EXPECT_EQ(Templates::tree(id, folder, disk).error(), TemplateError::unknownTemplate(id)) << id;
    for (const std::string id : {"gone", "hollow"})
        EXPECT_EQ(Templates::tree(id, folder, disk).error(), TemplateError::emptyTemplate(id)) << id;
    // Reading a missing or deep folder neither fails nor recurses.
    EXPECT_EQ(Templates::read("/nowhere", disk), DocumentTree());
    std::string path = "/deep", inside;
    for (int i = 0; i < 2000; ++i) path += "/d", inside += "d/";
    disk.addFile(path + "/f", "bottom");
    EXPECT_EQ(*Templates::read("/deep", disk).data(inside + "f"), "bottom");
    EXPECT_EQ(Templates::newMapName({"scratch", "Blank map", "b"}), "Untitled map");
    EXPECT_EQ(Templates::newMapName({"Scratch", "Launch plan", "b"}), "Launch plan");
}

std::optional<std::string_view> text(const JSONValue& value, std::string_view key) {
    const auto member = value[key];
    return member ? member->stringValue() : std::nullopt;
}

TEST(ShippedTemplates, TheBlankMapComesFirstAndEachLoadsAndReachesEveryWholeCanvas) {
    PosixFileSystem disk;
    const auto templates = Templates::list(VELK_TEMPLATES_DIR, disk);
    ASSERT_TRUE(templates.has_value()) << templates.error().description();
    ASSERT_GE(templates->size(), 4u);
    EXPECT_EQ(templates->front().id, "scratch");
    for (const MapTemplate& entry : *templates) {
        SCOPED_TRACE(entry.id);
        const auto tree = Templates::tree(entry.id, VELK_TEMPLATES_DIR, disk);
        ASSERT_TRUE(tree.has_value()) << tree.error().description();
        const auto maps = MapDocument::load(*tree, MapDocument::rootCanvasName);
        ASSERT_TRUE(maps.has_value()) << maps.error().description();
        std::set<std::string> reached, canvases;
        for (const LoadedMap& map : *maps) reached.insert(map.file);
        for (const auto& line : describe(*tree))
            if (const auto name = line.substr(0, line.find('=')); MapTree::isSubmapFile(name))
                canvases.insert(name);
        EXPECT_EQ(reached, canvases) << "a canvas no card opens, or one loaded twice";
        EXPECT_GE(maps->size(), entry.id == "scratch" ? 1u : 4u)
            << "a template shows the way with a few submaps";

        for (const LoadedMap& map : *maps) {
            // Pretty, as velk itself writes canvases, so the first save changes nothing needlessly.
            EXPECT_EQ(*tree->data(map.file), OrderedJSON::write(map.canvas, Pretty::yes)) << map.file;
            std::set<std::string> ids;
            for (const JSONValue card : map.canvas["nodes"]->elements())
                ids.insert(std::string(text(card, "id").value_or("")));
            for (const JSONValue link : map.canvas["edges"]->elements())
                for (std::string_view end : {"fromNode", "toNode"})
                    EXPECT_TRUE(ids.contains(std::string(text(link, end).value_or(""))))
                        << OrderedJSON::write(link, Pretty::no);
        }
    }
}

namespace Layout = TemplatePreviewLayout;

constexpr std::string_view index = "velk-app://editor/index.html";

DocumentTree package(std::string canvas, std::string ink = "", std::string sidecar = "") {
    DocumentTree tree = DocumentTree::directory({});
    tree.write(std::move(canvas), "map.canvas");
    if (!ink.empty()) tree.write(std::move(ink), "map.ink.svg");
    if (!sidecar.empty()) tree.write(std::move(sidecar), "map.canvas.velk");
    return tree;
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
        {"1000 x 500 map", package(R"({"nodes":[{"id":"n","type":"text","x":0,"y":0,"width":1000,"height":500}]})"), "#/?z=1.000&x=80&y=113", 1160, 725},
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
}

}  // namespace
}  // namespace velk
