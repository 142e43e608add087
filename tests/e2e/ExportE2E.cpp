// Export from the real page: a template map as PNG, SVG and PDF, with the SVG and PDF rasterised by
// Debian's own tools (rsvg-convert, pdftoppm) and compared with the PNG; Ctrl+E through the Export
// dialog writing the selection only; and velk-cli export, with and without a display.

#include "E2EHarness.h"

#include "export/MapExport.h"

#include <gdk/gdk.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

namespace velk::e2e {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status = -1;
    std::string out, err;
};

ToolRun run(std::vector<std::string> argv, bool withDisplay = true) {
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    gchar** env = g_get_environ();
    if (!withDisplay) {
        env = g_environ_unsetenv(env, "DISPLAY");
        env = g_environ_unsetenv(env, "WAYLAND_DISPLAY");
    }
    gchar *out = nullptr, *err = nullptr;
    ToolRun result;
    GError* error = nullptr;
    if (g_spawn_sync(nullptr, args.data(), env, G_SPAWN_SEARCH_PATH, nullptr, nullptr, &out, &err, &result.status, &error))
        result.status = g_spawn_check_wait_status(result.status, nullptr) ? 0 : std::max(1, WEXITSTATUS(result.status));
    else result.err = error->message;
    g_clear_error(&error);
    result.out = out ? out : "";
    result.err += err ? err : "";
    g_free(out);
    g_free(err);
    g_strfreev(env);
    return result;
}

struct Pixels {
    int width = 0, height = 0;
    std::vector<guchar> data;  // 4 bytes a pixel
};

Pixels pixels(const std::string& png) {
    Pixels result;
    GdkTexture* texture = gdk_texture_new_from_filename(png.c_str(), nullptr);
    if (!texture) return result;
    result.width = gdk_texture_get_width(texture);
    result.height = gdk_texture_get_height(texture);
    result.data.resize(std::size_t(result.width) * result.height * 4);
    gdk_texture_download(texture, result.data.data(), std::size_t(result.width) * 4);
    g_object_unref(texture);
    return result;
}

// How far two renderings of one picture are apart: the mean difference of a colour channel
// (0–255) and the share of pixels with a channel off by more than 64, over their common area.
struct Difference {
    double mean = INFINITY, badShare = 1;
};

Difference compare(const Pixels& a, const Pixels& b) {
    const int w = std::min(a.width, b.width), h = std::min(a.height, b.height);
    if (!w || !h || std::abs(a.width - b.width) > 2 || std::abs(a.height - b.height) > 2) return {};
    double total = 0;
    long bad = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int worst = 0;
            for (int c = 0; c < 3; ++c) {
                const int d = std::abs(int(a.data[(std::size_t(y) * a.width + x) * 4 + c]) - int(b.data[(std::size_t(y) * b.width + x) * 4 + c]));
                total += d;
                worst = std::max(worst, d);
            }
            bad += worst > 64;
        }
    return {total / (3.0 * w * h), double(bad) / (double(w) * h)};
}

std::string outputFolder() {
    const std::string folder = std::string(VELK_E2E_OUTPUT_DIR) + "/export";
    fs::create_directories(folder);
    return folder;
}

std::string templatePackage(E2EHarness& velk) {
    const std::string package = velk.folder() / "Estuarine.velk";
    fs::copy(std::string(VELK_TEMPLATES_DIR) + "/estuarine", package, fs::copy_options::recursive);
    return package;
}

bool exportFromWindow(E2EHarness& velk, ExportFormat format, const std::string& file) {
    std::optional<Expected<void, std::string>> done;
    MapExport::run(velk.window().webView(), {format, false, std::nullopt}, file, [&](auto outcome) { done = std::move(outcome); });
    if (!waitUntil([&] { return done.has_value(); }, 2 * patience)) return false;
    EXPECT_TRUE(*done) << done->error();
    return *done && fs::exists(file);
}

TEST(ExportE2E, EachFormatShowsTheMapAsThePNGDoes) {
    E2EHarness velk("export");
    velk.start(templatePackage(velk));
    ASSERT_TRUE(waitUntil([&] { return velk.pageLoadedDocument(); }));
    ASSERT_TRUE(velk.waitForPage(concat("document.querySelectorAll('", PageDOM::card, "').length > 10")));
    const std::string out = outputFolder();
    for (auto [format, name] : {std::pair{ExportFormat::png, "estuarine.png"}, {ExportFormat::svg, "estuarine.svg"},
                                {ExportFormat::pdf, "estuarine.pdf"}, {ExportFormat::png2x, "estuarine@2x.png"}})
        ASSERT_TRUE(exportFromWindow(velk, format, out + "/" + name)) << name;

    ASSERT_EQ(run({"rsvg-convert", out + "/estuarine.svg", "-o", out + "/estuarine-svg.png"}).status, 0);
    ASSERT_EQ(run({"pdftoppm", "-r", "96", "-png", "-singlefile", out + "/estuarine.pdf", out + "/estuarine-pdf"}).status, 0);
    const Pixels png = pixels(out + "/estuarine.png"), twice = pixels(out + "/estuarine@2x.png");
    ASSERT_GT(png.width, 1000);
    EXPECT_EQ(twice.width, 2 * png.width);
    EXPECT_EQ(twice.height, 2 * png.height);
    for (const char* other : {"estuarine-svg.png", "estuarine-pdf.png"}) {
        const Difference d = compare(png, pixels(out + "/" + other));
        std::printf("[ measure  ] %s against the PNG export: mean channel difference %.2f, pixels far off %.2f%%\n", other,
                    d.mean, 100 * d.badShare);
        EXPECT_LT(d.mean, 3.0) << other;
        EXPECT_LT(d.badShare, 0.02) << other;
    }
    // The PDF is vector: its text is text, in fonts it embeds.
    const ToolRun fonts = run({"pdffonts", out + "/estuarine.pdf"});
    EXPECT_NE(fonts.out.find("yes yes"), std::string::npos) << fonts.out;
}

