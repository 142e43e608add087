// The shell's rules: where maps are kept (bookmarks, trash, the user's folders), the feedback link
// and tester identifier and the brand colours.

#include "package/MemoryFileSystem.h"
#include "platform/JSONFileDefaults.h"
#include "platform/PosixFileSystem.h"
#include "platform/TempFolder.h"
#include "share/ShareBase.h"
#include "shell/Beta.h"
#include "shell/Brand.h"
#include "shell/MapsFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace velk {
namespace {

using testing_support::MemoryFileSystem;
using MapsFolder::Ask;
using MapsFolder::Folder;
using MapsFolder::Reason;
using Error = Unexpected<BookmarkError>;

const std::string trash = "/home/ada/.local/share/Trash";

struct RecordingStore final : BookmarkStore {
    explicit RecordingStore(std::optional<std::string> stored) : bytes(std::move(stored)) {}
    std::optional<std::string> mapsFolderBookmark() override { return ++reads, bytes; }
    void setMapsFolderBookmark(std::optional<std::string_view> to) override { ++writes, bytes = to; }
    std::optional<std::string> bytes;
    int reads = 0, writes = 0;
};

// "fresh:<path>" and "stale:<path>" resolve to the path, anything else fails; /home/ada/Stuck
// cannot be bookmarked.
struct ScriptedCoding final : BookmarkCoding {
    Expected<std::string, BookmarkError> bookmark(const std::string& folder) override {
        if (folder == "/home/ada/Stuck") return Error(BookmarkError::NotAbsolute{folder});
        return "fresh:" + folder;
    }
    Expected<ResolvedBookmark, BookmarkError> resolve(std::string_view bytes) override {
        for (const std::string_view prefix : {"fresh:", "stale:"})
            if (bytes.starts_with(prefix))
                return ResolvedBookmark{std::string(bytes.substr(6)), prefix == "stale:"};
        return Error(BookmarkError::Unreadable{});
    }
};

bool fakeIsDirectory(const std::string& path) {
    return std::set<std::string>{"/home/ada/Maps", trash + "/files/Maps",
                                 "/media/ada/usb/.Trash-1000/files/Maps", "/home/ada/Stale",
                                 "/home/ada/Stuck"}
        .contains(path);
}

TEST(MapsFolderResolve, FromTheStoredBookmarkRenewingAStaleOne) {
    using Row = std::tuple<std::optional<std::string>, MapsFolder::Resolution, std::optional<std::string>>;
    const std::string usbTrash = "fresh:/media/ada/usb/.Trash-1000/files/Maps";
    const Row cases[] = {
        {std::nullopt, Ask{Reason::neverChosen}, std::nullopt},
        {"fresh:/home/ada/Maps", Folder{"/home/ada/Maps"}, "fresh:/home/ada/Maps"},
        {"garbage", Ask{Reason::gone}, "garbage"},
        {"fresh:/home/ada/Deleted", Ask{Reason::gone}, "fresh:/home/ada/Deleted"},
        {"fresh:" + trash + "/files/Maps", Ask{Reason::gone}, "fresh:" + trash + "/files/Maps"},
        {usbTrash, Ask{Reason::gone}, usbTrash},
        {"stale:/home/ada/Stale", Folder{"/home/ada/Stale"}, "fresh:/home/ada/Stale"},
        {"stale:/home/ada/Stuck", Folder{"/home/ada/Stuck"}, "stale:/home/ada/Stuck"},  // cannot be renewed
        {"stale:/home/ada/Deleted", Ask{Reason::gone}, "stale:/home/ada/Deleted"},
    };
    for (const auto& [stored, resolution, after] : cases) {
        RecordingStore store(stored);
        ScriptedCoding coding;
        EXPECT_EQ(MapsFolder::resolve(store, coding, trash, fakeIsDirectory), resolution)
            << testing::PrintToString(stored);
        EXPECT_EQ(std::pair(store.bytes, store.writes), std::pair(after, after == stored ? 0 : 1))
            << testing::PrintToString(stored);
    }
}

// A set override is used without touching the bookmark; remembering stores the bookmark or nothing.
TEST(MapsFolderForNewMap, AnOverrideOrTheRememberedFolder) {
    const std::tuple<std::optional<std::string>, std::string, int> cases[] = {
        {"/does/not/exist", "/does/not/exist", 0}, {"relative/maps", "relative/maps", 0},
        {"", "/home/ada/Maps", 1}, {std::nullopt, "/home/ada/Maps", 1},
    };
    for (const auto& [setting, folder, reads] : cases) {
        SCOPED_TRACE(testing::PrintToString(setting));
        RecordingStore store("fresh:/home/ada/Maps");
        ScriptedCoding coding;
        const auto given = setting ? std::optional<std::string_view>(*setting) : std::nullopt;
        EXPECT_EQ(MapsFolder::forNewMap(given, store, coding, trash, fakeIsDirectory),
                  MapsFolder::Resolution(Folder{folder}));
        EXPECT_EQ(std::pair(store.reads, store.writes), std::pair(reads, 0));
    }
    RecordingStore store("fresh:/home/ada/Old");
    ScriptedCoding coding;
    EXPECT_TRUE(MapsFolder::remember("/home/ada/Maps", store, coding).has_value());
    EXPECT_FALSE(MapsFolder::remember("/home/ada/Stuck", store, coding).has_value());
    EXPECT_EQ(store.bytes, "fresh:/home/ada/Maps");
}

TEST(MapsFolderPaths, ChoiceStandardizingTrashAndTheChoosersStart) {
    const std::pair<std::string, std::string> choices[] = {
        {"/home/ada//Documents/.", "/home/ada/Documents/velk"},
        {"/home/ada/Desktop/../Documents", "/home/ada/Documents/velk"},
        {"/home/ada/Documents/velk", "/home/ada/Documents/velk"},
        {"/home/ada/documents", "/home/ada/documents"},
    };
    for (const auto& [choice, folder] : choices)
        EXPECT_EQ(MapsFolder::folder(choice, "/home/ada/Documents"), folder) << choice;
    const std::pair<std::string, std::string> paths[] = {
        {"//", "/"},       {"/a/./b/", "/a/b"},   {"/a/b/../c", "/a/c"},
        {"/a/../..", "/"}, {"a/../../b", "../b"}, {"", "."},
    };
    for (const auto& [path, standardized] : paths)
        EXPECT_EQ(MapsFolder::standardized(path), standardized) << path;
    const std::pair<std::string, bool> trashed[] = {
        {trash + "/", true},
        {trash + "/../Maps", false},
        {trash + "can/Maps", false},
        {"/home/ada/.local/share/./Trash/files/x", true},
        {"/media/ada/usb/.Trash/1000/files/Maps", true},
        {"/media/ada/usb/.Trash-1000", true},
        {"/media/ada/usb/.Trash-/Maps", false},
        {"/media/ada/usb/.Trash-x/Maps", false},
        {"/home/ada/.Trashy/Maps", false},
        {"/home/ada/Trash/Maps", false},
    };
    for (const auto& [path, inTrash] : trashed)
        EXPECT_EQ(MapsFolder::isInTrash(path, trash), inTrash) << path;
    EXPECT_FALSE(MapsFolder::isInTrash("/home/ada/Maps", ""));
    EXPECT_EQ(MapsFolder::chooserStart("/d", [](const std::string& path) { return path == "/d/velk"; }),
              "/d/velk");
    EXPECT_EQ(MapsFolder::chooserStart("/d", [](const std::string&) { return false; }), "/d");
}

TEST(MapsFolderPaths, TheUsersFolders) {
    using F = MapsFolder::UserFolders;
    const std::tuple<F, std::string, std::string, std::string> cases[] = {
        {{"/home/a", "/elsewhere", {}, {}}, "/home/a", "/home/a/Documents", "/home/a/.local/share/Trash"},
        {{"", "/home/bo", {}, ""}, "/home/bo", "/home/bo/Documents", "/home/bo/.local/share/Trash"},
        {{{}, {}, {}, {}}, "/", "/Documents", "/.local/share/Trash"},
        {{"/home/a", {}, "/home/a/Dokumente", "/srv/"}, "/home/a", "/home/a/Dokumente", "/srv/Trash"},
        {{"/home/a", {}, "/home/a/", "data"}, "/home/a", "/home/a/Documents", "/home/a/.local/share/Trash"},
        {{"/home/a", {}, "Dokumente", {}}, "/home/a", "/home/a/Documents", "/home/a/.local/share/Trash"},
    };
    for (const auto& [given, home, documents, homeTrash] : cases)
        EXPECT_EQ(std::tuple(MapsFolder::home(given), MapsFolder::realDocuments(given),
                             MapsFolder::homeTrash(given)),
                  std::tuple(home, documents, homeTrash));
}

TEST(PathBookmarks, ABookmarkIsTheStandardizedAbsolutePathNeverStale) {
    PathBookmarks coding;
    const std::pair<std::string, Expected<std::string, BookmarkError>> made[] = {
        {"/home/ada/./x/../Maps/", "/home/ada/Maps"}, {"/home/ada/Kärten", "/home/ada/Kärten"},
        {"Maps", Error(BookmarkError::NotAbsolute{"Maps"})}, {"", Error(BookmarkError::NotAbsolute{""})},
        {"/home/ada/K\xE4rten", Error(BookmarkError::NotUTF8{})},
    };
    for (const auto& [folder, bookmark] : made) EXPECT_EQ(coding.bookmark(folder), bookmark) << folder;
    const std::pair<std::string, Expected<ResolvedBookmark, BookmarkError>> resolved[] = {
        {"/home/ada/Maps", ResolvedBookmark{"/home/ada/Maps", false}},
        {"Maps", Error(BookmarkError::Unreadable{})},
        {"/home/\xFF", Error(BookmarkError::Unreadable{})},
        {std::string("/home/ada\0/x", 12), Error(BookmarkError::Unreadable{})},
    };
    for (const auto& [bytes, back] : resolved)
        EXPECT_EQ(coding.resolve(bytes), back) << testing::PrintToString(bytes);
}

// The whole road on disk: Documents keeps maps in Documents/velk, made for them, until it is
// trashed; what cannot hold maps is refused with its reason and nothing is remembered.
TEST(MapsFolderKeep, ChoosingDocumentsMakesAndKeepsItsVelkFolderUntilItIsTrashed) {
    testing_support::TempFolder home("mapshome");
    const MapsFolder::UserFolders user{home.path(), {}, {}, {}};
    const std::string documents = MapsFolder::realDocuments(user), homeTrash = MapsFolder::homeTrash(user);
    std::filesystem::create_directories(homeTrash + "/files");
    PosixFileSystem disk;
    testing_support::MemoryFileSystem config;
    JSONFileDefaults defaults(config, "/config/velk/defaults.json");
    DefaultsBookmarkStore store(defaults);
    PathBookmarks coding;

    const auto kept = MapsFolder::keep(documents + "/", documents, disk, store, coding, homeTrash);
    ASSERT_TRUE(kept.has_value()) << MapsFolder::describe(kept.error());
    EXPECT_EQ(*kept, MapsFolder::Resolution(Folder{home / "Documents/velk"}));
    EXPECT_EQ(defaults.data("MapsFolderBookmark"), home / "Documents/velk");
    std::filesystem::rename(home / "Documents/velk", homeTrash + "/files/velk");
    EXPECT_EQ(MapsFolder::resolve(store, coding, homeTrash), MapsFolder::Resolution(Ask{Reason::gone}));
    EXPECT_EQ(MapsFolder::keep(homeTrash + "/files/velk", documents, disk, store, coding, homeTrash).value(),
              MapsFolder::Resolution(Ask{Reason::gone})) << "a trashed folder is no place for new maps";

    testing_support::put(home / "file", "x");
    const auto onAFile = MapsFolder::keep(home / "file/Maps", documents, disk, store, coding, homeTrash);
    EXPECT_TRUE(!onAFile && MapsFolder::describe(onAFile.error()).contains(home / "file"));
    EXPECT_EQ(MapsFolder::keep(home / "file", documents, disk, store, coding, homeTrash).error(),
              MapsFolder::KeepError(FileSystemError(FileSystemError::NotADirectory{}, home / "file")));
    EXPECT_EQ(store.mapsFolderBookmark(), homeTrash + "/files/velk") << "a refused folder is not remembered";
    store.setMapsFolderBookmark(std::nullopt);
    EXPECT_EQ(config.file("/config/velk/defaults.json"), "{}\n");

    // A link to a folder is one; a dangling link is not.
    std::filesystem::create_directory_symlink(home / "Documents", home / "link");
    std::filesystem::create_symlink(home / "missing", home / "dangling");
    const std::pair<std::string, bool> cases[] = {
        {home / "link", true}, {home / "file", false}, {home / "dangling", false}, {"", false}};
    for (const auto& [path, directory] : cases) EXPECT_EQ(MapsFolder::isDirectory(path), directory) << path;
}

const std::string base = "https://share.velk.example/";
const std::string page =
    "https://share.velk.example/feedback/?tester=t-0123456789ab&client=linux&version=0.1.0";

// Hands out the given numbers in turn, then starts again.
Beta::RandomSource numbers(std::vector<std::uint64_t> values) {
    return [values = std::move(values), next = std::size_t{0}]() mutable {
        return values[next++ % values.size()];
    };
}

std::string feedback(std::optional<std::string_view> message, std::string_view version = "0.1.0") {
    return Beta::feedbackURL(base, "linux", version, "t-0123456789ab", message);
}

TEST(BetaFeedback, TheQueryHoldsTesterClientVersionAndAMessageThatCannotAddItems) {
    EXPECT_EQ(feedback(std::nullopt), page);
    EXPECT_EQ(feedback(""), page);
    const std::pair<std::string, std::string> cases[] = {
        {"a&b=c", "a%26b%3Dc"},
        {"1+1?", "1%2B1%3F"},
        {"see #4", "see%20%234"},
        {"100% sure", "100%25%20sure"},
        {"a/b:c@d", "a/b:c@d"},
        {"it's (fine)!*,;$~_.-", "it's%20(fine)!*,;$~_.-"},
        {"line\nbreak\ttab", "line%0Abreak%09tab"},
        {"\"<x>\" [y] {z} ^`|\\", "%22%3Cx%3E%22%20%5By%5D%20%7Bz%7D%20%5E%60%7C%5C"},
        {"Grüße ✓", "Gr%C3%BC%C3%9Fe%20%E2%9C%93"},
    };
    for (const auto& [message, encoded] : cases)
        EXPECT_EQ(feedback(message), page + "&message=" + encoded) << message;
    EXPECT_EQ(feedback(std::nullopt, "1.0 beta+2&x=y"),
              "https://share.velk.example/feedback/"
              "?tester=t-0123456789ab&client=linux&version=1.0%20beta%2B2%26x%3Dy");
}

TEST(BetaFeedback, ALongMessageIsCutToFourThousandCharactersNeverInsideOneAndTheAppUsesItsService) {
    const std::string kept(4000, 'a');
    EXPECT_EQ(feedback(std::string(5000, 'a')), page + "&message=" + kept);
    EXPECT_EQ(feedback(kept), page + "&message=" + kept);
    std::string accented, encoded;  // e and a combining accent: one character
    for (int i = 0; i < 4001; ++i) accented += "e\xCC\x81";
    for (int i = 0; i < 4000; ++i) encoded += "e%CC%81";
    EXPECT_EQ(feedback(accented), page + "&message=" + encoded);
    // The app's own link goes to its builds' service with the stored tester.
    MemoryFileSystem disk;
    JSONFileDefaults defaults(disk, "/config/velk/defaults.json");
    defaults.setString("velk.tester", "t-0123456789ab");
    EXPECT_EQ(Beta::feedbackURL(defaults, numbers({0}), "0.1.0", "hi"),
              Beta::feedbackPage(defaultShareBase()) +
                  "?tester=t-0123456789ab&client=linux&version=0.1.0&message=hi");
}

TEST(BetaTester, AStoredIdentifierIsKeptOnlyWhenValidElseANewOneIsMintedModuloThirtySix) {
    EXPECT_EQ(Beta::mint(numbers({0, 1, 9, 10, 35, 36, 37, 71, 72, 1000, UINT64_MAX, 42})), "t-019az01z0sf6");
    const std::pair<std::optional<std::string>, bool> cases[] = {
        {std::nullopt, false},        {"abcdefg", false},
        {"abcdefgh", true},           {"--------", true},
        {std::string(64, 'z'), true}, {std::string(65, 'z'), false},
        {"T-0123456789AB", false},    {"t_0123456789ab", false},
        {" t-0123456789ab", false},   {"t-0123456789\xC3\xA4", false},
    };
    for (const auto& [stored, kept] : cases) {
        SCOPED_TRACE(testing::PrintToString(stored));
        MemoryFileSystem disk;
        JSONFileDefaults defaults(disk, "/config/velk/defaults.json");
        if (stored) defaults.setString("velk.tester", *stored);
        const std::string expected = kept ? *stored : "t-123123123123";
        EXPECT_EQ(Beta::testerId(defaults, numbers({1, 2, 3})), expected);
        EXPECT_EQ(defaults.string("velk.tester"), expected);
    }
}

TEST(Brand, RGBReadsTheLastSixHexDigits) {
    const std::tuple<std::string_view, int, int, int> cases[] = {
        {"#f2a93b", 242, 169, 59},
        {"f2a93b", 242, 169, 59},
        {"#F2A93B", 242, 169, 59},
        {"#fff", 0, 15, 255},         // three digits are a number, not CSS shorthand
        {"#80f2a93b", 242, 169, 59},  // an alpha byte in front is ignored
        {"", 0, 0, 0},
        {"##f2a93b", 0, 0, 0},
        {"#f2a93bz", 0, 0, 0},
        {" #f2a93b", 0, 0, 0},
    };
    for (const auto& [hex, red, green, blue] : cases)
        EXPECT_EQ(Brand::rgb(hex), (Brand::RGB{red / 255.0, green / 255.0, blue / 255.0})) << hex;
}

}  // namespace
}  // namespace velk
