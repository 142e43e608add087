#include "bridge/EditorBundle.h"
#include "bridge/SchemeHandler.h"

#include "package/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace velk {
namespace {

using SchemeHandler::Response;
using SchemeHandler::URLError;
using Headers = std::vector<std::pair<std::string, std::string>>;

const std::string pagePolicy =
    "default-src 'none'; img-src velk-app: data: blob:; style-src 'unsafe-inline'; script-src 'unsafe-inline'; "
    "font-src data:; connect-src 'none'";

SharedBytes bytes(std::string text) { return std::make_shared<const std::string>(std::move(text)); }

// A document's media, recording every name it was asked for.
struct FakeMedia {
    std::map<std::pair<std::string, std::string>, SharedBytes> files;
    std::vector<std::string> asked;
    SchemeHandler::MediaLookup lookup() {
        return [this](std::string_view name, std::string_view directory) -> SharedBytes {
            asked.push_back(std::string(directory) + "/" + std::string(name));
            const auto found = files.find({std::string(directory), std::string(name)});
            return found == files.end() ? nullptr : found->second;
        };
    }
};

std::string describe(const Expected<Response, URLError>& answer) {
    if (!answer) return "error " + std::to_string(answer.error().code);
    std::string text = std::to_string(answer->status) + " " + answer->httpVersion + " " + answer->url + "\n";
    for (const auto& [name, value] : answer->headers) text += name + ": " + value + "\n";
    return text + "\n" + (answer->body ? *answer->body : "<no body>");
}

TEST(SchemeHandler, ServesThePageAtTheRootOnly) {
    const SharedBytes page = bytes("<html>velk</html>");
    FakeMedia media;
    struct Case {
        std::string url;
        bool served;
    };
    const Case cases[] = {
        {"velk-app://editor/", true},
        {"velk-app://editor/index.html", true},
        {"velk-app://other-host/index.html", true},  // the host is not looked at
        {"velk-app://editor/index.html?x=1#/?z=2", true},
        {"velk-app://editor/%69ndex.html", true},    // the path is decoded first
        {"velk-app://editor/index.htm", false},
        {"velk-app://editor/index.html/", false},
        {"velk-app://editor", false},                // no path at all
        {"velk-app://editor/velk-media", false},     // a media directory needs its slash
        {"velk-app://editor/plovet-media", false},
        {"velk-app://editor/map.canvas", false},
        {"velk-app://editor/other/index.html", false},
        {"not a url", false},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const auto answer = SchemeHandler::answer(c.url, page, media.lookup());
        if (!c.served) {
            EXPECT_EQ(describe(answer), "error -1002");
            continue;
        }
        EXPECT_EQ(describe(answer), "200 HTTP/1.1 " + c.url +
                                        "\nContent-Type: text/html; charset=utf-8\nContent-Length: 17\n"
                                        "Content-Security-Policy: " + pagePolicy + "\n\n<html>velk</html>");
        EXPECT_EQ(answer->body.get(), page.get()) << "the page is served without a copy";
    }
    EXPECT_TRUE(media.asked.empty());
}

TEST(SchemeHandler, RequestWithoutURLIsUnsupported) {
    FakeMedia media;
    EXPECT_EQ(SchemeHandler::answer(std::nullopt, bytes("x"), media.lookup()).error(), URLError{-1002});
}

TEST(SchemeHandler, ServesStoredImagesWithTheirTypeAndAYearOfCaching) {
    FakeMedia media;
    media.files[{"velk-media", "0123456789abcdef.png"}] = bytes("PNG!");
    media.files[{"plovet-media", "old.jpg"}] = bytes("JPEG");
    media.files[{"velk-media", "drawing.svg"}] = bytes("<svg/>");

    EXPECT_EQ(describe(SchemeHandler::answer("velk-app://editor/velk-media/0123456789abcdef.png", nullptr, media.lookup())),
              "200 HTTP/1.1 velk-app://editor/velk-media/0123456789abcdef.png\n"
              "Content-Type: image/png\nContent-Length: 4\nCache-Control: max-age=31536000, immutable\n\nPNG!");
    EXPECT_EQ(describe(SchemeHandler::answer("velk-app://editor/plovet-media/old.jpg?v=2", nullptr, media.lookup())),
              "200 HTTP/1.1 velk-app://editor/plovet-media/old.jpg?v=2\n"
              "Content-Type: image/jpeg\nContent-Length: 4\nCache-Control: max-age=31536000, immutable\n\nJPEG");
    EXPECT_EQ(describe(SchemeHandler::answer("velk-app://editor/velk-media/drawing.svg", nullptr, media.lookup())),
              "200 HTTP/1.1 velk-app://editor/velk-media/drawing.svg\n"
              "Content-Type: image/svg+xml\nContent-Length: 6\nCache-Control: max-age=31536000, immutable\n"
              "Content-Security-Policy: default-src 'none'; style-src 'unsafe-inline'; sandbox\n\n<svg/>");
    EXPECT_EQ(media.asked, (std::vector<std::string>{"velk-media/0123456789abcdef.png", "plovet-media/old.jpg",
                                                     "velk-media/drawing.svg"}));
}

TEST(SchemeHandler, RefusesMediaNamesBeforeAskingTheDocument) {
    FakeMedia media;
    media.files[{"velk-media", "a.png"}] = bytes("PNG");
    const std::string refused[] = {
        "velk-app://editor/velk-media/",              // empty name
        "velk-app://editor/velk-media/../index.html",
        "velk-app://editor/velk-media/..%2Fmap.canvas",
        "velk-app://editor/velk-media/sub/a.png",     // a sub-path holds "/"
        "velk-app://editor/velk-media/.hidden.png",
        "velk-app://editor/velk-media/a.exe",
        "velk-app://editor/velk-media/a.jpeg",        // velk never files images as .jpeg
        "velk-app://editor/velk-media/a%5Cb.png",     // backslash
    };
    for (const std::string& url : refused) {
        SCOPED_TRACE(url);
        EXPECT_EQ(describe(SchemeHandler::answer(url, bytes("page"), media.lookup())), "error -1100");
    }
    EXPECT_TRUE(media.asked.empty());
}

TEST(SchemeHandler, MissingMediaFailsWhileThePageIsStillServed) {
    FakeMedia media;
    EXPECT_EQ(describe(SchemeHandler::answer("velk-app://editor/velk-media/ffffffffffffffff.png", bytes("p"), media.lookup())),
              "error -1100");
    EXPECT_EQ(media.asked, std::vector<std::string>{"velk-media/ffffffffffffffff.png"});

    // The document is gone: the lookup finds nothing, or there is no lookup at all.
    const SchemeHandler::MediaLookup gone = [](std::string_view, std::string_view) -> SharedBytes { return nullptr; };
    for (const auto& lookup : {gone, SchemeHandler::MediaLookup()}) {
        EXPECT_EQ(describe(SchemeHandler::answer("velk-app://editor/velk-media/a.png", bytes("p"), lookup)), "error -1100");
        EXPECT_TRUE(SchemeHandler::answer("velk-app://editor/", bytes("p"), lookup).has_value());
    }
}

TEST(SchemeHandler, DecodedPathDropsHostQueryAndFragment) {
    struct Case {
        std::string url;
        std::optional<std::string> path;
    };
    const Case cases[] = {
        {"velk-app://editor/index.html", "/index.html"},
        {"velk-app://editor/a%20b.png?x#y", "/a b.png"},
        {"velk-app:/velk-media/a.png", "/velk-media/a.png"},
        {"velk-app://editor", ""},
        {"velk-app://editor?x=/y", ""},
        {"velk-app://editor/%zz%4", "/%zz%4"},  // broken escapes stay as they are
        {"/index.html", std::nullopt},         // no scheme
        {"1velk:/x", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(SchemeHandler::decodedPath(c.url), c.path);
    }
}

TEST(EditorBundle, ReadsThePageOrSaysHowToRestoreIt) {
    testing_support::MemoryFileSystem disk;
    disk.addFile("/app/share/velk/index.html", "<html>editor</html>");
    const auto page = EditorBundle::html("/app/share/velk", disk);
    ASSERT_TRUE(page.has_value());
    EXPECT_EQ(**page, "<html>editor</html>");

    disk.addDirectory("/broken/index.html");
    for (const std::string folder : {"/nowhere", "/broken"}) {
        SCOPED_TRACE(folder);
        const auto missing = EditorBundle::html(folder, disk);
        ASSERT_FALSE(missing.has_value());
        EXPECT_EQ(missing.error(), EditorBundle::Failure::missing());
        EXPECT_EQ(missing.error().description(),
                  "The editor bundle is missing from this app's Resources.\n"
                  "It is copied from pkg/velk/dist/index.html at build time;\n"
                  "run `just build-frontend` and build again.");
    }
}

}  // namespace
}  // namespace velk
