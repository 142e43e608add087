#include "platform/JSONFileDefaults.h"

#include "package/FaultyFileSystem.h"
#include "package/MemoryFileSystem.h"
#include "platform/PosixFileSystem.h"
#include "platform/TempFolder.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using testing_support::MemoryFileSystem;

const std::string file = "/home/ada/.config/velk/defaults.json";

TEST(JSONFileDefaults, EveryKindOfValueComesBackFromThePrettyFileWrittenOnTheFirstSetting) {
    MemoryFileSystem disk;
    disk.addDirectory("/home/ada");
    const std::string binary("\x00\xFF/x\x80", 5);
    const DefaultsDictionary copies{{"abc123", "/home/ada/Maps/Trip.velk"}, {"zz", ""}};
    {
        JSONFileDefaults defaults(disk, file);
        EXPECT_EQ(defaults.string("velk.tester"), std::nullopt);
        defaults.remove("velk.tester");
        EXPECT_FALSE(disk.exists("/home/ada/.config")) << "removing what is not there writes nothing";
        defaults.setString("velk.tester", "t-0123456789ab");
        EXPECT_EQ(disk.file(file), "{\n\t\"velk.tester\": \"t-0123456789ab\"\n}\n");
        defaults.setData("utf8", "/home/ada/Dokumente/Kärten");
        defaults.setData("binary", binary);
        defaults.setDictionary("SharedCopies", copies);
    }
    JSONFileDefaults reread(disk, file);
    EXPECT_EQ(reread.string("velk.tester"), "t-0123456789ab");
    EXPECT_EQ(reread.data("utf8"), "/home/ada/Dokumente/Kärten");
    EXPECT_EQ(reread.string("utf8"), "/home/ada/Dokumente/Kärten");
    EXPECT_EQ(reread.data("binary"), binary);
    EXPECT_EQ(reread.string("binary"), std::nullopt) << "bytes that are not UTF-8 are kept in hex, so they read as bytes only";
    EXPECT_EQ(reread.dictionary("SharedCopies"), copies);
}

TEST(JSONFileDefaults, AChangeKeepsTheOtherMembersWhereTheyWere) {
    MemoryFileSystem disk;
    disk.addFile(file, R"({"b": "1", "a": {"k": "v"}, "c": 7})");
    JSONFileDefaults defaults(disk, file);
    defaults.setString("b", "2");
    defaults.remove("a");
    defaults.setString("d", "4");
    EXPECT_EQ(disk.file(file), "{\n\t\"b\": \"2\",\n\t\"c\": 7,\n\t\"d\": \"4\"\n}\n");
}

TEST(JSONFileDefaults, AnUnreadableFileReadsAsEmptyAndIsReplacedOnTheNextChange) {
    for (const std::string text : {"", "{", "[\"velk.tester\"]", "null", "{\"velk.tester\": \"t-1\"} x", "\xFF\xFE{}"}) {
        MemoryFileSystem disk;
        disk.addFile(file, text);
        JSONFileDefaults defaults(disk, file);
        EXPECT_EQ(defaults.string("velk.tester"), std::nullopt) << testing::PrintToString(text);
        EXPECT_EQ(disk.file(file), text) << "reading leaves it alone";
        defaults.setString("velk.tester", "t-2");
        EXPECT_EQ(disk.file(file), "{\n\t\"velk.tester\": \"t-2\"\n}\n") << testing::PrintToString(text);
    }
}

// Each member read as a string, as data and as a dictionary: which of them it is.
TEST(JSONFileDefaults, ValuesOfTheWrongShapeReadAsAbsent) {
    const std::pair<std::string, std::string> cases[] = {
        {R"("text")", "string data"}, {"12", ""}, {"true", ""}, {"null", ""}, {R"(["a"])", ""}, {R"({"hex": "00ff"})", "data dictionary"},
        {R"({"hex": "00f"})", "dictionary"}, {R"({"hex": "zz"})", "dictionary"}, {R"({"hex": 12})", ""},
        {R"({"hex": "00", "more": "x"})", "dictionary"}, {R"({"k": "v", "n": 1})", ""}, {"{}", "dictionary"},
    };
    for (const auto& [member, shapes] : cases) {
        MemoryFileSystem disk;
        disk.addFile(file, "{\"key\": " + member + "}");
        JSONFileDefaults defaults(disk, file);
        std::string found = defaults.string("key") ? "string " : "";
        found += std::string(defaults.data("key") ? "data " : "") + (defaults.dictionary("key") ? "dictionary" : "");
        if (found.ends_with(' ')) found.pop_back();
        EXPECT_EQ(found, shapes) << member;
    }
}

TEST(JSONFileDefaults, AFailedWriteIsCarriedByTheNextOne) {
    MemoryFileSystem memory;
    memory.addDirectory("/home/ada/.config/velk");
    testing_support::FaultyFileSystem disk(memory);
    JSONFileDefaults defaults(disk, file);
    disk.failPath(file);
    defaults.setString("velk.tester", "t-4");
    EXPECT_EQ(defaults.string("velk.tester"), "t-4");
    EXPECT_FALSE(memory.exists(file));
    disk.heal();
    defaults.setString("ShareBase", "https://x.example/");
    EXPECT_EQ(memory.file(file), "{\n\t\"velk.tester\": \"t-4\",\n\t\"ShareBase\": \"https://x.example/\"\n}\n");
    EXPECT_EQ(disk.log().back(), "sync /home/ada/.config/velk");
}

TEST(JSONFileDefaults, OnDiskTheConfigurationFoldersAreMadeOnTheWay) {
    testing_support::TempFolder home("defaults");
    PosixFileSystem disk;
    const std::string onDisk = home / ".config/velk/defaults.json";
    JSONFileDefaults(disk, onDisk).setData("MapsFolderBookmark", "/srv/maps");
    EXPECT_EQ(testing_support::contentOf(onDisk), "{\n\t\"MapsFolderBookmark\": \"/srv/maps\"\n}\n");
    EXPECT_EQ(JSONFileDefaults(disk, onDisk).data("MapsFolderBookmark"), "/srv/maps");
}

}  // namespace
}  // namespace velk
