#include "core/TextCase.h"
#include "package/MapTree.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>

namespace velk {
namespace {

using MapTree::LinkBase;
using MapTree::ParentPath;

TEST(MapTreeLayout, FilesBelongingToACanvas) {
    struct Case {
        std::string_view canvas, sidecar, ink, submaps;
        bool isSubmapFile;
    };
    const Case cases[] = {
        {"map.canvas", "map.canvas.velk", "map.ink.svg", "map", true},
        {"map/Ideas.canvas", "map/Ideas.canvas.velk", "map/Ideas.ink.svg", "map/Ideas", true},
        {"map/Plan.CANVAS", "map/Plan.CANVAS.velk", "map/Plan.ink.svg", "map/Plan", true},
        {"x.json", "x.json.velk", "x.json.ink.svg", "x.json", false},
        {"\xE6\x97\xA5.canvas", "\xE6\x97\xA5.canvas.velk", "\xE6\x97\xA5.ink.svg", "\xE6\x97\xA5", true},
        {"x.canvas\xCC\x81", "x.canvas\xCC\x81.velk", "x.canvas\xCC\x81.ink.svg", "x.canvas\xCC\x81", false},
        {"map.canvas/", "map.canvas/.velk", "map.canvas/.ink.svg", "map.canvas/", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.canvas);
        EXPECT_EQ(MapTree::sidecarPath(c.canvas), c.sidecar);
        EXPECT_EQ(MapTree::inkPath(c.canvas), c.ink);
        EXPECT_EQ(MapTree::submapDirectory(c.canvas), c.submaps);
        EXPECT_EQ(MapTree::isSubmapFile(c.canvas), c.isSubmapFile);
    }
}

TEST(MapTreeMapPaths, SubmapParentAndDepth) {
    struct Case {
        std::string_view parent, nodeID, path;
        std::size_t depth;
    };
    const Case cases[] = {
        {"/", "a", "/a", 1},
        {"", "a", "/a", 1},
        {"/a", "b", "/a/b", 2},
        {"/a/b", "c7", "/a/b/c7", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(MapTree::submapPath(c.parent, c.nodeID), c.path);
        EXPECT_EQ(MapTree::depth(c.path), c.depth);
        const std::string parent = c.parent.empty() ? "/" : std::string(c.parent);
        EXPECT_EQ(MapTree::parentPath(c.path), (ParentPath{parent, std::string(c.nodeID)}));
    }
    for (std::string_view notSubmap : {"/", "", "/a/", "a", "/a/b/"}) {
        SCOPED_TRACE(notSubmap);
        EXPECT_EQ(MapTree::parentPath(notSubmap), std::nullopt);
    }
    EXPECT_EQ(MapTree::depth("/"), 0u);
    EXPECT_EQ(MapTree::depth(""), 0u);
    EXPECT_EQ(MapTree::join("", "x.canvas"), "x.canvas");
    EXPECT_EQ(MapTree::join("map/a", "x.canvas"), "map/a/x.canvas");
}

TEST(MapTreeSafeFileName, LabelsBecomeSafeStems) {
    const std::string letters100(100, 'a');
    const std::string spaceAt64 = std::string(63, 'a') + " " + std::string(10, 'b');
    const std::string accentAt64 = std::string(63, 'a') + "\xC3\xA9" + std::string(10, 'b');
    const std::string letters65 = std::string(65, 'c');
    const std::string dashesFirst = "--- " + std::string(70, 'd');
    struct Case {
        std::string_view label, fallback, stem;
    };
    const Case cases[] = {
        {"Trip to Rome", "n1", "Trip to Rome"},
        {"(A&B)+C_d-9", "n1", "(A&B)+C_d-9"},
        {"  Two  spaces  ", "n1", "Two  spaces"},
        {"a/b:c?d*e.f", "n1", "a-b-c-d-e-f"},
        {"a -- b", "n1", "a - b"},
        {"-. Name .-", "n1", "Name"},
        {"x.canvas", "n1", "x-canvas"},
        {"\xE6\x97\xA5\xE6\x9C\xAC", "n1", "n1"},                      // nothing but non-ASCII
        {"\xE6\x97\xA5\xE6\x9C\xAC", "\xE6\x97\xA5", "map"},
        {"", "", "map"},
        {"...", "node/7", "node-7"},
        {"Cafe\xCC\x81", "n1", "Caf"},                                 // e + accent is one character
        {"Step 1\xEF\xB8\x8F\xE2\x83\xA3", "n1", "Step"},             // keycap one, digit included
        {"\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD ok", "n1", "ok"},          // emoji with skin tone
        {"Line\r\nTwo", "n1", "Line-Two"},
        {"tab\tbell\x07", "n1", "tab-bell"},
        {"\xFF", "n1", "n1"},
        {letters100, "n1", std::string_view(letters100).substr(0, 64)},
        {spaceAt64, "n1", std::string_view(spaceAt64).substr(0, 63)},
        {accentAt64, "n1", std::string_view(accentAt64).substr(0, 63)},
        {letters65, "n1", std::string_view(letters65).substr(0, 64)},
        {dashesFirst, "n1", std::string_view(dashesFirst).substr(4, 64)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.label)));
        EXPECT_EQ(MapTree::safeFileName(c.label, c.fallback), c.stem);
    }
}

TEST(MapTreeMint, CollisionsIgnoreLetterCase) {
    struct Case {
        std::string_view parent, label, nodeID;
        std::set<std::string> taken;
        std::string_view minted;
    };
    const Case cases[] = {
        {"map.canvas", "Ideas", "n1", {}, "map/Ideas.canvas"},
        {"map.canvas", "Ideas", "n1", {"map/ideas.canvas"}, "map/Ideas-2.canvas"},
        {"map.canvas", "IDEAS", "n1", {"map/ideas.canvas", "map/ideas-2.canvas"}, "map/IDEAS-3.canvas"},
        {"map.canvas", "Ideas", "n1", {"map/ideas-2.canvas"}, "map/Ideas.canvas"},
        {"map.canvas", "Ideas", "n1", {"ideas.canvas", "map/ideas.canvas.velk"}, "map/Ideas.canvas"},
        {"Map/Sub.CANVAS", "X", "n1", {"map/sub/x.canvas"}, "Map/Sub/X-2.canvas"},
        {"\xC3\x84rger.canvas", "a", "n1", {"\xC3\xA4rger/a.canvas"}, "\xC3\x84rger/a-2.canvas"},
        {"map.canvas", "\xE6\x97\xA5", "node 9", {}, "map/node 9.canvas"},
        {"notes.json", "x", "n1", {}, "notes.json/x.canvas"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.minted);
        std::set<std::string> taken = c.taken;
        EXPECT_EQ(MapTree::mintSubmapFile(c.parent, c.label, c.nodeID, taken), c.minted);
        std::set<std::string> expected = c.taken;
        expected.insert(TextCase::lowercased(c.minted));
        EXPECT_EQ(taken, expected);
    }
}

TEST(MapTreeMint, MintingAgainCountsUp) {
    std::set<std::string> taken;
    const std::string_view expected[] = {"map/Plan.canvas", "map/Plan-2.canvas", "map/Plan-3.canvas"};
    for (std::string_view minted : expected) {
        EXPECT_EQ(MapTree::mintSubmapFile("map.canvas", "Plan", "n1", taken), minted);
    }
    EXPECT_EQ(MapTree::mintSubmapFile("map.canvas", "plan-2", "n1", taken), "map/plan-2-2.canvas");
    EXPECT_EQ(taken.size(), 4u);
}

TEST(MapTreeNormalizedJoin, DotsAndEmptySegments) {
    struct Case {
        std::string_view base, relative, joined;
    };
    const Case cases[] = {
        {"/a/b", "../../../c", "/c"},
        {"a", "../../c", "../c"},
        {"a", "..", "."},
        {"/", "..", "/"},
        {"", "", "."},
        {"/a/./b//", "c/.", "/a/b/c"},
        {"a/b", "/c", "a/b/c"},
        {"../x", "../y", "../y"},
        {"..", "..", "../.."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.base) + " + " + std::string(c.relative));
        EXPECT_EQ(MapTree::normalizedJoin(c.base, c.relative), c.joined);
    }
}

