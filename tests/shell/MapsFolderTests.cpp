#include "shell/MapsFolder.h"

#include "platform/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace velk {
namespace {

using MapsFolder::Ask;
using MapsFolder::Folder;
using MapsFolder::Reason;

const std::string trash = "/home/ada/.local/share/Trash";

class RecordingStore final : public BookmarkStore {
public:
    explicit RecordingStore(std::optional<std::string> bytes) : m_bytes(std::move(bytes)) {}
    std::optional<std::string> mapsFolderBookmark() override {
        ++reads;
        return m_bytes;
    }
    void setMapsFolderBookmark(std::optional<std::string_view> bytes) override {
        ++writes;
        m_bytes = bytes ? std::optional<std::string>(*bytes) : std::nullopt;
    }
    [[nodiscard]] const std::optional<std::string>& bytes() const { return m_bytes; }
    int reads = 0;
    int writes = 0;

private:
    std::optional<std::string> m_bytes;
};

// "fresh:<path>" and "stale:<path>" resolve to the path; anything else fails. Bookmarks of the
// folders in `unbookmarkable` cannot be made.
class ScriptedCoding final : public BookmarkCoding {
public:
    std::set<std::string> unbookmarkable;
    Expected<std::string, BookmarkError> bookmark(const std::string& folder) override {
        if (unbookmarkable.contains(folder)) return Unexpected<BookmarkError>(BookmarkError(BookmarkError::NotAbsolute{folder}));
        return "fresh:" + folder;
    }
    Expected<ResolvedBookmark, BookmarkError> resolve(std::string_view bytes) override {
        for (const std::string_view prefix : {"fresh:", "stale:"})
            if (bytes.starts_with(prefix))
                return ResolvedBookmark{std::string(bytes.substr(prefix.size())), prefix == "stale:"};
        return Unexpected<BookmarkError>(BookmarkError(BookmarkError::Unreadable{}));
    }
};

const std::set<std::string> folders = {"/home/ada/Maps", "/home/ada/.local/share/Trash/files/Maps",
                                       "/media/ada/usb/.Trash-1000/files/Maps", "/home/ada/Stale", "/home/ada/Stuck"};
bool fakeIsDirectory(const std::string& path) { return folders.contains(path); }

TEST(MapsFolderResolve, FromTheStoredBookmark) {
    struct Case {
        std::optional<std::string> stored;
        MapsFolder::Resolution resolution;
        std::optional<std::string> storedAfter;
    };
    const Case cases[] = {
        {std::nullopt, Ask{Reason::neverChosen}, std::nullopt},
        {"fresh:/home/ada/Maps", Folder{"/home/ada/Maps"}, "fresh:/home/ada/Maps"},
        {"garbage", Ask{Reason::gone}, "garbage"},
        {"", Ask{Reason::gone}, ""},
        {"fresh:/home/ada/Deleted", Ask{Reason::gone}, "fresh:/home/ada/Deleted"},
        {"fresh:/home/ada/.local/share/Trash/files/Maps", Ask{Reason::gone}, "fresh:/home/ada/.local/share/Trash/files/Maps"},
        {"fresh:/media/ada/usb/.Trash-1000/files/Maps", Ask{Reason::gone}, "fresh:/media/ada/usb/.Trash-1000/files/Maps"},
        {"stale:/home/ada/Stale", Folder{"/home/ada/Stale"}, "fresh:/home/ada/Stale"},
        {"stale:/home/ada/Stuck", Folder{"/home/ada/Stuck"}, "stale:/home/ada/Stuck"},  // cannot be renewed
        {"stale:/home/ada/Deleted", Ask{Reason::gone}, "stale:/home/ada/Deleted"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.stored));
        RecordingStore store(c.stored);
        ScriptedCoding coding;
        coding.unbookmarkable = {"/home/ada/Stuck"};
        EXPECT_EQ(MapsFolder::resolve(store, coding, trash, fakeIsDirectory), c.resolution);
        EXPECT_EQ(store.bytes(), c.storedAfter);
        EXPECT_EQ(store.writes, c.storedAfter == std::optional<std::string>("fresh:/home/ada/Stale") ? 1 : 0);
    }
}

