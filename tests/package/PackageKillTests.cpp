// A program saving a package on the real disk is killed with SIGKILL at random moments: after
// every kill each canvas is complete, canvases never run ahead of their submaps, and the package
// reads.

#include "package/NumberedCanvas.h"
#include "package/PackageStore.h"
#include "package/PackageTestSupport.h"
#include "platform/PosixFileSystem.h"
#include "platform/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <random>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace velk {
namespace {

using testing_support::NumberedCanvas::saveOf;

const std::vector<std::string> canvases{"map/A/Deep.canvas", "map/A.canvas", "map/B.canvas", "map/C.canvas", "map.canvas"};

struct Writer {
    pid_t pid = -1;
    int started = -1;  // read end of the writer's standard output
};

Writer startWriter(const std::string& package, int last) {
    int output[2];
    EXPECT_EQ(::pipe2(output, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    const std::string lastText = std::to_string(last);
    char* argv[] = {const_cast<char*>(VELK_PACKAGE_SAVE_LOOP_PATH), const_cast<char*>(package.c_str()),
                    const_cast<char*>(lastText.c_str()), nullptr};
    Writer writer;
    EXPECT_EQ(::posix_spawn(&writer.pid, VELK_PACKAGE_SAVE_LOOP_PATH, &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    writer.started = output[0];
    char byte = 0;
    EXPECT_EQ(::read(writer.started, &byte, 1), 1);  // it is running
    return writer;
}

int waitFor(Writer& writer) {
    int status = 0;
    ::waitpid(writer.pid, &status, 0);
    ::close(writer.started);
    return status;
}

// Checks the package after a kill and returns each canvas's save number, which must not be
// lower than in `before`.
std::map<std::string, int> expectIntact(const std::string& package, const std::map<std::string, int>& before) {
    std::map<std::string, int> saves;
    if (!std::filesystem::exists(package)) {
        EXPECT_TRUE(before.empty()) << "the package disappeared";  // killed before it was first made
        return saves;
    }
    PosixFileSystem fileSystem;
    PackageStore store(fileSystem, package);
    auto contents = store.read();
    if (!contents) {
        ADD_FAILURE() << contents.error().description();
        return saves;
    }
    EXPECT_TRUE(contents->unreadable.empty());
    EXPECT_EQ(testing_support::describe(contents->tree),
              (std::vector<std::string>{"map.canvas", "map/", "map/A.canvas", "map/A/", "map/A/Deep.canvas", "map/B.canvas",
                                        "map/C.canvas", "velk-media/", "velk-media/photo.png"}));
    for (const std::string& path : canvases) {
        SCOPED_TRACE(path);
        const SharedBytes bytes = contents->tree.data(path);
        const auto save = bytes ? saveOf(*bytes) : std::nullopt;
        if (!save) {
            ADD_FAILURE() << "not a complete canvas";
            continue;
        }
        saves[path] = *save;
        if (before.contains(path)) {
            EXPECT_GE(*save, before.at(path));
        }
    }
    // A canvas is never ahead of the submaps it links.
    const std::map<std::string, std::vector<std::string>> submaps{
        {"map.canvas", {"map/A.canvas", "map/B.canvas", "map/C.canvas"}}, {"map/A.canvas", {"map/A/Deep.canvas"}}};
    for (const auto& [canvas, linked] : submaps)
        for (const std::string& submap : linked) EXPECT_LE(saves[canvas], saves[submap]) << canvas << " links " << submap;
    return saves;
}

TEST(PackageStoreKill, ASaveKilledAtAnyMomentLeavesEveryCanvasOldOrNew) {
    const testing_support::TempFolder folder("kill");
    const std::string package = folder / "Kill.velk";

    // Kills are spread over the time a few saves take here, so that they land anywhere in one,
    // whether this disk syncs in microseconds or in milliseconds.
    const auto started = std::chrono::steady_clock::now();
    Writer timing = startWriter(folder / "Timing.velk", 2);
    ASSERT_EQ(waitFor(timing), 0);
    const auto step = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started) / 3;

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::int64_t> delay(0, 3 * step.count());

    std::map<std::string, int> saves;
    for (int kill = 0; kill < 16; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        Writer writer = startWriter(package, 200);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(writer.pid, SIGKILL);
        const int status = waitFor(writer);
        EXPECT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0)) << status;
        saves = expectIntact(package, saves);
    }
    EXPECT_FALSE(saves.empty()) << "every kill came before the package was made";

    // Left alone, the writer finishes: it was making progress all along, and the media it wrote
    // once was never written again.
    struct stat photo;
    const bool hadPhoto = ::stat((package + "/velk-media/photo.png").c_str(), &photo) == 0;
    int last = 2;
    for (const auto& [path, save] : saves) last = std::max(last, save + 2);
    Writer writer = startWriter(package, last);
    const int status = waitFor(writer);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    saves = expectIntact(package, saves);
    for (const std::string& path : canvases) EXPECT_EQ(saves[path], last) << path;
    struct stat after;
    ASSERT_EQ(::stat((package + "/velk-media/photo.png").c_str(), &after), 0);
    if (hadPhoto) {
        EXPECT_EQ(after.st_ino, photo.st_ino);
    }
}

}  // namespace
}  // namespace velk