// A file system made of a set of paths, and what was asked of it.
MapTree::PathProbe probeOf(std::set<std::string> paths) {
    return [paths = std::move(paths)](std::string_view path) { return paths.contains(std::string(path)); };
}

TEST(MapTreeLinks, VaultIsTheNearestMarkedAncestor) {
    struct Case {
        std::string_view directory;
        std::set<std::string> directories;
        std::optional<std::string> vault;
    };
    const Case cases[] = {
        {"/home/u/vault/maps/sub", {"/home/u/vault/.obsidian"}, "/home/u/vault"},
        {"/home/u/vault/maps/", {"/home/u/vault/.obsidian"}, "/home/u/vault"},
        {"/home/u/vault", {"/home/u/vault/.obsidian"}, "/home/u/vault"},
        {"/home/u/other", {"/home/u/vault/.obsidian"}, std::nullopt},
        {"/v/w/x", {"/v/.obsidian", "/v/w/.obsidian"}, "/v/w"},
        {"/a/b", {"/.obsidian"}, "/"},
        {"maps/sub", {".obsidian"}, "."},
        {"../maps", {"../.obsidian"}, ".."},
        {"maps", {}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.directory);
        EXPECT_EQ(MapTree::findVaultRoot(c.directory, probeOf(c.directories)), c.vault);
    }
    const auto isDirectory = probeOf({"/v/.obsidian"});
    EXPECT_EQ(MapTree::linkBase("/v/maps/Trip.velk", isDirectory), (LinkBase{"/v/maps", "/v"}));
    EXPECT_EQ(MapTree::linkBase("/v/maps/Trip.velk/", isDirectory), (LinkBase{"/v/maps", "/v"}));
    EXPECT_EQ(MapTree::linkBase("/Trip.velk", isDirectory), (LinkBase{"/", std::nullopt}));
    EXPECT_EQ(MapTree::linkBase("Trip.velk", isDirectory), (LinkBase{".", std::nullopt}));
}

