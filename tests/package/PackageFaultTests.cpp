// Saves and creations interrupted at every step, by a failing call or by a crash that loses
// whatever was not yet durable, and a real saving process killed with SIGKILL at random moments,
// never leave a file torn, a canvas ahead of what it links, or a package that cannot be read.

#include "package/FaultyFileSystem.h"
#include "package/PackageStore.h"
#include "package/PackageTestSupport.h"
#include "platform/PosixFileSystem.h"
#include "platform/TempFolder.h"
#include "platform/TemporaryName.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace velk {
namespace {

using testing_support::FaultyFileSystem;
using testing_support::holds;
using testing_support::MemoryFileSystem;
using Crash = MemoryFileSystem::Crash;
using Content = std::optional<std::string>;

const std::string package = "/maps/Ideas.velk";

// Every canvas changes, a submap and an image arrive in new folders, a file leaves.
const std::pair<DocumentTree, DocumentTree>& oldAndNew() {
    static const auto trees = [] {
        std::pair<DocumentTree, DocumentTree> made;
        for (const char* path : {"map.canvas", "map/A.canvas", "map/A/Deep.canvas", "map/B.canvas", "velk-media/cat.png", "gone.txt"})
            made.first.write(std::string("old ") + path, path);
        made.second = made.first;
        for (const char* path : {"map.canvas", "map/A.canvas", "map/A/Deep.canvas", "map/B.canvas", "map/C/Sub.canvas",
                                 "velk-media/cat.png", "new-media/dog.png"})
            made.second.write(std::string("new ") + path, path);
        made.second.remove("gone.txt");
        return made;
    }();
    return trees;
}
const DocumentTree& newTree() { return oldAndNew().second; }

Content content(const DocumentTree& tree, const std::string& path) {
    const SharedBytes bytes = tree.data(path);
    return bytes ? Content(*bytes) : std::nullopt;
}

// Each file holds its complete old or complete new content (absent counting as content for files
// that only one side has), and a canvas that shows its new content has its submaps (the canvases
// in the folder named after it) and the new media in their new state too.
void expectOldOrNewWithLinksInPlace(const MemoryFileSystem& disk) {
    const auto& [before, after] = oldAndNew();
    std::vector<std::string> files;
    for (const DocumentTree* tree : {&before, &after})
        for (const std::string& path : testing_support::describe(*tree))
            if (!path.ends_with('/') && std::ranges::find(files, path) == files.end()) files.push_back(path);
    const auto isNew = [&](const std::string& path) {
        return content(after, path) != content(before, path) && disk.file(package + "/" + path) == content(after, path);
    };
    for (const std::string& path : files) {
        const auto now = disk.file(package + "/" + path);
        EXPECT_TRUE(now == content(before, path) || now == content(after, path)) << path << ": " << now.value_or("<absent>");
        if (!path.ends_with(".canvas") || !isNew(path)) continue;
        const std::string submaps = path.substr(0, path.size() - std::string_view(".canvas").size()) + "/";
        for (const std::string& linked : files) {
            const bool media = !linked.ends_with(".canvas") && content(after, linked);
            const bool changed = (linked.starts_with(submaps) || media) && content(after, linked) != content(before, linked);
            EXPECT_TRUE(!changed || isNew(linked)) << path << " is new before " << linked;
        }
    }
}

// A disk holding the old package and a store that has read it.
struct Rig {
    MemoryFileSystem memory;
    FaultyFileSystem faulty{memory};
    PackageStore store{faulty, package};
    Rig() {
        testing_support::seed(memory, package, oldAndNew().first);
        EXPECT_TRUE(store.read());
        faulty.heal();
    }
};

std::size_t callsOfASave() {
    Rig rig;
    EXPECT_TRUE(rig.store.save(newTree()));
    return rig.faulty.calls();
}

TEST(PackageStoreFaults, AFailureAtAnyStepOfASaveLeavesEveryFileOldOrNew) {
    for (std::size_t failing = 0, calls = callsOfASave(); failing < calls; ++failing) {
        SCOPED_TRACE("call " + std::to_string(failing));
        Rig rig;
        rig.faulty.failCall(failing);
        EXPECT_FALSE(rig.store.save(newTree()));
        expectOldOrNewWithLinksInPlace(rig.memory);
        // The same store saves again and writes exactly what is missing.
        rig.faulty.heal();
        EXPECT_TRUE(rig.store.save(newTree()));
        EXPECT_TRUE(holds(rig.memory, package, newTree()));
    }
}

TEST(PackageStoreFaults, ACrashAtAnyStepOfASaveLeavesEveryFileOldOrNew) {
    const std::size_t calls = callsOfASave();
    std::mt19937 random(7);
    for (const Crash crash : {Crash::dropUnsynced, Crash::keepSomeUnsynced}) {
        for (std::size_t dying = 0; dying <= calls; ++dying) {
            for (int run = 0; run < (crash == Crash::dropUnsynced ? 1 : 16); ++run) {
                SCOPED_TRACE("crash " + std::to_string(int(crash)) + " at call " + std::to_string(dying) + ", run " + std::to_string(run));
                Rig rig;
                rig.faulty.dieAtCall(dying);
                EXPECT_EQ(rig.store.save(newTree()).has_value(), dying == calls);
                rig.memory.crash(crash, random);
                expectOldOrNewWithLinksInPlace(rig.memory);
                EXPECT_TRUE(dying < calls || holds(rig.memory, package, newTree()));  // a save that returned is durable
                PackageStore restarted(rig.memory, package);
                auto contents = restarted.read();
                ASSERT_TRUE(contents && contents->unreadable.empty());
                EXPECT_TRUE(restarted.save(newTree()));
                EXPECT_TRUE(holds(rig.memory, package, newTree()));
            }
        }
    }
}

TEST(PackageStoreFaults, ACreationThatFailsOrCrashesLeavesAWholePackageOrNone) {
    std::mt19937 random(11);
    const auto create = [](MemoryFileSystem& memory, auto interrupt) {
        memory.addDirectory("/maps");
        FaultyFileSystem faulty(memory);
        interrupt(faulty);
        const bool created = PackageStore(faulty, package).create(newTree()).has_value();
        return std::pair(created, faulty.calls());
    };
    const auto expectWholeOrNone = [](const MemoryFileSystem& memory, bool leftoversAllowed) {
        EXPECT_TRUE(!memory.exists(package) || holds(memory, package, newTree()));
        for (const std::string& path : memory.describe("/maps")) {
            const std::string top = path.substr(0, path.find('/'));
            EXPECT_TRUE(top == "Ideas.velk" || (leftoversAllowed && TemporaryName::isTemporary(top))) << path;
        }
    };
    MemoryFileSystem counting;
    const std::size_t calls = create(counting, [](FaultyFileSystem&) {}).second;
    for (std::size_t failing = 0; failing <= calls; ++failing) {
        SCOPED_TRACE("call " + std::to_string(failing));
        MemoryFileSystem memory;
        EXPECT_EQ(create(memory, [&](FaultyFileSystem& faulty) { faulty.failCall(failing); }).first, failing == calls);
        expectWholeOrNone(memory, false);  // a failure clears up after itself
        for (const Crash crash : {Crash::dropUnsynced, Crash::keepSomeUnsynced}) {
            MemoryFileSystem crashing;
            EXPECT_EQ(create(crashing, [&](FaultyFileSystem& faulty) { faulty.dieAtCall(failing); }).first, failing == calls);
            crashing.crash(crash, random);
            expectWholeOrNone(crashing, true);
            EXPECT_TRUE(failing < calls || holds(crashing, package, newTree()));
        }
    }
}

// The save loop program, started on a package; it writes a byte once it runs.
struct Writer {
    pid_t pid = -1;
    int started = -1;  // read end of the writer's standard output

