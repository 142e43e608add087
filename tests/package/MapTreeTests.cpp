// The package tree, its layout and map paths, submap file names, vault links and shown names; and
// the images kept in a package: named after their content, typed by their extension, limited in
// size one by one and together, and served by plain names only.

#include "core/TextCase.h"
#include "package/MapNaming.h"
#include "package/MapTree.h"
#include "package/Media.h"
#include "package/PackageTestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <sys/mman.h>

namespace velk {
namespace {

using MapTree::LinkBase;
using testing_support::text;

std::string shown(std::string_view text) { return testing::PrintToString(std::string(text)); }

TEST(DocumentTree, LookupsFollowSegmentsAndWritesReplaceWhateverIsOnTheWay) {
    DocumentTree tree;
    tree.write("c", "a/b/c");
    tree.write("top", "x");
    for (const auto& [path, found] : {std::pair{"a/b/c", "c"}, {"/a//b/c/", "c"}, {"", "<absent>"} /* a folder */, {"a", "<absent>"}, {"x/y", "<absent>"}, {"a/missing", "<absent>"}})
        EXPECT_EQ(text(tree.data(path)), found) << path;
    EXPECT_TRUE(tree.at("/")->isDirectory() && tree.child("a")->isDirectory());
    EXPECT_FALSE(tree.child("a/b") || tree.at("x")->child("y") || tree.at("x/y"));  // a child is one name, not a path
    EXPECT_EQ(text(tree.at("a")->data("b/c")), "c");
    tree.write("2", "x/b");  // the file x becomes a folder holding b
    EXPECT_EQ(text(tree.data("x/b")), "2");
    tree.write("3", "x");    // and the folder x a file again
    EXPECT_EQ(text(tree.data("x")), "3");
    const DocumentTree before = tree;
    for (const char* nowhere : {"/", "///", ""}) tree.write("4", nowhere);
    tree.remove("a/b");        // a folder stays
    tree.remove("missing/path");
    tree.move("a", "elsewhere");  // folders do not move
    tree.move("missing", "elsewhere");
    tree.move("x", "/x//");    // the same path spelled differently
    EXPECT_EQ(tree, before);
    tree.remove("a/b/c");
    EXPECT_TRUE(tree.at("a/b")->isDirectory() && tree.at("a/b")->children().empty());  // emptied, still there
    tree.move("x", "d/x");
    EXPECT_FALSE(tree.at("x"));
    EXPECT_EQ(text(tree.data("d/x")), "3");
    tree.write("", "empty");
    EXPECT_EQ(text(tree.data("empty")), "");
    EXPECT_EQ(DocumentTree::file(""), DocumentTree::file(SharedBytes()));
}

TEST(DocumentTree, CopiesShareUntouchedStorageAndCompareByContent) {
    DocumentTree tree;
    for (int i = 0; i < 10'000; ++i) tree.write("image " + std::to_string(i), "velk-media/" + std::to_string(i) + ".png");
    tree.write("{}", "map.canvas");
    const DocumentTree copy = tree;
    EXPECT_TRUE(copy.sameStorage(tree));
    tree.write("{\"nodes\":[]}", "map.canvas");
    EXPECT_FALSE(copy.sameStorage(tree));
    EXPECT_EQ(text(copy.data("map.canvas")), "{}");  // the copy never changes
    EXPECT_TRUE(copy.at("velk-media")->sameStorage(*tree.at("velk-media")));
    EXPECT_EQ(copy.data("velk-media/7.png"), tree.data("velk-media/7.png"));  // the very same bytes
    EXPECT_NE(copy, tree);
    EXPECT_EQ(testing_support::treeOf({{"x/y", "1"}, {"z", "2"}}), testing_support::treeOf({{"z", "2"}, {"x/y", "1"}}));
    EXPECT_NE(testing_support::treeOf({{"x/y", "1"}}), testing_support::treeOf({{"x/y", "1 "}}));
    std::string path;  // hostile depth is built, compared and destroyed without recursion
    for (int i = 0; i < 200'000; ++i) path += "d/";
    EXPECT_EQ(testing_support::treeOf({{path + "f", "deep"}}), testing_support::treeOf({{path + "f", "deep"}}));
}

TEST(MapTreeLayout, FilesOfACanvasAndMapPaths) {
    const std::tuple<std::string_view, std::string_view, std::string_view, std::string_view, bool> canvases[] = {
        {"map.canvas", "map.canvas.velk", "map.ink.svg", "map", true}, {"map/Plan.CANVAS", "map/Plan.CANVAS.velk", "map/Plan.ink.svg", "map/Plan", true},
        {"x.json", "x.json.velk", "x.json.ink.svg", "x.json", false}, {"\xE6\x97\xA5.canvas", "\xE6\x97\xA5.canvas.velk", "\xE6\x97\xA5.ink.svg", "\xE6\x97\xA5", true},
        {"x.canvas\xCC\x81", "x.canvas\xCC\x81.velk", "x.canvas\xCC\x81.ink.svg", "x.canvas\xCC\x81", false}, {"map.canvas/", "map.canvas/.velk", "map.canvas/.ink.svg", "map.canvas/", false}};
    for (const auto& [canvas, sidecar, ink, submaps, isSubmapFile] : canvases) {
        EXPECT_EQ(MapTree::sidecarPath(canvas), sidecar);
        EXPECT_EQ(MapTree::inkPath(canvas), ink);
        EXPECT_EQ(MapTree::submapDirectory(canvas), submaps);
        EXPECT_EQ(MapTree::isSubmapFile(canvas), isSubmapFile) << canvas;
    }
    const std::tuple<std::string_view, std::string_view, std::string_view, std::size_t> paths[] = {{"/", "a", "/a", 1}, {"", "a", "/a", 1}, {"/a", "b", "/a/b", 2}, {"/a/b", "c7", "/a/b/c7", 3}};
    for (const auto& [parent, id, path, depth] : paths) {
        EXPECT_EQ(MapTree::submapPath(parent, id), path);
        EXPECT_EQ(MapTree::depth(path), depth);
        EXPECT_EQ(MapTree::parentPath(path), (MapTree::ParentPath{parent.empty() ? "/" : std::string(parent), std::string(id)}));
    }
    for (std::string_view notSubmap : {"/", "", "/a/", "a", "/a/b/"}) EXPECT_EQ(MapTree::parentPath(notSubmap), std::nullopt) << notSubmap;
    EXPECT_EQ(MapTree::depth("/") + MapTree::depth(""), 0u);
    EXPECT_EQ(MapTree::join("", "x.canvas"), "x.canvas");
    EXPECT_EQ(MapTree::join("map/a", "x.canvas"), "map/a/x.canvas");
    const std::tuple<std::string_view, std::string_view, std::string_view> joins[] = {
        {"/a/b", "../../../c", "/c"}, {"a", "../../c", "../c"}, {"a", "..", "."}, {"/", "..", "/"}, {"", "", "."}, {"/a/./b//", "c/.", "/a/b/c"},
        {"a/b", "/c", "a/b/c"}, {"../x", "../y", "../y"}, {"..", "..", "../.."}};
    for (const auto& [base, relative, joined] : joins) EXPECT_EQ(MapTree::normalizedJoin(base, relative), joined) << base << " + " << relative;
}

TEST(MapTreeSafeFileName, LabelsBecomeSafeStems) {
    const std::string letters100(100, 'a'), spaceAt64 = std::string(63, 'a') + " " + std::string(10, 'b');
    const std::string accentAt64 = std::string(63, 'a') + "\xC3\xA9" + std::string(10, 'b'), letters65(65, 'c'), dashesFirst = "--- " + std::string(70, 'd');
    const std::tuple<std::string_view, std::string_view, std::string_view> cases[] = {
        {"Trip to Rome", "n1", "Trip to Rome"}, {"(A&B)+C_d-9", "n1", "(A&B)+C_d-9"}, {"  Two  spaces  ", "n1", "Two  spaces"}, {"a/b:c?d*e.f", "n1", "a-b-c-d-e-f"},
        {"a -- b", "n1", "a - b"}, {"-. Name .-", "n1", "Name"}, {"x.canvas", "n1", "x-canvas"}, {"\xE6\x97\xA5\xE6\x9C\xAC", "n1", "n1"} /* only non-ASCII */,
        {"\xE6\x97\xA5\xE6\x9C\xAC", "\xE6\x97\xA5", "map"}, {"", "", "map"}, {"...", "node/7", "node-7"}, {"Cafe\xCC\x81", "n1", "Caf"} /* e + accent is one character */,
        {"Step 1\xEF\xB8\x8F\xE2\x83\xA3", "n1", "Step"} /* keycap one */, {"\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD ok", "n1", "ok"}, {"Line\r\nTwo", "n1", "Line-Two"},
        {"tab\tbell\x07", "n1", "tab-bell"}, {"\xFF", "n1", "n1"}, {letters100, "n1", std::string_view(letters100).substr(0, 64)},
        {spaceAt64, "n1", std::string_view(spaceAt64).substr(0, 63)}, {accentAt64, "n1", std::string_view(accentAt64).substr(0, 63)},
        {letters65, "n1", std::string_view(letters65).substr(0, 64)}, {dashesFirst, "n1", std::string_view(dashesFirst).substr(4, 64)}};
    for (const auto& [label, fallback, stem] : cases) EXPECT_EQ(MapTree::safeFileName(label, fallback), stem) << shown(label);
}

TEST(MapTreeMint, CollisionsIgnoreLetterCaseAndMintingAgainCountsUp) {
    const std::tuple<std::string_view, std::string_view, std::string_view, std::set<std::string>, std::string_view> cases[] = {
        {"map.canvas", "Ideas", "n1", {}, "map/Ideas.canvas"}, {"map.canvas", "Ideas", "n1", {"map/ideas.canvas"}, "map/Ideas-2.canvas"},
        {"map.canvas", "IDEAS", "n1", {"map/ideas.canvas", "map/ideas-2.canvas"}, "map/IDEAS-3.canvas"}, {"map.canvas", "Ideas", "n1", {"map/ideas-2.canvas"}, "map/Ideas.canvas"},
        {"map.canvas", "Ideas", "n1", {"ideas.canvas", "map/ideas.canvas.velk"}, "map/Ideas.canvas"}, {"Map/Sub.CANVAS", "X", "n1", {"map/sub/x.canvas"}, "Map/Sub/X-2.canvas"},
        {"\xC3\x84rger.canvas", "a", "n1", {"\xC3\xA4rger/a.canvas"}, "\xC3\x84rger/a-2.canvas"}, {"map.canvas", "\xE6\x97\xA5", "node 9", {}, "map/node 9.canvas"},
        {"notes.json", "x", "n1", {}, "notes.json/x.canvas"}};
    for (const auto& [parent, label, id, before, minted] : cases) {
        std::set<std::string> taken = before, expected = before;
        EXPECT_EQ(MapTree::mintSubmapFile(parent, label, id, taken), minted);
        expected.insert(TextCase::lowercased(minted));
        EXPECT_EQ(taken, expected) << minted;
    }
    std::set<std::string> taken;
    for (std::string_view minted : {"map/Plan.canvas", "map/Plan-2.canvas", "map/Plan-3.canvas"}) EXPECT_EQ(MapTree::mintSubmapFile("map.canvas", "Plan", "n1", taken), minted);
    EXPECT_EQ(MapTree::mintSubmapFile("map.canvas", "plan-2", "n1", taken), "map/plan-2-2.canvas");
}

// A file system made of a set of paths.
MapTree::PathProbe probeOf(std::set<std::string> paths) {
    return [paths = std::move(paths)](std::string_view path) { return paths.contains(std::string(path)); };
}

TEST(MapTreeLinks, VaultsResolvedAndStoredLinks) {
    const std::tuple<std::string_view, std::set<std::string>, std::optional<std::string>> vaults[] = {
        {"/home/u/vault/maps/sub", {"/home/u/vault/.obsidian"}, "/home/u/vault"}, {"/home/u/vault/maps/", {"/home/u/vault/.obsidian"}, "/home/u/vault"},
        {"/home/u/vault", {"/home/u/vault/.obsidian"}, "/home/u/vault"}, {"/home/u/other", {"/home/u/vault/.obsidian"}, std::nullopt},
        {"/v/w/x", {"/v/.obsidian", "/v/w/.obsidian"}, "/v/w"}, {"/a/b", {"/.obsidian"}, "/"}, {"maps/sub", {".obsidian"}, "."}, {"../maps", {"../.obsidian"}, ".."},
        {"maps", {}, std::nullopt}};
    for (const auto& [directory, marked, vault] : vaults) EXPECT_EQ(MapTree::findVaultRoot(directory, probeOf(marked)), vault) << directory;
    const auto isDirectory = probeOf({"/v/.obsidian"});
    EXPECT_EQ(MapTree::linkBase("/v/maps/Trip.velk/", isDirectory), (LinkBase{"/v/maps", "/v"}));
    EXPECT_EQ(MapTree::linkBase("/Trip.velk", isDirectory), (LinkBase{"/", std::nullopt}));
    EXPECT_EQ(MapTree::linkBase("Trip.velk", isDirectory), (LinkBase{".", std::nullopt}));

    const auto exists = probeOf({"/v/notes/a.md", "/v/maps/local.md", "/v/maps/both.md", "/v/both.md", "/elsewhere/x.md", "/home/maps/a.md"});
    const LinkBase inVault{"/v/maps", "/v"}, outsideVault{"/elsewhere", "/v/"}, noVault{"/home/maps", std::nullopt};
    const std::tuple<std::string_view, const LinkBase&, std::string_view, std::string_view> links[] = {
        {"/abs/x.md", inVault, "/abs/x.md", "/abs/x.md"}, {"notes/a.md", inVault, "/v/notes/a.md", "notes/a.md"}, {"local.md", inVault, "/v/maps/local.md", "maps/local.md"},
        {"./local.md", inVault, "/v/maps/local.md", "maps/local.md"}, {"both.md", inVault, "/v/both.md", "both.md"}, {"missing.md", inVault, "/v/missing.md", "missing.md"},
        {"../../x.md", inVault, "/x.md", "../../x.md"}, {"x.md", outsideVault, "/elsewhere/x.md", "x.md"}, {"a.md", noVault, "/home/maps/a.md", "a.md"},
        {"../b.md", noVault, "/home/b.md", "../b.md"}};
    for (const auto& [link, base, resolved, stored] : links) {
        EXPECT_EQ(MapTree::resolveLink(link, base, exists), resolved) << link;
        EXPECT_EQ(MapTree::linkValue(link, base, exists), stored) << link;
    }
    EXPECT_EQ(MapTree::linkValue("x.md", LinkBase{"/m", "/"}, probeOf({"/m/x.md"})), "m/x.md");
    const LinkBase home{"/home", std::nullopt};
    const std::tuple<std::string_view, const LinkBase&, std::string_view> roots[] = {
        {"/v/maps/Trip.velk", inVault, "maps/Trip.velk"}, {"/other/Trip.velk", inVault, "Trip.velk"}, {"/vault2/Trip.velk", inVault, "Trip.velk"}, {"/v", inVault, "v"},
        {"/home/Trip.velk/", home, "Trip.velk"}, {"Trip.velk", home, "Trip.velk"}, {"/", home, "/"}, {"", home, ""}};
    for (const auto& [path, base, stored] : roots) EXPECT_EQ(MapTree::rootLinkValue(path, base), stored) << path;
}

TEST(MapNaming, ShownNamesDropEveryExtensionAndPackageNamesAddOne) {
    const std::pair<std::string_view, std::string_view> shownNames[] = {
        {" Trip.canvas.velk ", "Trip"}, {".velk", ".velk"}, {".canvas.velk", ".canvas"}, {"x.velk.velk", "x"}, {"a.velk.canvas.plovet", "a"}, {"Old.PLOVET", "Old"},
        {"Trip .velk", "Trip"}, {"Trip\n.velk", "Trip\n"} /* inner trims leave line breaks */, {"\n\xE2\x80\xA8 Trip \xC2\x85\r\n", "Trip"},
        {"\xE3\x80\x80Trip\xC2\xA0", "Trip"} /* ideographic and no-break spaces */, {"Trip.velk2", "Trip.velk2"}, {"\xC3\x9C" "bersicht.VELK", "\xC3\x9C" "bersicht"},
        {"x.vel\xE2\x84\xAA", "x"} /* Kelvin sign lowercases to k */, {"x.velk\xCC\x81", "x.velk\xCC\x81"} /* the accent belongs to the k */,
        {"\xC4\xB0.velk", "\xC4\xB0"} /* lowercases to two code points */, {"", ""}, {" \t ", ""},
        {"Tr\xFFip.velk", "Tr\xEF\xBF\xBDip"} /* a folder name that is no UTF-8 */};
    for (const auto& [name, displayed] : shownNames) EXPECT_EQ(MapNaming::displayName(name), displayed) << shown(name);
    // Names too long for a file system are cut between characters; a Duplicate of one came to nothing.
    std::string accented = "e";
    for (int i = 0; i < 200; ++i) accented += "\xCC\x81";
    const std::pair<std::string, std::string> packageNames[] = {
        {"Trip", "Trip.velk"}, {" Trip.velk ", "Trip.velk"}, {"Plan.canvas", "Plan.velk"}, {"Old.plovet", "Old.velk"}, {".velk", ".velk.velk"},
        {std::string(300, 'x') + " copy", std::string(250, 'x') + ".velk"},
        {accented, accented.substr(0, 249) + ".velk"} /* one character longer than a name: cut between code points */};
    for (const auto& [typed, file] : packageNames) EXPECT_EQ(MapNaming::packageFileName(typed), file) << typed;
}

TEST(Media, TypesNamesAndWhatIsServed) {
    const std::pair<std::string_view, std::string_view> types[] = {
        {"Image/PNG; q=1", "image/png"}, {"IMAGE/SVG+XML;charset=utf-8", "image/svg+xml"}, {";;image/gif;x", "image/gif"} /* empty pieces are skipped */,
        {" ;image/gif", ""} /* a blank piece is not empty */, {"\t\xC2\xA0image/webp\xE3\x80\x80 ", "image/webp"}, {"image/png\n", "image/png\n"}, {";", ""}};
    for (const auto& [type, bare] : types) EXPECT_EQ(Media::bareType(type), bare) << testing::PrintToString(std::string(type));
    // The first 16 hex digits of the SHA-256 of the bytes, a NUL byte included.
    EXPECT_EQ(Media::contentName("abc", ".png"), "ba7816bf8f01cfea.png");
    EXPECT_EQ(Media::contentName(std::string(1, '\0'), ".jpg"), "6e340b9cffb37a98.jpg");
    const std::tuple<std::string_view, std::optional<std::string_view>, bool> names[] = {
        {"ba7816bf8f01cfea.png", "image/png", true}, {"Photo.JPG", "image/jpeg", true}, {"a.tar.Svg", "image/svg+xml", true}, {"photo.jpeg", std::nullopt, false},
        {"a.png.txt", std::nullopt, false}, {"png", std::nullopt, false}, {"a.", std::nullopt, false}, {".png", "image/png", false} /* hidden */, {"..png", "image/png", false},
        {"a..png", "image/png", false}, {"sub/a.png", "image/png", false}, {"sub\\a.png", "image/png", false}, {"", std::nullopt, false}};
    for (const auto& [name, type, servable] : names) {
        EXPECT_EQ(Media::mimeType(name), type) << name;
        EXPECT_EQ(Media::isServableName(name), servable) << name;
    }
    DocumentTree tree = testing_support::treeOf({{"velk-media/new.png", "n"}, {"plovet-media/Old.JPG", "o"}, {"other-media/x.png", "x"}, {"velk-media/a..png", "a"},
                                                 {"velk-media/photo.jpeg", "p"}, {"velk-media/dir.png/inner.png", "i"}});
    const std::tuple<std::string_view, std::string_view, std::string_view> served[] = {
        {"velk-media", "new.png", "n"}, {"plovet-media", "Old.JPG", "o"}, {"plovet-media", "new.png", "<absent>"}, {"velk-media", "dir.png", "<absent>"},
        {"other-media", "x.png", "<absent>"}, {"velk-media/", "new.png", "<absent>"}, {"VELK-MEDIA", "new.png", "<absent>"}, {"velk-media", "a..png", "<absent>"},
        {"velk-media", "photo.jpeg", "<absent>"}, {"plovet-media", "../velk-media/new.png", "<absent>"}};
    for (const auto& [directory, name, bytes] : served) EXPECT_EQ(text(Media::data(tree, name, directory)), bytes) << directory << " " << name;
}

TEST(MediaStore, SameBytesAreStoredOnceUnderTheExtensionOfTheirType) {
    DocumentTree tree;
    tree.write("abc", "plovet-media/ba7816bf8f01cfea.jpg");  // the old directory is never reused
    EXPECT_EQ(*Media::store(tree, "abc", "image/png"), (Media::StoredMedia{"velk-media/ba7816bf8f01cfea.png", true}));
    EXPECT_EQ(text(tree.data("velk-media/ba7816bf8f01cfea.png")), "abc");
    const DocumentTree before = tree;
    EXPECT_EQ(*Media::store(tree, "abc", "image/png; q=1"), (Media::StoredMedia{"velk-media/ba7816bf8f01cfea.png", false}));
    EXPECT_TRUE(tree.sameStorage(before));
    EXPECT_EQ(Media::store(tree, "abc", "image/jpeg")->path, "velk-media/ba7816bf8f01cfea.jpg");
    EXPECT_EQ(Media::store(tree, "abc", "IMAGE/SVG+XML;charset=utf-8")->path, "velk-media/ba7816bf8f01cfea.svg");
    EXPECT_EQ(tree.child("velk-media")->children().size(), 3u);
}

// Bytes that cannot be read: the store must decide on their length alone.
struct UnreadableBytes {
    std::size_t size;
    void* address = mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ~UnreadableBytes() { munmap(address, size); }
    std::string_view view() const { return {static_cast<const char*>(address), size}; }
};

TEST(MediaStore, FailuresReportTheFirstFailedCheckAndChangeNothing) {
    const UnreadableBytes oversized{Media::maxBytes + 1};
    ASSERT_NE(oversized.address, MAP_FAILED);
    DocumentTree tree;
    EXPECT_EQ(Media::store(tree, std::string(Media::maxBytes, 'x'), "image/gif")->path, "velk-media/46dcc78038501967.gif");  // the largest
    const DocumentTree before = tree;
    // One byte more is refused without a byte being read (reading would fault).
    const std::tuple<std::string_view, std::string_view, MediaError> cases[] = {
        {"abc", "image/heic", MediaError::unsupportedType("image/heic")}, {"abc", " Image/JPG ; q=1", MediaError::unsupportedType("image/jpg")},
        {"abc", "", MediaError::unsupportedType("")}, {"", "image/heic", MediaError::unsupportedType("image/heic")}, {"", "image/png", MediaError::empty()},
        {oversized.view(), "image/png", MediaError::tooLarge()}, {oversized.view(), "image/heic", MediaError::unsupportedType("image/heic")}};
    for (const auto& [bytes, type, error] : cases) {
        EXPECT_EQ(Media::store(tree, bytes, type).error(), error) << type;
        EXPECT_TRUE(tree.sameStorage(before));
    }
    EXPECT_EQ(MediaError::unsupportedType("image/heic").description(), "unsupported image type: image/heic");
    EXPECT_EQ(MediaError::tooLarge().description(), "image is larger than 25 MiB");
}

// An image must never replace a file of the user's, nor go into a folder the disk will not take
// it in (the card would point at an image that never reaches the disk).
TEST(MediaStore, AMediaFolderVelkCannotWriteInRefusesNewImagesOnly) {
    const std::string name = "velk-media/ba7816bf8f01cfea.png";
    const std::tuple<std::string_view, DocumentTree, std::vector<std::string>> cases[] = {
        {"a file of the user's", testing_support::treeOf({{"velk-media", "my notes"}}), {}},
        {"a link or a folder not read", DocumentTree(), {"velk-media"}},
        {"a file not read under the image's name", testing_support::treeOf({{"velk-media/other.png", "o"}}), {name}},
    };
    for (const auto& [what, start, notRead] : cases) {
        DocumentTree tree = start;
        EXPECT_EQ(Media::store(tree, "abc", "image/png", notRead).error(), MediaError::unwritable()) << what;
        EXPECT_TRUE(tree.sameStorage(start)) << what;
    }
    EXPECT_EQ(MediaError::unwritable().description(), "this map's velk-media is not a folder velk can write in");
    DocumentTree stored = testing_support::treeOf({{name, "abc"}});
    EXPECT_EQ(Media::store(stored, "abc", "image/png", {"velk-media/other.png"})->path, name);
}

TEST(MediaStore, TheTotalLimitCountsFilesDirectlyInServedDirectoriesAndSparesStoredImages) {
    // Both directories together hold one byte less than the limit, all in one shared buffer.
    const auto mebibyte = std::make_shared<const std::string>(1048576, 'm');
    const std::string storedName = Media::contentName(*mebibyte, ".png");
    DocumentTree tree;
    tree.write(mebibyte, "velk-media/" + storedName);
    for (int i = 1; i < 300; ++i) tree.write(mebibyte, "velk-media/fill" + std::to_string(i) + ".png");
    for (int i = 300; i < 511; ++i) tree.write(mebibyte, "plovet-media/fill" + std::to_string(i) + ".png");
    tree.write(std::string(1048575, 'l'), "plovet-media/last.png");
    for (const char* uncounted : {"velk-media/nested/c.png", "other-media/d.png", "e.png"}) tree.write(mebibyte, uncounted);
    ASSERT_EQ(Media::mediaBytes(tree), Media::maxDirectoryBytes - 1);
    EXPECT_EQ(Media::mediaBytes(testing_support::treeOf({{"plovet-media", "a file"}})), 0u);
    // Already stored: a mebibyte over the limit, yet found without writing.
    EXPECT_EQ(*Media::store(tree, *mebibyte, "image/png"), (Media::StoredMedia{"velk-media/" + storedName, false}));
    ASSERT_TRUE(Media::store(tree, "a", "image/png"));  // reaches the limit exactly
    EXPECT_EQ(Media::mediaBytes(tree), Media::maxDirectoryBytes);
    const auto full = Media::store(tree, "b", "image/png");
    EXPECT_EQ(full.error(), MediaError::directoryFull());
    EXPECT_EQ(full.error().description(), "this map's images already total 512 MiB");
    EXPECT_FALSE(Media::store(tree, "a", "image/png")->written);
}

}  // namespace
}  // namespace velk
