#include "package/FaultyFileSystem.h"
#include "package/MemoryFileSystem.h"
#include "package/PackageStore.h"
#include "package/PackageTestSupport.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using testing_support::FaultyFileSystem;
using testing_support::MemoryFileSystem;

const std::string package = "/maps/Trip.velk";

TEST(PackageStoreKnownTree, IsWhatReachedTheDiskEvenWhenASaveStoppedHalfWay) {
    MemoryFileSystem memory;
    memory.addDirectory("/maps");
    memory.addDirectory(package);
    memory.addFile(package + "/map.canvas", "old root");
    memory.addFile(package + "/gone.txt", "to be removed");
    FaultyFileSystem faulty(memory);
    PackageStore store(faulty, package);
    ASSERT_TRUE(store.read().has_value());
    EXPECT_EQ(store.knownTree(), store.read()->tree);

    DocumentTree next;
    next.write(std::string("new root"), "map.canvas");
    next.write(std::string("new image"), "velk-media/a.png");
    // Media goes first; the root canvas write fails.
    faulty.failPath(package + "/map.canvas");
    ASSERT_FALSE(store.save(next).has_value());
    const DocumentTree known = store.knownTree();
    EXPECT_EQ(*known.data("velk-media/a.png"), "new image");
    EXPECT_EQ(*known.data("map.canvas"), "old root");
    EXPECT_EQ(*known.data("gone.txt"), "to be removed");

    faulty.heal();
    ASSERT_TRUE(store.save(next).has_value());
    EXPECT_EQ(store.knownTree(), next);
}

}  // namespace
}  // namespace velk
