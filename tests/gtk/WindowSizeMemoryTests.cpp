#include "app/WindowSizeMemory.h"

#include "platform/JSONFileDefaults.h"
#include "platform/PosixFileSystem.h"
#include "platform/TempFolder.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using testing_support::TempFolder;
using Opening = WindowSizeMemory::Opening;

constexpr WindowSize fallback{1200, 800};

struct MemoryRig {
    TempFolder folder{"window_size"};
    PosixFileSystem disk;
    JSONFileDefaults defaults{disk, folder / "velk/defaults.json"};
    WindowSizeMemory memory{defaults};
};

TEST(WindowSizeMemory, TheFirstWindowTakesTheRememberedSizeOthersTheDefault) {
    MemoryRig rig;
    rig.defaults.setString(WindowSizeMemory::key, "900 700");
    const Opening first = rig.memory.open();
    EXPECT_EQ(first, (Opening{{900, 700}, true, true}));
    const Opening second = rig.memory.open();
    EXPECT_EQ(second, (Opening{fallback, false, false}));

    // Only the holder writes; once it closed, the next window holds the memory again.
    rig.memory.close(second, WindowSize{1000, 600});
    EXPECT_EQ(rig.defaults.string(WindowSizeMemory::key), "900 700");
    rig.memory.close(first, WindowSize{1024, 768});
    EXPECT_EQ(rig.defaults.string(WindowSizeMemory::key), "1024 768");
    EXPECT_EQ(rig.memory.open(), (Opening{{1024, 768}, true, true}));
}

TEST(WindowSizeMemory, CollapsedDamagedOrMissingSizesGiveTheDefault) {
    struct Case {
        std::optional<std::string> stored;
        bool restored;
    };
    const Case cases[] = {
        {std::nullopt, false}, {"480 320", false}, {"480 900", false}, {"900 320", false},
        {"481 321", true},     {"", false},        {"900", false},     {"900 700 5", false},
        {"-900 700", false},   {"0 700", false},   {"99999 700", false}, {"9x7", false},
        {"wide tall", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.value_or("(none)"));
        MemoryRig rig;
        if (c.stored) rig.defaults.setString(WindowSizeMemory::key, *c.stored);
        const Opening opening = rig.memory.open();
        EXPECT_TRUE(opening.holdsMemory);
        EXPECT_EQ(opening.restored, c.restored);
        if (!c.restored) {
            EXPECT_EQ(opening.size, fallback);
        }
    }
}

TEST(WindowSizeMemory, AWindowClosingWithoutASizeKeepsTheOldOne) {
    MemoryRig rig;
    rig.defaults.setString(WindowSizeMemory::key, "900 700");
    rig.memory.close(rig.memory.open(), std::nullopt);
    EXPECT_EQ(rig.defaults.string(WindowSizeMemory::key), "900 700");
    EXPECT_TRUE(rig.memory.open().holdsMemory);
}

}  // namespace
}  // namespace velk