TEST(MapTreeLinks, ResolvedAndStoredLinks) {
    const auto exists = probeOf({"/v/notes/a.md", "/v/maps/local.md", "/v/maps/both.md", "/v/both.md",
                                 "/elsewhere/x.md", "/home/maps/a.md"});
    const LinkBase inVault{"/v/maps", "/v"};
    const LinkBase outsideVault{"/elsewhere", "/v/"};
    const LinkBase noVault{"/home/maps", std::nullopt};
    struct Case {
        std::string_view link;
        const LinkBase& base;
        std::string_view resolved, stored;
    };
    const Case cases[] = {
        {"/abs/x.md", inVault, "/abs/x.md", "/abs/x.md"},
        {"notes/a.md", inVault, "/v/notes/a.md", "notes/a.md"},
        {"local.md", inVault, "/v/maps/local.md", "maps/local.md"},
        {"./local.md", inVault, "/v/maps/local.md", "maps/local.md"},
        {"both.md", inVault, "/v/both.md", "both.md"},
        {"missing.md", inVault, "/v/missing.md", "missing.md"},
        {"../../x.md", inVault, "/x.md", "../../x.md"},
        {"x.md", outsideVault, "/elsewhere/x.md", "x.md"},
        {"a.md", noVault, "/home/maps/a.md", "a.md"},
        {"../b.md", noVault, "/home/b.md", "../b.md"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link);
        EXPECT_EQ(MapTree::resolveLink(c.link, c.base, exists), c.resolved);
        EXPECT_EQ(MapTree::linkValue(c.link, c.base, exists), c.stored);
    }
    EXPECT_EQ(MapTree::linkValue("x.md", LinkBase{"/m", "/"}, probeOf({"/m/x.md"})), "m/x.md");
}

TEST(MapTreeLinks, RootLinkValue) {
    const LinkBase inVault{"/v/maps", "/v"};
    const LinkBase noVault{"/home", std::nullopt};
    struct Case {
        std::string_view path;
        const LinkBase& base;
        std::string_view stored;
    };
    const Case cases[] = {
        {"/v/maps/Trip.velk", inVault, "maps/Trip.velk"},
        {"/other/Trip.velk", inVault, "Trip.velk"},
        {"/vault2/Trip.velk", inVault, "Trip.velk"},
        {"/v", inVault, "v"},
        {"/home/Trip.velk/", noVault, "Trip.velk"},
        {"Trip.velk", noVault, "Trip.velk"},
        {"/", noVault, "/"},
        {"", noVault, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(MapTree::rootLinkValue(c.path, c.base), c.stored);
    }
}

}  // namespace
}  // namespace velk
