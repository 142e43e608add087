// The GLib pieces under the documents: the main queue, the package monitor over real file
// events, and the thumbnail's PNG made through GDK.

#include "DocumentRigs.h"
#include "platform/GLibMainQueue.h"
#include "platform/PackageMonitor.h"
#include "platform/TemporaryName.h"
#include "platform/TexturePNG.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <thread>

namespace velk {
namespace {

using namespace std::chrono_literals;
using namespace testing_support;

TEST(GLibMainQueue, TasksRunLaterInOrderOnTheMainThreadAndNeverOnceCancelledOrGone) {
    std::vector<int> ran;
    {
        GLibMainQueue queue;
        const auto start = std::chrono::steady_clock::now();
        const auto mainThread = std::this_thread::get_id();
        std::chrono::steady_clock::duration lateAfter{};
        std::atomic<bool> wrongThread = false;
        queue.runAfter(120ms, [&] { ran.push_back(99), lateAfter = std::chrono::steady_clock::now() - start; });
        queue.cancel(queue.runSoon([&] { ran.push_back(-1); }));
        queue.cancel(queue.runAfter(20ms, [&] { ran.push_back(-2); }));
        std::thread worker([&] {
            for (int i = 0; i < 50; ++i)
                queue.runSoon([&, i] { wrongThread = wrongThread || std::this_thread::get_id() != mainThread, ran.push_back(i); });
        });
        worker.join();
        EXPECT_TRUE(ran.empty()) << "nothing runs inside the call";
        ASSERT_TRUE(spinMainContextUntil([&] { return ran.size() == 51; }));
        std::vector<int> expected(50);
        std::iota(expected.begin(), expected.end(), 0);
        expected.push_back(99);
        EXPECT_EQ(ran, expected);
        EXPECT_FALSE(wrongThread);
        EXPECT_GE(lateAfter, 110ms);
        queue.runSoon([&] { ran.push_back(-3); });
        queue.runAfter(10ms, [&] { ran.push_back(-3); });
    }
    spinMainContextFor(60ms);
    EXPECT_EQ(ran.size(), 51u);
}

struct MonitorRig {
    TempFolder folder{"monitor"};
    std::string package = folder / "Trip.velk";
    GLibMainQueue queue;
    int reports = 0;
    PackageMonitor::Touched touched;
    std::unique_ptr<PackageMonitor> monitor;

    MonitorRig() {
        std::filesystem::create_directories(package + "/map");
        put(package + "/map.canvas", "{}");
        monitor = std::make_unique<PackageMonitor>(package, queue, 50ms, [this](const PackageMonitor::Touched& what) {
            ++reports;
            touched = what;
        });
    }
    [[nodiscard]] bool reported(int count) { return spinMainContextUntil([&] { return reports == count; }); }
};

TEST(PackageMonitor, NamesTheFilesTouchedLeavingOutTemporaryOnesAndAsksForEverythingWhenFoldersChange) {
    MonitorRig rig;
    const std::string temporary = rig.package + "/" + TemporaryName::forSibling("map.canvas");
    put(temporary, "{\"nodes\":[]}");
    spinMainContextFor(300ms);
    EXPECT_EQ(rig.reports, 0);
    std::filesystem::rename(temporary, rig.package + "/map.canvas");
    ASSERT_TRUE(rig.reported(1));
    EXPECT_EQ(rig.touched.paths, (std::set<std::string>{"map.canvas"}));

    put(rig.package + "/map/Ideas.canvas", "{}");
    put(rig.package + "/map.canvas", "{\"a\":1}");
    ASSERT_TRUE(rig.reported(2));
    EXPECT_FALSE(rig.touched.everything);
    EXPECT_EQ(rig.touched.paths, (std::set<std::string>{"map.canvas", "map/Ideas.canvas"}));

    std::filesystem::rename(rig.package + "/map", rig.folder / "moved-away");
    ASSERT_TRUE(rig.reported(3));
    EXPECT_TRUE(rig.touched.everything);
}

// Other packages beside it are not watched; nothing is reported once it is gone.
TEST(PackageMonitor, APackageReplacedAsAWholeIsReportedAndWatchedAgainAndNothingBesideIt) {
    MonitorRig rig;
    std::filesystem::create_directories(rig.folder / "Other.velk");
    put(rig.folder / "Other.velk/map.canvas", "{}");
    spinMainContextFor(200ms);
    EXPECT_EQ(rig.reports, 0);
    const std::string incoming = rig.folder / "incoming";
    std::filesystem::create_directories(incoming);
    put(incoming + "/map.canvas", "{\"new\":1}");
    std::filesystem::remove_all(rig.package);
    std::filesystem::rename(incoming, rig.package);
    ASSERT_TRUE(spinMainContextUntil([&] { return rig.reports >= 1; }));
    spinMainContextFor(200ms);
    const int before = rig.reports;
    put(rig.package + "/map.canvas", "{\"newer\":1}");
    ASSERT_TRUE(spinMainContextUntil([&] { return rig.reports > before; }));
    spinMainContextFor(200ms);
    const int last = rig.reports;
    put(rig.package + "/map.canvas", "{\"a\":1}");
    spinMainContextFor(20ms);
    rig.monitor.reset();
    spinMainContextFor(300ms);
    EXPECT_EQ(rig.reports, last);
}

constexpr std::uint32_t red = 0xffff0000, blue = 0xff0000ff, green = 0xff00ff00;

// A view `scale` pixels per point, 400 × 300 points: red in the top 50 points, green in the
// bottom 50, blue between.
GdkTexture* barredTexture(int scale) {
    const int width = 400 * scale, height = 300 * scale;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height));
    for (int y = 0; y < height; ++y)
        std::fill_n(pixels.begin() + y * width, width, y < 50 * scale ? red : y >= 250 * scale ? green : blue);
    GBytes* bytes = g_bytes_new(pixels.data(), pixels.size() * sizeof(std::uint32_t));
    GdkTexture* texture = gdk_memory_texture_new(width, height, GDK_MEMORY_DEFAULT, bytes,
                                                 static_cast<gsize>(width) * sizeof(std::uint32_t));
    g_bytes_unref(bytes);
    return texture;
}

