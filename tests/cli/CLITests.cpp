// velk-cli run as a user would (preview only gets links refused before any lookup or connection).

#include "cli/CLIRun.h"
#include "platform/JSONFileDefaults.h"
#include "platform/PosixFileSystem.h"
#include "shell/BookmarkStore.h"
#include "platform/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velk {
namespace {

using namespace testing_support;
namespace fs = std::filesystem;

struct Case {
    std::string arguments, input;
    int status;
    std::string out, err;
};

// Runs the rows in order; whatever a command refuses as misuse, --help must list.
void expectRuns(const std::vector<Case>& cases, const std::string& environment = "") {
    static const std::string help = runCLI("--help", "").out;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments + " < " + c.input.substr(0, 40));
        const CLIRun run = runCLI(c.arguments, c.input, environment);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
        if (c.err.starts_with("usage: velk-cli ")) {
            EXPECT_NE(help.find(c.err.substr(16, c.err.size() - 17)), std::string::npos);
        }
    }
}

const std::string noDrawing = "velk-cli: the ink record has no drawing\n", inkUsage = "usage: velk-cli ink RECORD.json|-\n",
                  previewUsage = "usage: velk-cli preview URL [--image-out FILE]\n",
                  blocked = "blocked by link-preview policy: ", notHTTP = blocked + "only http(s) links get a preview\n",
                  stroke = R"({"role":"ink","source":{"strokes":[{"points":[[10,20],[30,40]],"palette":"rose"}]}})",
                  svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"2 12 36 36\" width=\"36\" height=\"36\">\n"
                        "\t<path d=\"M10 20 L30 40\" fill=\"none\" stroke=\"#b91c1c\" stroke-width=\"4\" "
                        "stroke-linecap=\"round\" stroke-linejoin=\"round\"/>\n</svg>\n",
                  doc = "{\"z\":1.50, \"a\":[ 1e2, {\"b\":\"\\u00e9\"} ]}";

TEST(VelkCLI, CommandsWithoutAPackagePrintTheirResultOrWhyNot) {
    expectRuns({
        // fmt: pretty by default, compact on request; order and number texts kept.
        {"fmt", doc, 0, "{\n\t\"z\": 1.50,\n\t\"a\": [\n\t\t1e2,\n\t\t{\n\t\t\t\"b\": \"\xC3\xA9\"\n\t\t}\n\t]\n}\n", ""},
        {"fmt --compact -", doc, 0, "{\"z\":1.50,\"a\":[1e2,{\"b\":\"\xC3\xA9\"}]}", ""},
        {"fmt --compact INPUT", "[true]", 0, "[true]", ""},
        {"fmt", "{\"a\":1,}", 1, "", "unexpected(\"}\", at: 7)\n"}, {"fmt", "[\"\xC3\"]", 1, "", "notUTF8\n"},
        {"fmt /no/such/file.json", "", 1, "", "velk-cli: cannot read /no/such/file.json: No such file or directory\n"},
        {"frobnicate", "", 2, "", "velk-cli: unknown command 'frobnicate' (see velk-cli --help)\n"},
        // ink: the drawing at its padded bounds.
        {"ink INPUT", stroke, 0, svg, ""}, {"ink -", stroke, 0, svg, ""},
        {"ink INPUT", R"({"source":"strokes"})", 1, "", noDrawing},
        {"ink INPUT", R"({"source":{"strokes":[{"points":[]}]}})", 1, "", noDrawing},
        {"ink INPUT", R"({"source":1,})", 1, "", "unexpected(\"}\", at: 12)\n"},
        {"ink /no/such/record.json", "", 1, "", "velk-cli: cannot read /no/such/record.json: No such file or directory\n"},
        {"ink", "{}", 2, "", inkUsage}, {"ink INPUT INPUT", "{}", 2, "", inkUsage}, {"ink --svg", "{}", 2, "", inkUsage},
        // preview: why a link gets none (which addresses are public is the address policy's table).
        {"preview 'javascript:alert(1)'", "", 1, "", notHTTP},
        {"preview http:///nohost --image-out /nonexistent/dir/x.png", "", 1, "", blocked + "the link has no host\n"},
        {"preview http://127.0.0.1:9/", "", 1, "", blocked + "127.0.0.1 is not a public address\n"},
        {"preview", "", 2, "", previewUsage}, {"preview http://a.example/ http://b.example/", "", 2, "", previewUsage},
        {"preview http://a.example/ --image-out", "", 2, "", previewUsage}, {"preview --image-out x.png", "", 2, "", previewUsage},
        {"preview --verbose http://a.example/", "", 2, "", previewUsage},
        {"preview http://a.example/ --image-out x.png --image-out y.png", "", 2, "", previewUsage},
        // templates: id, title and blurb.
        {"templates", "", 0,
         "scratch\tBlank map\tAn empty canvas: start from scratch.\n"
         "wardley\tWardley map\tChart what your users need against how evolved each part of it is.\n"
         "estuarine\tEstuarine map\tSort the constraints you face by the energy and time it takes to change them.\n"
         "multiverse\tMultiverse map\tBranch alternative futures from today and trace what would lead to each.\n", ""},
        {"templates extra", "", 2, "", "usage: velk-cli templates\n"},
    });
}

