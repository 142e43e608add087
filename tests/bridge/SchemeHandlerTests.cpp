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

using SchemeHandler::MediaLookup;

SharedBytes bytes(std::string text) { return std::make_shared<const std::string>(std::move(text)); }

// A document's media, recording every name it was asked for.
struct FakeMedia {
    std::map<std::string, SharedBytes> files;  // "directory/name"
    std::vector<std::string> asked;
    MediaLookup lookup() {
        return [this](std::string_view name, std::string_view directory) -> SharedBytes {
            asked.push_back(std::string(directory) + "/" + std::string(name));
            const auto found = files.find(asked.back());
            return found == files.end() ? nullptr : found->second;
        };
    }
};

std::string describe(const Expected<SchemeHandler::Response, SchemeHandler::URLError>& answer) {
    if (!answer) return "error " + std::to_string(answer.error().code);
    std::string text = std::to_string(answer->status) + " " + answer->httpVersion + " " + answer->url + "\n";
    for (const auto& [name, value] : answer->headers) text += name + ": " + value + "\n";
    return text + "\n" + (answer->body ? *answer->body : "<no body>");
}

TEST(SchemeHandler, ServesThePageAtTheRootOnlyWithoutACopy) {
    const SharedBytes page = bytes("<html>velk</html>");
    FakeMedia media;
    const std::string served[] = {"velk-app://editor/", "velk-app://editor/index.html",
                                  "velk-app://other-host/index.html",  // the host is not looked at
                                  "velk-app://editor/index.html?x=1#/?z=2", "velk-app://editor/%69ndex.html"};  // the path is decoded first
    for (const std::string& url : served) {
        const auto answer = SchemeHandler::answer(url, page, media.lookup());
        EXPECT_EQ(describe(answer), "200 HTTP/1.1 " + url + "\nContent-Type: text/html; charset=utf-8\nContent-Length: 17\n"
                                    "Content-Security-Policy: default-src 'none'; img-src velk-app: data: blob:; style-src 'unsafe-inline'; "
                                    "script-src 'unsafe-inline'; font-src data:; connect-src 'none'\n\n<html>velk</html>");
        EXPECT_EQ(answer->body.get(), page.get()) << url;
    }
    const std::optional<std::string> unsupported[] = {"velk-app://editor/index.htm", "velk-app://editor/index.html/", "velk-app://editor",
                                                      "velk-app://editor/velk-media" /* a media directory needs its slash */,
                                                      "velk-app://editor/plovet-media", "velk-app://editor/map.canvas",
                                                      "velk-app://editor/other/index.html", "not a url", "", std::nullopt};
    for (const auto& url : unsupported) EXPECT_EQ(describe(SchemeHandler::answer(url, page, media.lookup())), "error -1002") << url.value_or("none");
    EXPECT_TRUE(media.asked.empty());
}

TEST(SchemeHandler, ServesStoredImagesWithTheirTypeAndAYearOfCaching) {
    FakeMedia media;
    media.files = {{"velk-media/0123456789abcdef.png", bytes("PNG!")}, {"plovet-media/old.jpg", bytes("JPEG")}, {"velk-media/drawing.svg", bytes("<svg/>")}};
    const std::string cached = "Cache-Control: max-age=31536000, immutable\n";
    const std::pair<std::string, std::string> cases[] = {
        {"velk-media/0123456789abcdef.png", "Content-Type: image/png\nContent-Length: 4\n" + cached + "\nPNG!"},
        {"plovet-media/old.jpg?v=2", "Content-Type: image/jpeg\nContent-Length: 4\n" + cached + "\nJPEG"},
        {"velk-media/drawing.svg", "Content-Type: image/svg+xml\nContent-Length: 6\n" + cached +
                                       "Content-Security-Policy: default-src 'none'; style-src 'unsafe-inline'; sandbox\n\n<svg/>"},
    };
    for (const auto& [path, answer] : cases) {
        const std::string url = "velk-app://editor/" + path;
        EXPECT_EQ(describe(SchemeHandler::answer(url, nullptr, media.lookup())), "200 HTTP/1.1 " + url + "\n" + answer);
    }
    EXPECT_EQ(media.asked, (std::vector<std::string>{"velk-media/0123456789abcdef.png", "plovet-media/old.jpg", "velk-media/drawing.svg"}));
}

TEST(SchemeHandler, RefusesBadOrMissingMediaWhileThePageIsStillServed) {
    FakeMedia media;
    media.files["velk-media/a.png"] = bytes("PNG");
    // Refused before the document is asked: an empty name, a way out, a sub-path, a hidden
    // file, a type velk does not store (nor files as .jpeg), a backslash.
    for (const char* name : {"", "../index.html", "..%2Fmap.canvas", "sub/a.png", ".hidden.png", "a.exe", "a.jpeg", "a%5Cb.png"}) {
        EXPECT_EQ(describe(SchemeHandler::answer("velk-app://editor/velk-media/" + std::string(name), bytes("p"), media.lookup())), "error -1100") << name;
    }
    EXPECT_TRUE(media.asked.empty());
    EXPECT_EQ(describe(SchemeHandler::answer("velk-app://editor/velk-media/ffffffffffffffff.png", bytes("p"), media.lookup())), "error -1100");
    EXPECT_EQ(media.asked, std::vector<std::string>{"velk-media/ffffffffffffffff.png"});
    // The document is gone: the lookup finds nothing, or there is no lookup at all.
    for (const MediaLookup& lookup : {MediaLookup([](std::string_view, std::string_view) -> SharedBytes { return nullptr; }), MediaLookup()}) {
        EXPECT_EQ(describe(SchemeHandler::answer("velk-app://editor/velk-media/a.png", bytes("p"), lookup)), "error -1100");
        EXPECT_TRUE(SchemeHandler::answer("velk-app://editor/", bytes("p"), lookup).has_value());
    }
}

TEST(SchemeHandler, DecodedPathDropsHostQueryAndFragment) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"velk-app://editor/a%20b.png?x#y", "/a b.png"}, {"velk-app:/velk-media/a.png", "/velk-media/a.png"}, {"velk-app://editor", ""},
        {"velk-app://editor?x=/y", ""}, {"velk-app://editor/%zz%4", "/%zz%4"},  // broken escapes stay as they are
        {"/index.html", std::nullopt}, {"1velk:/x", std::nullopt},             // no scheme
    };
    for (const auto& [url, path] : cases) EXPECT_EQ(SchemeHandler::decodedPath(url), path) << url;
}

TEST(EditorBundle, ReadsThePageOrSaysHowToRestoreIt) {
    testing_support::MemoryFileSystem disk;
    disk.addFile("/app/share/velk/index.html", "<html>editor</html>");
    EXPECT_EQ(*EditorBundle::html("/app/share/velk", disk).value(), "<html>editor</html>");
    disk.addDirectory("/broken/index.html");
    for (const std::string folder : {"/nowhere", "/broken"}) {
        const auto missing = EditorBundle::html(folder, disk);
        ASSERT_FALSE(missing.has_value()) << folder;
        EXPECT_EQ(missing.error().description(), "The editor bundle is missing from this app's Resources.\n"
                                                 "It is copied from pkg/velk/dist/index.html at build time;\n"
                                                 "run `just build-frontend` and build again.");
    }
}

}  // namespace
}  // namespace velk