// The PNG's width, height and pixels, or nothing for no PNG.
std::optional<std::tuple<int, int, std::vector<std::uint32_t>>> decode(const std::optional<std::string>& png) {
    GBytes* bytes = png ? g_bytes_new(png->data(), png->size()) : nullptr;
    GdkTexture* texture = bytes && png->starts_with("\x89PNG") ? gdk_texture_new_from_bytes(bytes, nullptr) : nullptr;
    if (bytes) g_bytes_unref(bytes);
    if (!texture) return std::nullopt;
    const int width = gdk_texture_get_width(texture), height = gdk_texture_get_height(texture);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height));
    gdk_texture_download(texture, reinterpret_cast<guchar*>(pixels.data()), static_cast<gsize>(width) * 4);
    g_object_unref(texture);
    return std::tuple{width, height, std::move(pixels)};
}

// Scaling the cropped part alone keeps the bars and transparency from blending into its edges.
TEST(TexturePNG, CropsToTheAreaScaledToTheWidthAtAnyPixelDensityOrGivesNothing) {
    for (int scale : {1, 2}) {
        GdkTexture* texture = barredTexture(scale);
        const auto picture = decode(TexturePNG::cropped(texture, {0, 50, 400, 200, 480}, scale));
        ASSERT_TRUE(picture) << "scale " << scale;
        const auto& [width, height, pixels] = *picture;
        ASSERT_EQ(std::pair(width, height), std::pair(480, 240));
        for (int y : {0, 120, 239})
            for (int x : {0, 479})
                EXPECT_EQ(pixels[static_cast<std::size_t>(y * width + x)], blue) << scale << " at " << x << "," << y;
        // Partly outside: clipped to what there is.
        EXPECT_EQ(std::get<1>(decode(TexturePNG::cropped(texture, {0, 250, 400, 200, 400}, scale)).value()), 50);
        EXPECT_FALSE(TexturePNG::cropped(texture, {0, 400, 400, 100, 480}, scale));
        EXPECT_FALSE(TexturePNG::cropped(texture, {0, 0, 400, 300, 0}, scale));
        EXPECT_FALSE(TexturePNG::cropped(texture, {0, 0, 400, 300, 480}, 0));
        g_object_unref(texture);
    }
    EXPECT_FALSE(TexturePNG::cropped(nullptr, {0, 0, 400, 300, 480}, 1));
}

}  // namespace
}  // namespace velk
