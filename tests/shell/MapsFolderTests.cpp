#include "shell/MapsFolder.h"

#include "package/MemoryFileSystem.h"
#include "platform/JSONFileDefaults.h"
#include "platform/PosixFileSystem.h"
#include "platform/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace velk {
namespace {

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
            if (bytes.starts_with(prefix)) return ResolvedBookmark{std::string(bytes.substr(6)), prefix == "stale:"};
        return Error(BookmarkError::Unreadable{});
    }
};

bool fakeIsDirectory(const std::string& path) {
    return std::set<std::string>{"/home/ada/Maps", trash + "/files/Maps", "/media/ada/usb/.Trash-1000/files/Maps",
                                 "/home/ada/Stale", "/home/ada/Stuck"}
        .contains(path);
}

TEST(MapsFolderResolve, FromTheStoredBookmarkRenewingAStaleOne) {
    const std::tuple<std::optional<std::string>, MapsFolder::Resolution, std::optional<std::string>> cases[] = {
        {std::nullopt, Ask{Reason::neverChosen}, std::nullopt},
        {"fresh:/home/ada/Maps", Folder{"/home/ada/Maps"}, "fresh:/home/ada/Maps"},
        {"garbage", Ask{Reason::gone}, "garbage"},
        {"", Ask{Reason::gone}, ""},
        {"fresh:/home/ada/Deleted", Ask{Reason::gone}, "fresh:/home/ada/Deleted"},
        {"fresh:" + trash + "/files/Maps", Ask{Reason::gone}, "fresh:" + trash + "/files/Maps"},
        {"fresh:/media/ada/usb/.Trash-1000/files/Maps", Ask{Reason::gone}, "fresh:/media/ada/usb/.Trash-1000/files/Maps"},
        {"stale:/home/ada/Stale", Folder{"/home/ada/Stale"}, "fresh:/home/ada/Stale"},
        {"stale:/home/ada/Stuck", Folder{"/home/ada/Stuck"}, "stale:/home/ada/Stuck"},  // cannot be renewed
        {"stale:/home/ada/Deleted", Ask{Reason::gone}, "stale:/home/ada/Deleted"},
    };
    for (const auto& [stored, resolution, after] : cases) {
        SCOPED_TRACE(testing::PrintToString(stored));
        RecordingStore store(stored);
        ScriptedCoding coding;
        EXPECT_EQ(MapsFolder::resolve(store, coding, trash, fakeIsDirectory), resolution);
        EXPECT_EQ(store.bytes, after);
        EXPECT_EQ(store.writes, after == stored ? 0 : 1);
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
        EXPECT_EQ(MapsFolder::forNewMap(given, store, coding, trash, fakeIsDirectory), MapsFolder::Resolution(Folder{folder}));
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
        {"/home/ada//Documents/.", "/home/ada/Documents/velk"}, {"/home/ada/Desktop/../Documents", "/home/ada/Documents/velk"},
        {"/home/ada/Documents/velk", "/home/ada/Documents/velk"}, {"/home/ada/documents", "/home/ada/documents"},
    };
    for (const auto& [choice, folder] : choices) EXPECT_EQ(MapsFolder::folder(choice, "/home/ada/Documents"), folder) << choice;
    const std::pair<std::string, std::string> paths[] = {
        {"//", "/"}, {"/a/./b/", "/a/b"}, {"/a/b/../c", "/a/c"}, {"/a/../..", "/"}, {"a/../../b", "../b"}, {"", "."},
    };
    for (const auto& [path, standardized] : paths) EXPECT_EQ(MapsFolder::standardized(path), standardized) << path;
    const std::pair<std::string, bool> trashed[] = {
        {trash + "/", true}, {trash + "/../Maps", false}, {trash + "can/Maps", false},
        {"/home/ada/.local/share/./Trash/files/x", true}, {"/media/ada/usb/.Trash/1000/files/Maps", true},
        {"/media/ada/usb/.Trash-1000", true}, {"/media/ada/usb/.Trash-/Maps", false}, {"/media/ada/usb/.Trash-x/Maps", false},
        {"/home/ada/.Trashy/Maps", false}, {"/home/ada/Trash/Maps", false},
    };
    for (const auto& [path, inTrash] : trashed) EXPECT_EQ(MapsFolder::isInTrash(path, trash), inTrash) << path;
    EXPECT_FALSE(MapsFolder::isInTrash("/home/ada/Maps", ""));
    EXPECT_EQ(MapsFolder::chooserStart("/d", [](const std::string& path) { return path == "/d/velk"; }), "/d/velk");
    EXPECT_EQ(MapsFolder::chooserStart("/d", [](const std::string&) { return false; }), "/d");
}

TEST(MapsFolderPaths, TheUsersFolders) {
    using F = MapsFolder::UserFolders;
    const std::tuple<F, std::string, std::string, std::string> cases[] = {
        {{"/home/ada", "/elsewhere", {}, {}}, "/home/ada", "/home/ada/Documents", "/home/ada/.local/share/Trash"},
        {{"", "/home/bo", {}, ""}, "/home/bo", "/home/bo/Documents", "/home/bo/.local/share/Trash"},
        {{{}, {}, {}, {}}, "/", "/Documents", "/.local/share/Trash"},
        {{"/home/ada", {}, "/home/ada/Dokumente", "/srv/data/"}, "/home/ada", "/home/ada/Dokumente", "/srv/data/Trash"},
        {{"/home/ada", {}, "/home/ada/", "relative"}, "/home/ada", "/home/ada/Documents", "/home/ada/.local/share/Trash"},
        {{"/home/ada", {}, "Dokumente", {}}, "/home/ada", "/home/ada/Documents", "/home/ada/.local/share/Trash"},
    };
    for (const auto& [given, home, documents, homeTrash] : cases) {
        SCOPED_TRACE(home + " " + documents);
        EXPECT_EQ(MapsFolder::home(given), home);
        EXPECT_EQ(MapsFolder::realDocuments(given), documents);
        EXPECT_EQ(MapsFolder::homeTrash(given), homeTrash);
    }
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
        {"/home/ada/Maps", ResolvedBookmark{"/home/ada/Maps", false}}, {"Maps", Error(BookmarkError::Unreadable{})},
        {"/home/\xFF", Error(BookmarkError::Unreadable{})}, {std::string("/home/ada\0/x", 12), Error(BookmarkError::Unreadable{})},
    };
    for (const auto& [bytes, back] : resolved) EXPECT_EQ(coding.resolve(bytes), back) << testing::PrintToString(bytes);
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
    ASSERT_FALSE(onAFile.has_value());
    EXPECT_TRUE(MapsFolder::describe(onAFile.error()).contains(home / "file")) << MapsFolder::describe(onAFile.error());
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

}  // namespace
}  // namespace velk
