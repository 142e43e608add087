// velk-cli export: a map of a package as a PNG, SVG or PDF picture, drawn by the same editor page
// the app shows, in a web view nobody sees. WebKit needs a display for that, so this command
// does; under xvfb-run a virtual one serves.

#include "CommandLine.h"
#include "OpenPackage.h"

#include "bridge/EditorBundle.h"
#include "export/MapExport.h"
#include "export/UnseenMapPage.h"
#include "platform/CurlHttpClient.h"
#include "platform/GLibMainQueue.h"
#include "platform/GioWorkspace.h"
#include "platform/ResourceFolder.h"
#include "platform/SoftwareGL.h"
#include "preview/LinkPreviewFetcher.h"

#include <gtkmm/init.h>

#include <charconv>
#include <cstdio>

namespace velk::cli {

namespace {

constexpr const char* exportUsage = "export MAP.velk [--map /ID/…] [--format svg|png|pdf] [--scale 1|2] -o FILE";

struct ExportArguments {
    std::string package;
    std::string output;
    ExportRequest request;
};

int usage(const Streams& streams) {
    std::fprintf(streams.err, "usage: velk-cli %s\n", exportUsage);
    return 2;
}

// The arguments, or absent when they do not make one export (the caller prints the usage).
std::optional<ExportArguments> readArguments(std::span<const std::string_view> arguments, const Streams& streams) {
    ExportArguments result;
    std::optional<std::string_view> format;
    int scale = 1;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if ((argument == "-o" || argument == "--output") && hasValue) result.output = arguments[++i];
        else if (argument == "--map" && hasValue) result.request.map = std::string(arguments[++i]);
        else if (argument == "--format" && hasValue) format = arguments[++i];
        else if (argument == "--scale" && hasValue) {
            const std::string_view value = arguments[++i];
            if (std::from_chars(value.data(), value.data() + value.size(), scale).ptr != value.data() + value.size())
                return std::nullopt;
        } else if (result.package.empty() && !argument.starts_with("-")) result.package = argument;
        else return std::nullopt;
    }
    if (result.package.empty() || result.output.empty()) return std::nullopt;
    const auto chosen = format ? PictureExport::formatNamed(*format, scale)
                               : PictureExport::formatOfFile(result.output).and_then([&](ExportFormat f) {
                                     return PictureExport::formatNamed(PictureExport::extension(f), scale);
                                 });
    if (!chosen) {
        std::fprintf(streams.err, "velk-cli: say --format svg, png or pdf (only png takes --scale 2)\n");
        return std::nullopt;
    }
    result.request.format = *chosen;
    return result;
}

struct Surroundings {
    GLibMainQueue mainQueue;
    CurlHttpClient http{CurlHttpClient::Options{"velk-cli", std::nullopt, CurlHttpClient::LoopbackRoute::checked}};
    LinkPreviewFetcher previews{http};
    GioWorkspace workspace;
};

}  // namespace

int runExport(std::span<const std::string_view> arguments, const Streams& streams) {
    auto wanted = readArguments(arguments, streams);
    if (!wanted) return usage(streams);
    auto package = openPackage(wanted->package, streams);
    // A folder without a map velk can read would be drawn as an empty picture.
    if (!package || !loadedState(*package, streams)) return 1;
    const auto isDirectory = [&](std::string_view path) { return package->fileSystem->list(std::string(path)).has_value(); };
    const auto resources = ResourceFolder::find(streams.executable, isDirectory);
    auto page = resources ? EditorBundle::html(*resources, *package->fileSystem)
                          : Expected<SharedBytes, EditorBundle::Failure>(Unexpected(EditorBundle::Failure::missing()));
    if (!page) {
        std::fprintf(streams.err, "velk-cli: %s\n", page.error().description().c_str());
        return 1;
    }
    // GTK's accessibility bus is of no use to a window nobody sees.
    g_setenv("GTK_A11Y", "none", FALSE);
    if (!gtk_init_check()) {
        std::fputs("velk-cli: export draws the map with velk's editor page, which needs a display; run it in a "
                   "desktop session or under xvfb-run\n",
                   streams.err);
        return 1;
    }
    Gtk::init_gtkmm_internals();
    drawWindowsInSoftwareWhereOpenGLIs();
    Surroundings surroundings;
    auto unseen = UnseenMapPage::make({surroundings.mainQueue, surroundings.http, surroundings.previews,
                                       surroundings.workspace, {}},
                                      package->core.tree(), *page, "This map is open read-only");
    unseen->show(std::string(EditorWebHost::indexURL), 1200, 800);

    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    std::optional<Expected<void, std::string>> outcome;
    const auto finish = [&](Expected<void, std::string> exported) {
        outcome = std::move(exported);
        g_main_loop_quit(loop);
    };
    // Asked once the page has taken the map: a call made while the page still loads is dropped.
    unseen->whenStateGiven([&] { MapExport::run(*unseen->binding(), wanted->request, wanted->output, finish); });
    const auto limit = surroundings.mainQueue.runAfter(EditorWebHost::loadTimeout, [&] {
        if (!unseen->stateGiven()) finish(Unexpected(std::string("The editor page did not start")));
    });
    g_main_loop_run(loop);
    surroundings.mainQueue.cancel(limit);
    g_main_loop_unref(loop);
    unseen->tearDown();
    if (!*outcome) {
        std::fprintf(streams.err, "velk-cli: %s\n", outcome->error().c_str());
        return 1;
    }
    return 0;
}

}  // namespace velk::cli
