#include "package/OutsideChange.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using OutsideChange::judge;
using OutsideChange::Verdict;

DocumentTree tree(std::initializer_list<std::pair<const char*, const char*>> files) {
    DocumentTree result;
    for (const auto& [path, bytes] : files) result.write(std::string(bytes), path);
    return result;
}

TEST(OutsideChange, WhatVelkWroteIsNoChange) {
    auto written = tree({{"map.canvas", "A"}, {"map/Ideas.canvas", "I"}});
    EXPECT_EQ(judge(written, written, written, false), Verdict::none);
    // Equal bytes read back from disk, not the same storage.
    EXPECT_EQ(judge(tree({{"map.canvas", "A"}, {"map/Ideas.canvas", "I"}}), written, written, false), Verdict::none);
}

TEST(OutsideChange, AnEditNotYetWrittenIsNoChange) {
    auto written = tree({{"map.canvas", "A"}});
    auto held = tree({{"map.canvas", "B"}});
    EXPECT_EQ(judge(written, written, held, true), Verdict::none);
    // Nor is a disk that already has velk's pending version (another program wrote the same).
    EXPECT_EQ(judge(held, written, held, true), Verdict::none);
}

TEST(OutsideChange, ASaveCutShortHalfWayIsVelksOwn) {
    auto written = tree({{"map.canvas", "A"}, {"map/Ideas.canvas", "I"}, {"old.png", "O"}});
    auto held = tree({{"map.canvas", "A2"}, {"map/Ideas.canvas", "I2"}, {"new.png", "N"}});
    // The new image and one canvas reached the disk, the rest did not.
    auto onDisk = tree({{"map.canvas", "A"}, {"map/Ideas.canvas", "I2"}, {"old.png", "O"}, {"new.png", "N"}});
    EXPECT_EQ(judge(onDisk, written, held, true), Verdict::none);
}

TEST(OutsideChange, ChangedAddedOrRemovedFilesFromOutside) {
    auto written = tree({{"map.canvas", "A"}, {"note.txt", "n"}});
    EXPECT_EQ(judge(tree({{"map.canvas", "X"}, {"note.txt", "n"}}), written, written, false), Verdict::take);
    EXPECT_EQ(judge(tree({{"map.canvas", "A"}, {"note.txt", "n"}, {"more.txt", "m"}}), written, written, false),
              Verdict::take);
    EXPECT_EQ(judge(tree({{"map.canvas", "A"}}), written, written, false), Verdict::take);
    // An empty file is content too.
    EXPECT_EQ(judge(tree({{"map.canvas", ""}, {"note.txt", "n"}}), written, written, false), Verdict::take);
}

TEST(OutsideChange, AnOutsideChangeWhileVelkHoldsUnsavedEditsIsAConflict) {
    auto written = tree({{"map.canvas", "A"}, {"note.txt", "n"}});
    auto held = tree({{"map.canvas", "B"}, {"note.txt", "n"}});
    EXPECT_EQ(judge(tree({{"map.canvas", "C"}, {"note.txt", "n"}}), written, held, true), Verdict::conflict);
    // Even when the other program touched a file velk did not edit.
    EXPECT_EQ(judge(tree({{"map.canvas", "A"}, {"note.txt", "changed"}}), written, held, true), Verdict::conflict);
}

TEST(OutsideChange, ARevertOfVelksLastWriteIsAChange) {
    // velk wrote B over A; another program puts A back.
    auto written = tree({{"map.canvas", "B"}});
    EXPECT_EQ(judge(tree({{"map.canvas", "A"}}), written, written, false), Verdict::take);
}

TEST(OutsideChange, EmptyFoldersAloneAreNoChange) {
    auto written = tree({{"map.canvas", "A"}});
    auto onDisk = written;
    onDisk.write("x", "empty/x");
    onDisk.remove("empty/x");
    EXPECT_EQ(judge(onDisk, written, written, false), Verdict::none);
}

TEST(OutsideChange, TheQuickCheckOfNamedFiles) {
    auto written = tree({{"map.canvas", "A"}, {"map/Ideas.canvas", "I"}});
    auto held = tree({{"map.canvas", "B"}, {"map/Ideas.canvas", "I"}});
    // Only the named paths need to be on the disk tree.
    EXPECT_TRUE(OutsideChange::ownWritesAt({"map.canvas"}, tree({{"map.canvas", "B"}}), written, held));
    EXPECT_TRUE(OutsideChange::ownWritesAt({"map.canvas"}, tree({{"map.canvas", "A"}}), written, held));
    EXPECT_FALSE(OutsideChange::ownWritesAt({"map.canvas"}, tree({{"map.canvas", "C"}}), written, held));
    // Gone from disk while velk has it, or new on disk while velk has none.
    EXPECT_FALSE(OutsideChange::ownWritesAt({"map.canvas"}, tree({}), written, held));
    EXPECT_FALSE(OutsideChange::ownWritesAt({"extra.txt"}, tree({{"extra.txt", "x"}}), written, held));
    EXPECT_TRUE(OutsideChange::ownWritesAt({"never.txt"}, tree({}), written, held));
    // A folder velk knows is never settled by the quick check, nor the package root.
    EXPECT_FALSE(OutsideChange::ownWritesAt({"map"}, tree({}), written, held));
    EXPECT_FALSE(OutsideChange::ownWritesAt({""}, written, written, held));
}

TEST(OutsideChange, FilesAboutToChangeAreTheWrittenTheNewAndTheRemoved) {
    auto written = tree({{"map.canvas", "A"}, {"map/Old.canvas", "O"}, {"same.png", "S"}});
    auto held = tree({{"map.canvas", "B"}, {"map/New.canvas", "N"}, {"same.png", "S"}});
    EXPECT_EQ(OutsideChange::filesAboutToChange(written, held),
              (std::vector<std::string>{"map.canvas", "map/New.canvas", "map/Old.canvas"}));
    EXPECT_TRUE(OutsideChange::filesAboutToChange(held, held).empty());
}

}  // namespace
}  // namespace velk
