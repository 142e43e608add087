// Saves and creations interrupted at every step, by a failing call or by a crash that loses
// whatever was not yet durable, never leave a file torn, a canvas ahead of what it links, or a
// package that cannot be read.

#include "package/PackageStore.h"

#include "package/FaultyFileSystem.h"
#include "package/MemoryFileSystem.h"
#include "package/PackageTestSupport.h"
#include "platform/TemporaryName.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using testing_support::describe;
using testing_support::FaultyFileSystem;
using testing_support::holds;
using testing_support::MemoryFileSystem;
using Crash = MemoryFileSystem::Crash;

const std::string package = "/maps/Ideas.velk";

const DocumentTree& oldTree() {
    static const DocumentTree tree = [] {
        DocumentTree made;
        for (const char* path : {"map.canvas", "map/A.canvas", "map/A/Deep.canvas", "map/B.canvas", "velk-media/cat.png", "gone.txt"})
            made.write(std::string("old ") + path, path);
        return made;
    }();
    return tree;
}

// Every canvas changes, a submap and an image arrive in new folders, a file leaves.
const DocumentTree& newTree() {
    static const DocumentTree tree = [] {
        DocumentTree made = oldTree();
        for (const char* path : {"map.canvas", "map/A.canvas", "map/A/Deep.canvas", "map/B.canvas", "map/C/Sub.canvas",
                                 "velk-media/cat.png", "new-media/dog.png"})
            made.write(std::string("new ") + path, path);
        made.remove("gone.txt");
        return made;
    }();
    return tree;
}

const std::vector<std::string>& allFiles() {
    static const std::vector<std::string> files = [] {
        std::vector<std::string> found;
        for (const DocumentTree* tree : {&oldTree(), &newTree()})
            for (const std::string& path : describe(*tree))
                if (!path.ends_with('/') && std::find(found.begin(), found.end(), path) == found.end()) found.push_back(path);
        return found;
    }();
    return files;
}

std::optional<std::string> content(const DocumentTree& tree, const std::string& path) {
    const SharedBytes bytes = tree.data(path);
    return bytes ? std::optional<std::string>(*bytes) : std::nullopt;
}

bool isNew(const MemoryFileSystem& disk, const std::string& folder, const std::string& path) {
    return content(newTree(), path) != content(oldTree(), path) && disk.file(folder + "/" + path) == content(newTree(), path);
}

// Each file holds its complete old or complete new content (absent counting as content for files
// that only one side has), and a canvas that shows its new content has its submaps (the canvases
// in the folder named after it) and the new media in their new state too.
void expectOldOrNewWithLinksInPlace(const MemoryFileSystem& disk, const std::string& folder) {
    const auto files = allFiles();
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        const auto now = disk.file(folder + "/" + path);
        EXPECT_TRUE(now == content(oldTree(), path) || now == content(newTree(), path)) << now.value_or("<absent>");
        if (!path.ends_with(".canvas") || !isNew(disk, folder, path)) continue;
        const std::string submaps = path.substr(0, path.size() - std::string_view(".canvas").size()) + "/";
        for (const std::string& linked : files) {
            const bool media = !linked.ends_with(".canvas") && content(newTree(), linked);
            if ((linked.starts_with(submaps) || media) && content(newTree(), linked) != content(oldTree(), linked)) {
                EXPECT_TRUE(isNew(disk, folder, linked)) << linked;
            }
        }
    }
}

std::size_t callsOfASave() {
    MemoryFileSystem memory;
    testing_support::seed(memory, package, oldTree());
    FaultyFileSystem faulty(memory);
    PackageStore store(faulty, package);
    (void)store.read();
    faulty.heal();
    EXPECT_TRUE(store.save(newTree()));
    return faulty.calls();
}

std::size_t callsOfACreate() {
    MemoryFileSystem memory;
    memory.addDirectory("/maps");
    FaultyFileSystem faulty(memory);
    PackageStore store(faulty, package);
    EXPECT_TRUE(store.create(newTree()));
    return faulty.calls();
}

