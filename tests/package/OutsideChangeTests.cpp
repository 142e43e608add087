#include "package/OutsideChange.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using OutsideChange::Verdict;

DocumentTree tree(std::initializer_list<std::pair<const char*, const char*>> files) {
    DocumentTree result;
    for (const auto& [path, bytes] : files) result.write(std::string(bytes), path);
    return result;
}

TEST(OutsideChange, JudgesTheDiskAgainstWhatVelkWroteAndWhatItHolds) {
    struct Case {
        const char* what;
        DocumentTree onDisk, written, held;
        bool unsaved;
        Verdict verdict;
    };
    const auto a = tree({{"map.canvas", "A"}, {"note.txt", "n"}});
    const auto b = tree({{"map.canvas", "B"}, {"note.txt", "n"}});
    const Case cases[] = {
        {"velk's own write, read back", tree({{"map.canvas", "A"}, {"note.txt", "n"}}), a, a, false, Verdict::none},
        {"an edit not written yet", a, a, b, true, Verdict::none},
        {"velk's pending version written by someone", b, a, b, true, Verdict::none},
        {"a save cut short: one file new, one old", tree({{"map.canvas", "B"}, {"note.txt", "n"}, {"x.png", "X"}}),
         tree({{"map.canvas", "A"}, {"note.txt", "n"}, {"x.png", "X"}}), b, true, Verdict::none},
        {"a changed file", tree({{"map.canvas", "C"}, {"note.txt", "n"}}), a, a, false, Verdict::take},
        {"an added file", tree({{"map.canvas", "A"}, {"note.txt", "n"}, {"more", "m"}}), a, a, false, Verdict::take},
        {"a removed file", tree({{"map.canvas", "A"}}), a, a, false, Verdict::take},
        {"an emptied file", tree({{"map.canvas", ""}, {"note.txt", "n"}}), a, a, false, Verdict::take},
        {"velk's last write undone", a, b, b, false, Verdict::take},
        {"a change while velk holds edits", tree({{"map.canvas", "C"}, {"note.txt", "n"}}), a, b, true,
         Verdict::conflict},
        {"a file velk did not edit, while it holds edits", tree({{"map.canvas", "A"}, {"note.txt", "x"}}), a, b, true,
         Verdict::conflict},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OutsideChange::judge(c.onDisk, c.written, c.held, c.unsaved), c.verdict) << c.what;
    }
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