TEST(MapsFolderRemember, StoresTheBookmarkOrNothing) {
    RecordingStore store("fresh:/home/ada/Old");
    ScriptedCoding coding;
    coding.unbookmarkable = {"relative"};
    EXPECT_TRUE(MapsFolder::remember("/home/ada/Maps", store, coding).has_value());
    EXPECT_EQ(store.bytes(), "fresh:/home/ada/Maps");

    const auto failed = MapsFolder::remember("relative", store, coding);
    ASSERT_FALSE(failed.has_value());
    EXPECT_EQ(failed.error(), BookmarkError(BookmarkError::NotAbsolute{"relative"}));
    EXPECT_EQ(store.bytes(), "fresh:/home/ada/Maps");
}

TEST(MapsFolderForNewMap, ASetOverrideIsUsedWithoutTouchingTheBookmark) {
    struct Case {
        std::optional<std::string> setting;
        MapsFolder::Resolution resolution;
        int reads;
    };
    const Case cases[] = {
        {"/does/not/exist", Folder{"/does/not/exist"}, 0},
        {"relative/maps", Folder{"relative/maps"}, 0},
        {"", Folder{"/home/ada/Maps"}, 1},
        {std::nullopt, Folder{"/home/ada/Maps"}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.setting));
        RecordingStore store("fresh:/home/ada/Maps");
        ScriptedCoding coding;
        const std::optional<std::string_view> setting = c.setting ? std::optional<std::string_view>(*c.setting) : std::nullopt;
        EXPECT_EQ(MapsFolder::forNewMap(setting, store, coding, trash, fakeIsDirectory), c.resolution);
        EXPECT_EQ(store.reads, c.reads);
        EXPECT_EQ(store.writes, 0);
    }
}

TEST(MapsFolderChoice, DocumentsItselfMeansItsVelkFolder) {
    const std::string documents = "/home/ada/Documents";
    struct Case {
        std::string choice, folder;
    };
    const Case cases[] = {
        {"/home/ada/Documents", "/home/ada/Documents/velk"},
        {"/home/ada/Documents/", "/home/ada/Documents/velk"},
        {"/home/ada//Documents/.", "/home/ada/Documents/velk"},
        {"/home/ada/Desktop/../Documents", "/home/ada/Documents/velk"},
        {"/home/ada/Documents/velk", "/home/ada/Documents/velk"},
        {"/home/ada/Documents/Maps", "/home/ada/Documents/Maps"},
        {"/home/ada/documents", "/home/ada/documents"},
        {"/home/ada", "/home/ada"},
        {"/home/ada/Maps/", "/home/ada/Maps/"},  // any other choice is kept as it came
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.choice);
        EXPECT_EQ(MapsFolder::folder(c.choice, documents), c.folder);
    }
}

