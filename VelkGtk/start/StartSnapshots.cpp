#include "StartSnapshots.h"

#include "NewMapSheet.h"
#include "StartStyle.h"
#include "StartView.h"
#include "platform/UnseenWindow.h"

#include <gdkmm/memorytexture.h>
#include <glibmm/main.h>
#include <gtkmm/settings.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace velk {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct FakeMap {
    const char* name;
    std::chrono::seconds age;
};

constexpr FakeMap fakeMaps[] = {
    {"Roadmap 2027", 300s},        {"Platform Wardley map", 10800s}, {"Hiring estuary", 86400s},
    {"Launch multiverse", 259200s}, {"Team topology", 777600s},      {"Untitled map", 2592000s},
};

constexpr const char* shownFolder = "~/Documents/velk";

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::optional<std::string> picture(Gtk::Widget& content, int width, int height,
                                   const std::function<void(std::chrono::milliseconds)>& runFor) {
    UnseenWindow window(content, width, height);
    runFor(StartSnapshots::layoutTime);
    window.layout();
    return window.png();
}

}  // namespace

std::optional<std::string> StartSnapshots::requested(const char* variable) {
    if (!variable) return std::nullopt;
    return std::string(variable);
}

void StartSnapshots::runMainLoop(std::chrono::milliseconds duration) {
    bool over = false;
    auto timer = Glib::signal_timeout().connect([&over] { return over = true, false; },
                                                static_cast<unsigned>(duration.count()));
    while (!over) g_main_context_iteration(nullptr, TRUE);
}

std::optional<std::string> StartSnapshots::thumbnail(int seed) {
    // Soft bands of colour and a few card-like blocks, all from the seed.
    constexpr int w = thumbnailWidth, h = thumbnailHeight;
    std::vector<guint8> pixels(static_cast<std::size_t>(w) * h * 4);
    const double hue = seed * 0.61803398875;
    const auto channel = [&](double phase) { return 0.5 + 0.5 * std::sin(6.2831853 * (hue + phase)); };
    const double r = channel(0), g = channel(1.0 / 3), b = channel(2.0 / 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int block = ((x / 96) * 7 + (y / 75) * 3 + seed) % 5;
            const bool card = block == 0 && x % 96 > 12 && x % 96 < 84 && y % 75 > 12 && y % 75 < 60;
            const double light = card ? 0.97 : 0.86 + 0.06 * std::sin((x + seed * 40) / 60.0);
            guint8* p = &pixels[(static_cast<std::size_t>(y) * w + x) * 4];
            p[0] = static_cast<guint8>(255 * (card ? light : light * (0.8 + 0.2 * r)));
            p[1] = static_cast<guint8>(255 * (card ? light : light * (0.8 + 0.2 * g)));
            p[2] = static_cast<guint8>(255 * (card ? light : light * (0.8 + 0.2 * b)));
            p[3] = 255;
        }
    }
    auto bytes = Glib::Bytes::create(pixels.data(), pixels.size());
    auto texture = Gdk::MemoryTexture::create(w, h, Gdk::MemoryTexture::Format::R8G8B8A8, bytes, w * 4);
    auto png = texture->save_to_png_bytes();
    if (!png) return std::nullopt;
    gsize size = 0;
    const auto* data = static_cast<const char*>(png->get_data(size));
    return std::string(data, size);
}

std::vector<RecentMap> StartSnapshots::fakeRecentMaps(const std::string& temporaryFolder) {
    std::error_code ignored;
    const fs::path root = fs::path(temporaryFolder) / "velk-start-snapshots";
    fs::remove_all(root, ignored);
    const auto now = std::chrono::system_clock::now();
    std::vector<RecentMap> maps;
    int seed = 0;
    for (const FakeMap& fake : fakeMaps) {
        const fs::path package = root / (std::string(fake.name) + ".velk");
        fs::create_directories(package / "QuickLook", ignored);
        writeFile(package / "map.canvas", "{\"nodes\":[],\"edges\":[]}\n");
        if (auto png = thumbnail(seed)) writeFile(package / "QuickLook" / "Thumbnail.png", *png);
        const auto modified = now - fake.age;
        // The file's time too, for anything that asks the disk.
        fs::last_write_time(package, fs::file_time_type::clock::now() - fake.age, ignored);
        maps.push_back(RecentMap{package.string(), fake.name, shownFolder,
                                 std::chrono::time_point_cast<TimePoint::duration>(modified)});
        ++seed;
    }
    return maps;
}

void StartSnapshots::keep(const std::string& folder, const std::string& name, const std::string& png) {
    // Whole or not at all; a picture that cannot be written is skipped.
    (void)m_services.fileSystem.writeAtomically((fs::path(folder) / (name + ".png")).string(), png);
}

void StartSnapshots::waitForPreviews(const std::vector<MapTemplate>& templates) {
    const auto needed = static_cast<std::size_t>(
        std::ranges::count_if(templates, [](const MapTemplate& entry) { return entry.id != Templates::blankID; }));
    const auto began = m_services.now();
    while (m_services.previews.imageCount() < needed && m_services.now() - began < previewPatience)
        m_services.runFor(previewStep);
    m_services.trace([&] {
        return "StartSnapshots: " + std::to_string(std::min(m_services.previews.imageCount(), needed)) + "/" +
               std::to_string(needed) + " template previews";
    });
}

void StartSnapshots::run(const std::string& folder) {
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    std::vector<MapTemplate> templates;
    if (m_services.templatesDirectory)
        if (auto listed = Templates::list(*m_services.templatesDirectory, m_services.fileSystem)) templates = *listed;
    const auto recents = fakeRecentMaps(m_services.temporaryFolder);
    m_services.previews.prepare(templates, m_services.templatesDirectory);
    waitForPreviews(templates);

    StartStyle::install();
    const StartActions actions{[](const MapTemplate&) {}, [](const std::string&) {}, [] {}, [](const std::string&) {},
                               [](const std::string&) {}};
    auto settings = Gtk::Settings::get_default();
    const bool wasDark = settings->property_gtk_application_prefer_dark_theme();
    for (const char* appearance : {"light", "dark"}) {
        settings->property_gtk_application_prefer_dark_theme() = std::string_view(appearance) == "dark";
        for (const bool withRecents : {false, true}) {
            StartModel model([&recents, withRecents] { return withRecents ? recents : std::vector<RecentMap>{}; });
            model.reload();
            StartView view(model, actions, m_services.buildText, [] {});
            const std::string name = std::string("start-") + (withRecents ? "six-recent" : "empty") + "-" + appearance;
            if (auto png = picture(view, width, height, m_services.runFor)) keep(folder, name, *png);
        }
        StartModel model([] { return std::vector<RecentMap>{}; });
        model.setShowingNew(true);
        NewMapSheet sheet(model, templates, actions, m_services.previews);
        // The sheet alone, without the dimmed window around it.
        sheet.remove_css_class("sheet-backdrop");
        if (auto png = picture(sheet, 0, 0, m_services.runFor))
            keep(folder, std::string("start-new-sheet-") + appearance, *png);
    }
    settings->property_gtk_application_prefer_dark_theme() = wasDark;
    m_services.trace([&] { return "StartSnapshots: wrote to " + folder; });
}

}  // namespace velk