    Writer(const std::string& at, int last) {
        int output[2];
        EXPECT_EQ(::pipe2(output, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        std::string lastText = std::to_string(last), path = at;
        char* argv[] = {const_cast<char*>(VELK_PACKAGE_SAVE_LOOP_PATH), path.data(), lastText.data(), nullptr};
        EXPECT_EQ(::posix_spawn(&pid, VELK_PACKAGE_SAVE_LOOP_PATH, &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(output[1]);
        started = output[0];
        char byte = 0;
        EXPECT_EQ(::read(started, &byte, 1), 1);
    }
    int wait() {
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(started);
        return status;
    }
};

const std::vector<std::string> canvases{"map/A/Deep.canvas", "map/A.canvas", "map/B.canvas", "map/C.canvas", "map.canvas"};

// Checks the package after a kill and returns each canvas's save number, which must not be
// lower than in `before`, nor a canvas's higher than that of a submap it links.
std::map<std::string, int> expectIntact(const std::string& at, const std::map<std::string, int>& before) {
    std::map<std::string, int> saves;
    if (!std::filesystem::exists(at)) {
        EXPECT_TRUE(before.empty()) << "the package disappeared";  // killed before it was first made
        return saves;
    }
    PosixFileSystem fileSystem;
    auto contents = PackageStore(fileSystem, at).read();
    if (!contents) return ADD_FAILURE() << contents.error().description(), saves;
    EXPECT_TRUE(contents->unreadable.empty());
    EXPECT_EQ(testing_support::describe(contents->tree),
              (std::vector<std::string>{"map.canvas", "map/", "map/A.canvas", "map/A/", "map/A/Deep.canvas", "map/B.canvas",
                                        "map/C.canvas", "velk-media/", "velk-media/photo.png"}));
    for (const std::string& path : canvases) {
        const SharedBytes bytes = contents->tree.data(path);
        const auto save = bytes ? testing_support::NumberedCanvas::saveOf(*bytes) : std::nullopt;
        if (!save) ADD_FAILURE() << path << " is not a complete canvas";
        saves[path] = save.value_or(-1);
        EXPECT_GE(saves[path], before.contains(path) ? before.at(path) : -1) << path;
    }
    for (const auto& [canvas, submap] : std::initializer_list<std::pair<const char*, const char*>>{
             {"map.canvas", "map/A.canvas"}, {"map.canvas", "map/B.canvas"}, {"map.canvas", "map/C.canvas"}, {"map/A.canvas", "map/A/Deep.canvas"}})
        EXPECT_LE(saves[canvas], saves[submap]) << canvas << " links " << submap;
    return saves;
}

TEST(PackageStoreKill, ASaveKilledAtAnyMomentLeavesEveryCanvasOldOrNew) {
    const testing_support::TempFolder folder("kill");
    const std::string at = folder / "Kill.velk";
    // Kills are spread over the time a few saves take here, so that they land anywhere in one,
    // whether this disk syncs in microseconds or in milliseconds.
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(Writer(folder / "Timing.velk", 2).wait(), 0);
    const auto step = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started) / 3;
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::int64_t> delay(0, 3 * step.count());

    std::map<std::string, int> saves;
    for (int kill = 0; kill < 16; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        Writer writer(at, 200);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(writer.pid, SIGKILL);
        const int status = writer.wait();
        EXPECT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0)) << status;
        saves = expectIntact(at, saves);
    }
    EXPECT_FALSE(saves.empty()) << "every kill came before the package was made";

    // Left alone, the writer finishes: it was making progress all along, and the media it wrote
    // once was never written again.
    struct stat photo, after;
    const bool hadPhoto = ::stat((at + "/velk-media/photo.png").c_str(), &photo) == 0;
    int last = 2;
    for (const auto& [path, save] : saves) last = std::max(last, save + 2);
    const int status = Writer(at, last).wait();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    saves = expectIntact(at, saves);
    for (const std::string& path : canvases) EXPECT_EQ(saves[path], last) << path;
    ASSERT_EQ(::stat((at + "/velk-media/photo.png").c_str(), &after), 0);
    EXPECT_TRUE(!hadPhoto || after.st_ino == photo.st_ino) << "the photo was written again";
}

}  // namespace
}  // namespace velk