TEST(MapsFolderPaths, StandardizedBySpelling) {
    struct Case {
        std::string path, standardized;
    };
    const Case cases[] = {
        {"/", "/"},
        {"//", "/"},
        {"/a/b/", "/a/b"},
        {"/a//b", "/a/b"},
        {"/a/./b/.", "/a/b"},
        {"/a/b/../c", "/a/c"},
        {"/../a", "/a"},
        {"/a/../..", "/"},
        {"a/../../b", "../b"},
        {"./a", "a"},
        {".", "."},
        {"", "."},
        {"/a/.Trash/b", "/a/.Trash/b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(MapsFolder::standardized(c.path), c.standardized);
    }
}

TEST(MapsFolderPaths, InTheTrash) {
    struct Case {
        std::string path;
        bool inTrash;
    };
    const Case cases[] = {
        {"/home/ada/.local/share/Trash/files/Maps", true},
        {"/home/ada/.local/share/Trash", true},
        {"/home/ada/.local/share/Trash/", true},
        {"/home/ada/.local/share/Trash/../Maps", false},
        {"/home/ada/.local/share/Trashcan/Maps", false},
        {"/home/ada/.local/share/./Trash/files/x", true},
        {"/media/ada/usb/.Trash/1000/files/Maps", true},
        {"/media/ada/usb/.Trash-1000/files/Maps", true},
        {"/media/ada/usb/.Trash-1000", true},
        {"/media/ada/usb/.Trash-/Maps", false},
        {"/media/ada/usb/.Trash-x/Maps", false},
        {"/home/ada/.Trashy/Maps", false},
        {"/home/ada/Trash/Maps", false},  // an ordinary folder that happens to be called Trash
        {"/home/ada/.trash/Maps", false},
        {"/home/ada/Maps", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(MapsFolder::isInTrash(c.path, trash), c.inTrash);
    }
    EXPECT_FALSE(MapsFolder::isInTrash("/home/ada/Maps", ""));
    EXPECT_TRUE(MapsFolder::isInTrash("/data/ada/Trash/files/Maps", "/data/ada/Trash/"));
}

TEST(MapsFolderPaths, TheUsersFolders) {
    struct Case {
        MapsFolder::UserFolders given;
        std::string home, documents, trash;
    };
    const Case cases[] = {
        {{"/home/ada", "/elsewhere", std::nullopt, std::nullopt}, "/home/ada", "/home/ada/Documents", "/home/ada/.local/share/Trash"},
        {{std::nullopt, "/home/bo", std::nullopt, std::nullopt}, "/home/bo", "/home/bo/Documents", "/home/bo/.local/share/Trash"},
        {{"", "/home/bo", std::nullopt, ""}, "/home/bo", "/home/bo/Documents", "/home/bo/.local/share/Trash"},
        {{std::nullopt, std::nullopt, std::nullopt, std::nullopt}, "/", "/Documents", "/.local/share/Trash"},
        {{"/home/ada", std::nullopt, "/home/ada/Dokumente", "/srv/data"}, "/home/ada", "/home/ada/Dokumente", "/srv/data/Trash"},
        {{"/home/ada", std::nullopt, "/home/ada/", "relative"}, "/home/ada", "/home/ada/Documents", "/home/ada/.local/share/Trash"},
        {{"/home/ada", std::nullopt, "Dokumente", std::nullopt}, "/home/ada", "/home/ada/Documents", "/home/ada/.local/share/Trash"},
        {{"/home/ada/", std::nullopt, std::nullopt, "/srv/data/"}, "/home/ada/", "/home/ada/Documents", "/srv/data/Trash"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.given.databaseHome) + " " + testing::PrintToString(c.given.environmentHome) +
                     " " + testing::PrintToString(c.given.documentsSetting) + " " + testing::PrintToString(c.given.dataHome));
        EXPECT_EQ(MapsFolder::home(c.given), c.home);
        EXPECT_EQ(MapsFolder::realDocuments(c.given), c.documents);
        EXPECT_EQ(MapsFolder::homeTrash(c.given), c.trash);
    }
}

TEST(MapsFolderChooser, StartsInDocumentsVelkWhenItExists) {
    EXPECT_EQ(MapsFolder::chooserStart("/home/ada/Documents", [](const std::string& path) { return path == "/home/ada/Documents/velk"; }),
              "/home/ada/Documents/velk");
    EXPECT_EQ(MapsFolder::chooserStart("/home/ada/Documents", [](const std::string&) { return false; }), "/home/ada/Documents");
}

TEST(MapsFolderChooser, AsksInWordsThatFitTheReason) {
    EXPECT_EQ(MapsFolder::chooserButton, "Keep Maps Here");
    EXPECT_EQ(MapsFolder::chooserMessage(std::nullopt),
              "Where should velk keep new maps? Maps you already have stay where they are.");
    EXPECT_EQ(MapsFolder::chooserMessage(Reason::neverChosen),
              "Where should velk keep your maps? New maps are saved in this folder. Choose Documents to keep them in "
              "Documents \u203A velk.");
    EXPECT_EQ(MapsFolder::chooserMessage(Reason::gone), "The folder velk kept your maps in is gone. Where should new maps go?");
}

TEST(MapsFolderDisk, IsDirectoryFollowsLinksToFolders) {
    testing_support::TempFolder temp("mapsfolder");
    std::filesystem::create_directory(temp / "folder");
    testing_support::put(temp / "file", "x");
    std::filesystem::create_directory_symlink(temp / "folder", temp / "link");
    std::filesystem::create_symlink(temp / "missing", temp / "dangling");
    struct Case {
        std::string path;
        bool directory;
    };
    const Case cases[] = {
        {temp.path(), true},       {temp / "folder", true},   {temp / "folder/", true}, {temp / "link", true},
        {temp / "file", false},    {temp / "missing", false}, {temp / "dangling", false}, {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(MapsFolder::isDirectory(c.path), c.directory);
    }
}

}  // namespace
}  // namespace velk
