// velk-cli state, apply and media add on real package folders.

#include "cli/CLIRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace velk {
namespace {

using testing_support::CLIRun;
using testing_support::runCLI;
namespace fs = std::filesystem;

class PackageCommand : public testing::Test {
protected:
    void SetUp() override {
        m_folder = fs::path(testing::TempDir()) / ("velk_cli_package_" + std::to_string(getpid()) + "_" +
                                                   testing::UnitTest::GetInstance()->current_test_info()->name() + ".velk");
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
        put("map.canvas", R"({"nodes":[{"id":"a","type":"text","text":"Trip ideas!"}],"edges":[]})");
    }
    void TearDown() override { fs::remove_all(m_folder); }

    void put(const std::string& path, const std::string& bytes) { std::ofstream(m_folder / path, std::ios::binary) << bytes; }
    std::string get(const std::string& path) {
        std::ifstream file(m_folder / path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }
    std::string folder() const { return "'" + m_folder.string() + "'"; }

    fs::path m_folder;
};

TEST_F(PackageCommand, StatePrintsWhatTheEditorReceives) {
    const CLIRun run = runCLI("state --compact " + folder(), "");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, R"({"maps":[{"path":"/","canvas":{"nodes":[{"id":"a","type":"text","text":"Trip ideas!"}],"edges":[]},"sidecar":{}}]})");
    put("map.canvas", "[]");
    const CLIRun broken = runCLI("state " + folder(), "");
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.err, "velk-cli: no root canvas map.canvas\n");
}

TEST_F(PackageCommand, ApplyWritesTheSaveAndPrintsTheFiles) {
    const std::string body =
        R"({"maps":[{"path":"/","canvas":{"nodes":[{"id":"a","type":"text","text":"Trip ideas!"}],"edges":[]},"sidecar":{}},)"
        R"({"path":"/a","canvas":{"nodes":[],"edges":[]}}]})";
    const CLIRun run = runCLI("apply " + folder() + " -", body);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "revision 2\n/\tmap.canvas\n/a\tmap/Trip ideas.canvas\n");
    EXPECT_EQ(get("map/Trip ideas.canvas"), "{\n\t\"nodes\": [],\n\t\"edges\": []\n}\n");
    EXPECT_NE(get("map.canvas").find("\"file\": \"map/Trip ideas.canvas\""), std::string::npos);

    const CLIRun notJSON = runCLI("apply " + folder() + " -", "{\"maps\":");
    EXPECT_EQ(notJSON.status, 1);
    EXPECT_EQ(notJSON.err, "velk-cli: the save body is not a JSON object: unexpectedEnd\n");
}

TEST_F(PackageCommand, RefusedSaveLeavesThePackageAlone) {
    put("map.canvas", R"({"nodes":[{"id":"a","type":"file","file":"map/S.canvas"},{"id":"b","type":"file","file":"map/S.canvas"}]})");
    fs::create_directories(m_folder / "map");
    put("map/S.canvas", R"({"nodes":[]})");
    const std::string body = R"({"maps":[{"path":"/a","canvas":{"nodes":[{"id":"x"}]}},{"path":"/b","canvas":{"nodes":[{"id":"y"}]}}]})";
    const CLIRun run = runCLI("apply " + folder() + " -", body);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "map/S.canvas is linked from /a, /b and holds different edits under each; not saved \u2014 reopen the document to see both\n");
    EXPECT_EQ(get("map/S.canvas"), R"({"nodes":[]})");
}

TEST_F(PackageCommand, MediaAddStoresUnderTheContentName) {
    const std::string image = (m_folder.parent_path() / ("velk_cli_image_" + std::to_string(getpid()) + ".png")).string();
    std::ofstream(image, std::ios::binary) << "abc";
    const CLIRun run = runCLI("media add " + folder() + " '" + image + "'", "");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "velk-media/ba7816bf8f01cfea.png\n");
    EXPECT_EQ(get("velk-media/ba7816bf8f01cfea.png"), "abc");
    const CLIRun refused = runCLI("media add " + folder() + " '" + image + "' --type image/heic", "");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "unsupported image type: image/heic\n");
    fs::remove(image);
}

}  // namespace
}  // namespace velk