TEST(ExportE2E, CtrlEExportsTheSelectionWhereTheDialogSays) {
    E2EHarness velk("export-selection");
    const std::string package = velk.writePackage("Two.velk", R"({"nodes":[
        {"id":"a","type":"text","x":0,"y":0,"width":250,"height":60,"text":"Kept card"},
        {"id":"b","type":"text","x":400,"y":0,"width":250,"height":60,"text":"Left out"}],
        "edges":[{"id":"e","fromNode":"a","toNode":"b","label":"between"}]})");
    ASSERT_TRUE(velk.startAndWaitForCards(package, 2));
    const auto kept = velk.cardCentre("Kept card");
    ASSERT_TRUE(kept);
    velk.click(*kept);
    ASSERT_TRUE(velk.waitForPage("document.querySelector('.card[data-id=\"a\"]').classList.contains('selected')"));
    velk.press("e", "ctrl");
    auto* chooser = GTK_FILE_CHOOSER(visibleWindow(GTK_TYPE_FILE_CHOOSER));
    ASSERT_TRUE(chooser) << "Ctrl+E opens the Export dialog";
    EXPECT_STREQ(gtk_file_chooser_get_choice(chooser, "part"), "selection") << "a selection is what is exported first";
    EXPECT_FALSE(velk.screenshot(*Glib::wrap(GTK_WINDOW(chooser)), "export-dialog").empty());
    const auto name = [&] {
        char* current = gtk_file_chooser_get_current_name(chooser);
        std::string text = current ? current : "";
        g_free(current);
        return text;
    };
    EXPECT_EQ(name(), "Two.png") << "the map's name, beside it";
    GListModel* filters = gtk_file_chooser_get_filters(chooser);
    ASSERT_EQ(g_list_model_get_n_items(filters), 4u);
    auto* svg = static_cast<GtkFileFilter*>(g_list_model_get_item(filters, 2));
    gtk_file_chooser_set_filter(chooser, svg);
    g_object_unref(svg);
    g_object_unref(filters);
    const std::string target = velk.folder() / "picked";  // no extension: the picked type's is added
    GFile* folder = g_file_new_for_path(velk.folder().path().c_str());
    ASSERT_TRUE(gtk_file_chooser_set_current_folder(chooser, folder, nullptr));
    g_object_unref(folder);
    gtk_file_chooser_set_current_name(chooser, "picked");
    testing_support::put(target + ".svg", "mine");  // the dialog never asked about this name
    gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
    GtkWidget* question = visibleWindow(GTK_TYPE_MESSAGE_DIALOG);
    ASSERT_TRUE(question) << "velk asks before replacing the file its extension names";
    EXPECT_EQ(testing_support::contentOf(target + ".svg"), "mine");
    EXPECT_FALSE(velk.screenshot(*Glib::wrap(GTK_WINDOW(question)), "export-replace").empty());
    gtk_dialog_response(GTK_DIALOG(question), GTK_RESPONSE_ACCEPT);
    ASSERT_TRUE(waitUntil([&] { return testing_support::contentOf(target + ".svg").starts_with("<"); }));
    const std::string picture = testing_support::contentOf(target + ".svg");
    EXPECT_NE(picture.find(">Kept card</text>"), std::string::npos);
    EXPECT_EQ(picture.find("Left out"), std::string::npos);
    EXPECT_EQ(picture.find("between"), std::string::npos) << "an edge to a card left out is left out";
}

TEST(ExportE2E, VelkCliExportsASubmapAndSaysWhenItHasNoDisplay) {
    E2EHarness velk("export-cli");  // only for its folder
    const std::string package = templatePackage(velk);
    const std::string out = outputFolder() + "/cli-submap.pdf";
    fs::remove(out);
    const ToolRun state = run({VELK_CLI_PATH, "state", package, "--compact"});
    const auto at = state.out.find("\"path\":\"/", state.out.find("\"path\":\"/\"") + 1);
    ASSERT_NE(at, std::string::npos) << "the template has submaps";
    const std::string submap = state.out.substr(at + 8, state.out.find('"', at + 8) - at - 8);

    // The PDF printed on the way once stayed behind in the temporary folder, one per export.
    const std::string temporary = velk.folder() / "tmp";
    fs::create_directories(temporary);
    const ToolRun exported = run({"env", "TMPDIR=" + temporary, VELK_CLI_PATH, "export", package, "--map", submap, "-o", out});
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_TRUE(testing_support::contentOf(out).starts_with("%PDF-"));
    EXPECT_TRUE(fs::is_empty(temporary));
    // A folder without a map velk can read was once exported as an empty picture.
    const std::string empty = velk.folder() / "Empty.velk";
    fs::create_directories(empty);
    const ToolRun unreadable = run({VELK_CLI_PATH, "export", empty, "-o", outputFolder() + "/none.svg"});
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_EQ(unreadable.err, "velk-cli: no root canvas map.canvas\n");
    const ToolRun missing = run({VELK_CLI_PATH, "export", package, "--map", "/nothing", "-o", outputFolder() + "/none.svg"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("This package has no map /nothing"), std::string::npos) << missing.err;
    const ToolRun headless = run({VELK_CLI_PATH, "export", package, "-o", outputFolder() + "/none.png"}, false);
    EXPECT_EQ(headless.status, 1);
    EXPECT_NE(headless.err.find("needs a display"), std::string::npos) << headless.err;
    EXPECT_FALSE(fs::exists(outputFolder() + "/none.png"));
}

}  // namespace
}  // namespace velk::e2e
