#include "platform/JSONFileDefaults.h"

#include "package/FaultyFileSystem.h"
#include "package/MemoryFileSystem.h"
#include "platform/PosixFileSystem.h"
#include "platform/TempFolder.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using testing_support::FaultyFileSystem;
using testing_support::MemoryFileSystem;

const std::string file = "/home/ada/.config/velk/defaults.json";

TEST(JSONFileDefaults, FirstSettingMakesTheFolderAndWritesPrettyJSON) {
    MemoryFileSystem disk;
    disk.addDirectory("/home/ada");
    JSONFileDefaults defaults(disk, file);
    EXPECT_EQ(defaults.string("velk.tester"), std::nullopt);

    defaults.setString("velk.tester", "t-0123456789ab");
    defaults.setData("MapsFolderBookmark", "/home/ada/Documents/velk");
    EXPECT_EQ(disk.file(file), "{\n"
                               "\t\"velk.tester\": \"t-0123456789ab\",\n"
                               "\t\"MapsFolderBookmark\": \"/home/ada/Documents/velk\"\n"
                               "}\n");
}

TEST(JSONFileDefaults, EveryKindOfValueComesBackFromTheFile) {
    MemoryFileSystem disk;
    const std::string binary("\x00\xFF/x\x80", 5);
    const DefaultsDictionary copies{{"abc123", "/home/ada/Maps/Trip.velk"}, {"zz", ""}};
    {
        JSONFileDefaults defaults(disk, file);
        defaults.setString("ShareBase", "http://127.0.0.1:8080/");
        defaults.setData("utf8", "/home/ada/Dokumente/Kärten");
        defaults.setData("binary", binary);
        defaults.setDictionary("SharedCopies", copies);
    }
    JSONFileDefaults reread(disk, file);
    EXPECT_EQ(reread.string("ShareBase"), "http://127.0.0.1:8080/");
    EXPECT_EQ(reread.data("utf8"), "/home/ada/Dokumente/Kärten");
    EXPECT_EQ(reread.data("binary"), binary);
    EXPECT_EQ(reread.dictionary("SharedCopies"), copies);
    // Bytes that are not UTF-8 are kept in hex, so they read as bytes only.
    EXPECT_EQ(reread.string("binary"), std::nullopt);
    EXPECT_EQ(reread.string("utf8"), "/home/ada/Dokumente/Kärten");
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
    const std::string cases[] = {"", "{", "[\"velk.tester\"]", "\"velk.tester\"", "null", "{\"velk.tester\": \"t-1\"} x",
                                 "\xFF\xFE{}"};
    for (const auto& text : cases) {
        SCOPED_TRACE(testing::PrintToString(text));
        MemoryFileSystem disk;
        disk.addFile(file, text);
        JSONFileDefaults defaults(disk, file);
        EXPECT_EQ(defaults.string("velk.tester"), std::nullopt);
        EXPECT_EQ(disk.file(file), text);  // reading leaves it alone
        defaults.setString("velk.tester", "t-2");
        EXPECT_EQ(disk.file(file), "{\n\t\"velk.tester\": \"t-2\"\n}\n");
    }
}

TEST(JSONFileDefaults, ValuesOfTheWrongShapeReadAsAbsent) {
    struct Case {
        std::string member;
        bool string, data, dictionary;
    };
    const Case cases[] = {
        {R"("text")", true, true, false},
        {R"(12)", false, false, false},
        {R"(true)", false, false, false},
        {R"(null)", false, false, false},
        {R"(["a"])", false, false, false},
        {R"({"hex": "00ff"})", false, true, true},
        {R"({"hex": "00f"})", false, false, true},
        {R"({"hex": "zz"})", false, false, true},
        {R"({"hex": 12})", false, false, false},
        {R"({"hex": "00", "more": "x"})", false, false, true},
        {R"({"k": "v", "n": 1})", false, false, false},
        {R"({})", false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.member);
        MemoryFileSystem disk;
        disk.addFile(file, "{\"key\": " + c.member + "}");
        JSONFileDefaults defaults(disk, file);
        EXPECT_EQ(defaults.string("key").has_value(), c.string);
        EXPECT_EQ(defaults.data("key").has_value(), c.data);
        EXPECT_EQ(defaults.dictionary("key").has_value(), c.dictionary);
    }
}

TEST(JSONFileDefaults, RemovingAKeyThatIsNotThereWritesNothing) {
    MemoryFileSystem disk;
    JSONFileDefaults defaults(disk, file);
    defaults.remove("MapsFolderBookmark");
    EXPECT_FALSE(disk.exists("/home"));
}

TEST(JSONFileDefaults, AFailedWriteIsCarriedByTheNextOne) {
    MemoryFileSystem memory;
    memory.addDirectory("/home/ada/.config/velk");
    FaultyFileSystem disk(memory);
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