const std::string trip = R"({"nodes":[{"id":"a","type":"text","text":"Trip ideas!"}],"edges":[]})";

TEST(VelkCLI, PackageCommandsChangeOnlyWhatTheySay) {
    TempFolder folder("cli_package");
    const std::string package = folder / "m.velk", q = " " + quoted(package), image = " " + quoted(folder / "i.png");
    fs::create_directories(package + "/map");
    put(package + "/map.canvas", trip);
    put(folder / "i.png", "abc");
    expectRuns({
        {"state --compact" + q, "", 0, R"({"maps":[{"path":"/","canvas":)" + trip + R"(,"sidecar":{}}]})", ""},
        {"apply" + q + " -", R"({"maps":[{"path":"/","canvas":)" + trip + R"(,"sidecar":{}},{"path":"/a","canvas":{"nodes":[],"edges":[]}}]})",
         0, "revision 2\n/\tmap.canvas\n/a\tmap/Trip ideas.canvas\n", ""},
        {"apply" + q + " -", "{\"maps\":", 1, "", "velk-cli: the save body is not a JSON object: unexpectedEnd\n"},
        {"apply" + q + " -", R"({"map":[{"path":"/","canvas":{}}]})", 1, "",
         "velk-cli: the save body holds no map: a \"maps\" array of {\"path\", \"canvas\", \"sidecar\"}\n"},
        {"media add" + q + image, "", 0, "velk-media/ba7816bf8f01cfea.png\n", ""},
        {"media add" + q + image + " --type image/heic", "", 1, "", "unsupported image type: image/heic\n"},
    });
    EXPECT_EQ(contentOf(package + "/map/Trip ideas.canvas"), "{\n\t\"nodes\": [],\n\t\"edges\": []\n}\n");
    EXPECT_NE(contentOf(package + "/map.canvas").find("\"file\": \"map/Trip ideas.canvas\""), std::string::npos);
    EXPECT_EQ(contentOf(package + "/velk-media/ba7816bf8f01cfea.png"), "abc");

    // One file linked from two maps with different edits: refused, nothing written.
    put(package + "/map.canvas", R"({"nodes":[{"id":"a","type":"file","file":"map/S.canvas"},{"id":"b","type":"file","file":"map/S.canvas"}]})");
    put(package + "/map/S.canvas", R"({"nodes":[]})");
    expectRuns({{"apply" + q + " -", R"({"maps":[{"path":"/a","canvas":{"nodes":[{"id":"x"}]}},{"path":"/b","canvas":{"nodes":[{"id":"y"}]}}]})", 1, "",
                 "map/S.canvas is linked from /a, /b and holds different edits under each; not saved \u2014 reopen the document to see both\n"}});
    EXPECT_EQ(contentOf(package + "/map/S.canvas"), R"({"nodes":[]})");
    put(package + "/map.canvas", "[]");
    expectRuns({{"state" + q, "", 1, "", "velk-cli: no root canvas map.canvas\n"}});
}