TEST(PackageStoreFaults, AFailureAtAnyStepOfASaveLeavesEveryFileOldOrNew) {
    const std::size_t calls = callsOfASave();
    for (std::size_t failing = 0; failing < calls; ++failing) {
        SCOPED_TRACE("call " + std::to_string(failing));
        MemoryFileSystem memory;
        testing_support::seed(memory, package, oldTree());
        FaultyFileSystem faulty(memory);
        PackageStore store(faulty, package);
        ASSERT_TRUE(store.read());
        faulty.heal();
        faulty.failCall(failing);
        EXPECT_FALSE(store.save(newTree()));
        expectOldOrNewWithLinksInPlace(memory, package);
        // The same store saves again and writes exactly what is missing.
        faulty.heal();
        EXPECT_TRUE(store.save(newTree()));
        EXPECT_TRUE(holds(memory, package, newTree()));
    }
}

TEST(PackageStoreFaults, ACrashAtAnyStepOfASaveLeavesEveryFileOldOrNew) {
    const std::size_t calls = callsOfASave();
    std::mt19937 random(7);
    for (const Crash crash : {Crash::dropUnsynced, Crash::keepSomeUnsynced}) {
        for (std::size_t dying = 0; dying <= calls; ++dying) {
            for (int run = 0; run < (crash == Crash::dropUnsynced ? 1 : 16); ++run) {
                SCOPED_TRACE("crash " + std::to_string(static_cast<int>(crash)) + " at call " + std::to_string(dying) +
                             ", run " + std::to_string(run));
                MemoryFileSystem memory;
                testing_support::seed(memory, package, oldTree());
                FaultyFileSystem faulty(memory);
                PackageStore store(faulty, package);
                ASSERT_TRUE(store.read());
                faulty.heal();
                faulty.dieAtCall(dying);
                EXPECT_EQ(store.save(newTree()).has_value(), dying == calls);
                memory.crash(crash, random);
                expectOldOrNewWithLinksInPlace(memory, package);
                if (dying == calls) {
                    EXPECT_TRUE(holds(memory, package, newTree()));  // a save that returned is durable
                }

                PackageStore restarted(memory, package);
                auto contents = restarted.read();
                ASSERT_TRUE(contents);
                EXPECT_TRUE(contents->unreadable.empty());
                EXPECT_TRUE(restarted.save(newTree()));
                EXPECT_TRUE(holds(memory, package, newTree()));
            }
        }
    }
}

TEST(PackageStoreFaults, ACreationThatFailsOrCrashesLeavesAWholePackageOrNone) {
    const std::size_t calls = callsOfACreate();
    std::mt19937 random(11);
    const auto expectWholeOrNone = [](const MemoryFileSystem& memory, bool leftoversAllowed) {
        if (memory.exists(package)) {
            EXPECT_TRUE(holds(memory, package, newTree()));
        }
        for (const std::string& path : memory.describe("/maps")) {
            const std::string top = path.substr(0, path.find('/'));
            if (top != "Ideas.velk") {
                EXPECT_TRUE(leftoversAllowed && TemporaryName::isTemporary(top)) << path;
            }
        }
    };
    for (std::size_t failing = 0; failing <= calls; ++failing) {
        SCOPED_TRACE("call " + std::to_string(failing));
        MemoryFileSystem memory;
        memory.addDirectory("/maps");
        FaultyFileSystem faulty(memory);
        PackageStore store(faulty, package);
        faulty.failCall(failing);
        EXPECT_EQ(store.create(newTree()).has_value(), failing == calls);
        expectWholeOrNone(memory, false);  // a failure clears up after itself
        for (const Crash crash : {Crash::dropUnsynced, Crash::keepSomeUnsynced}) {
            MemoryFileSystem crashing;
            crashing.addDirectory("/maps");
            FaultyFileSystem dying(crashing);
            PackageStore interrupted(dying, package);
            dying.dieAtCall(failing);
            EXPECT_EQ(interrupted.create(newTree()).has_value(), failing == calls);
            crashing.crash(crash, random);
            expectWholeOrNone(crashing, true);
            if (failing == calls) {
                EXPECT_TRUE(holds(crashing, package, newTree()));
            }
        }
    }
}

}  // namespace
}  // namespace velk