TEST(VelkCLI, NewAndOpenShareMakeNumberedPackagesInTheMapsFolderOrSayWhyNot) {
    TempFolder folder("cli_new");
    const std::string to = " --folder " + quoted(folder.path()), missing = folder / "missing";
    // No folder named, none set and none remembered.
    const std::string noFolder = "env -u VELK_MAPS_FOLDER HOME=" + quoted(folder / "home") + " XDG_CONFIG_HOME=" + quoted(folder / "config");
    const std::string unreadable = "It is not a map this version of velk can read.\n", empty = R"({"state":{"maps":[]}})",
                      notSaved = "velk-cli: The map couldn\u2019t be saved. \u201c" + missing + "\u201d doesn\u2019t exist.\n",
                      noneChosen = "velk-cli: no folder for new maps has been chosen yet; pass --folder DIR or set VELK_MAPS_FOLDER\n",
                      newUsage = "usage: velk-cli new [--template ID] [--folder DIR] [NAME]\n",
                      shareUsage = "usage: velk-cli open-share FILE.json|- [--folder DIR]\n";
    expectRuns({
        {"new --template Scratch" + to, "", 1, "", "There is no template called Scratch.\n"},
        {"new --folder " + quoted(missing), "", 1, "", notSaved}, {"new", "", 1, "", noneChosen},
        {"new --folder", "", 2, "", newUsage}, {"new --folder /tmp A B", "", 2, "", newUsage},
        {"open-share INPUT" + to, "<html>Not found</html>", 1, "", unreadable},
        {"open-share " + quoted(folder / "none.json") + to, "", 1, "", "velk-cli: cannot read " + folder / "none.json" + "\n"},
        {"open-share INPUT --folder " + quoted(missing), empty, 1, "", notSaved}, {"open-share INPUT", empty, 1, "", noneChosen},
        {"open-share" + to, "{}", 2, "", shareUsage}, {"open-share INPUT INPUT" + to, "{}", 2, "", shareUsage},
        {"open-share INPUT --folder", "{}", 2, "", shareUsage},
    }, noFolder);
    EXPECT_TRUE(fs::is_empty(folder.path()));
    // A folder chosen once and gone since was once called never chosen.
    PosixFileSystem disk;
    JSONFileDefaults(disk, folder / "config/velk/defaults.json").setData(DefaultsBookmarkStore::key, folder / "gone");
    expectRuns({{"new", "", 1, "", "velk-cli: the folder chosen for new maps is gone or in the Trash; pass --folder DIR or set VELK_MAPS_FOLDER\n"}}, noFolder);
    fs::remove_all(folder / "config");

    const std::string shared =
        R"({"name":" Q3: plans/ideas ","state":{"maps":[{"path":"/","canvas":{"nodes":[{"id":"a","type":"text","text":"Go"}],"edges":[]}}]},)"
        R"("media":{"velk-media/dot.gif":"R0lGODlhAQABAAAAACw=","../escape.gif":"R0lGODlhAQABAAAAACw=","velk-media/sub/x.gif":"R0lG"}})";
    expectRuns({
        {"new" + to, "", 0, folder / "Untitled map.velk\n", ""}, {"new" + to, "", 0, folder / "Untitled map 2.velk\n", ""},
        {"new" + to + " ' Trip.velk '", "", 0, folder / "Trip.velk\n", ""}, {"new" + to + " ' '", "", 0, folder / "Untitled map 3.velk\n", ""},
        {"new --template wardley" + to, "", 0, folder / "Wardley map.velk\n", ""},
        {"new --template multiverse" + to + " 'Q3: paths/options'", "", 0, folder / "Q3- paths-options.velk\n", ""},
        {"open-share INPUT" + to, shared, 0, folder / "Q3- plans-ideas.velk\n", ""},
        {"open-share INPUT" + to, shared, 0, folder / "Q3- plans-ideas 2.velk\n", ""},
        {"open-share -" + to, empty, 0, folder / "Shared map.velk\n", ""},
        {"state --compact " + quoted(folder / "Untitled map.velk"), "", 0, R"({"maps":[{"path":"/","canvas":{"nodes":[],"edges":[]},"sidecar":{}}]})", ""},
        {"state --compact " + quoted(folder / "Q3- plans-ideas.velk"), "", 0,
         R"({"maps":[{"path":"/","canvas":{"nodes":[{"id":"a","type":"text","text":"Go"}],"edges":[]},"sidecar":{}}]})", ""},
    }, noFolder);
    expectRuns({{"new Later", "", 0, folder / "Later.velk\n", ""}}, noFolder + " VELK_MAPS_FOLDER=" + quoted(folder.path()));
    for (const char* made : {"Untitled map 2", "Wardley map", "Q3- paths-options", "Later"})
        EXPECT_TRUE(fs::is_regular_file(folder / made + ".velk/map.canvas")) << made;
    EXPECT_TRUE(fs::is_regular_file(folder / "Q3- paths-options.velk/map/Bold move/First experiments.canvas"));
    // Only valid media under velk-media/ is kept.
    const std::string package = folder / "Q3- plans-ideas.velk";
    EXPECT_EQ(contentOf(package + "/velk-media/dot.gif"), std::string("GIF89a\x01\0\x01\0\0\0\0,", 14));
    EXPECT_FALSE(fs::exists(package + "/velk-media/sub") || fs::exists(folder / "escape.gif") || fs::exists(package + "/escape.gif"));
}

}  // namespace
}  // namespace velk
