// Opening velk: links against a scripted share service: what is fetched, traced, asked, shown,
// written into the maps folder and remembered, for every kind of link and answer.

#include "app/OpenLinks.h"

#include "package/MemoryFileSystem.h"
#include "platform/JSONFileDefaults.h"
#include "platform/ManualMainQueue.h"
#include "platform/RecordingWorkspace.h"
#include "platform/ScriptedHttpClient.h"
#include "share/ShareBase.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using Lines = std::vector<std::string>;
using testing_support::ScriptedHttpClient;

const std::string share = "velk://s/abcdefgh2345", handoff = "velk://h/abcdefgh23456789";
const std::string map = R"({"name":"Trip","state":{"maps":[{"path":"/","canvas":{"nodes":[],"edges":[]}}]}})";
HttpClient::Result answer(int status, std::string body = {}) { return ScriptedHttpClient::response(status, std::move(body)); }

// Maps go to /maps. One journal holds, in order, the trace (without "OpenLinks: "), the request
// with the holds then taken, the folder question, dialogs (always answered "Show in Browser"),
// browser pages and windows; then the maps folder's names and the remembered copies, if any.
struct Rig {
    testing_support::MemoryFileSystem disk;
    JSONFileDefaults defaults{disk, "/config/defaults.json"};
    ScriptedHttpClient http;
    testing_support::ManualMainQueue queue;
    testing_support::Journal journal;
    testing_support::RecordingWorkspace workspace{journal};
    std::optional<std::string> folder = "/maps";
    int holds = 0;
    OpenLinks links{{http, queue, defaults, disk, workspace,
                     TraceSink([this](std::string_view line) { journal.write(std::string(line.substr(11))); }),
                     [this](OpenLinks::FolderChosen then) { journal.write("folder?"), then(folder); },
                     [this](const OpenLinks::Alert& alert, std::function<void(OpenLinks::Choice)> answered) {
                         journal.write("dialog: " + alert.title + (alert.page ? " + " + *alert.page : ""));
                         answered(OpenLinks::Choice::showInBrowser);
                     },
                     [this](const std::string& package) { return journal.write("window: " + package), true; },
                     [this] { ++holds; }, [this] { --holds; }}};

    explicit Rig(const std::string& base = "http://127.0.0.1:8080") {
        disk.addDirectory("/maps");
        defaults.setString("ShareBase", base);
    }

    // Opens `url` and gives the request, if one is made, `result`; absent stands for no HTTP answer at all.
    Lines open(const std::string& url, const std::optional<HttpClient::Result>& result) {
        journal.events.clear();
        const std::size_t request = http.requests().size();
        links.open(url);
        if (http.requests().size() > request) {
            journal.write("GET " + http.requests()[request].url + " held " + std::to_string(holds));
            if (result) http.complete(request, *result);
            else links.arrived(*SharedLink::link(url), chosenShareBase(defaults.string("ShareBase")), {}, {}, {});
        }
        queue.runDue();
        std::string names = "maps:";
        const auto entries = disk.list("/maps");
        for (const auto& entry : *entries) names += " " + entry.name;
        if (!entries->empty()) journal.write(names);
        for (const auto& [id, path] : defaults.dictionary("SharedCopies").value_or(DefaultsDictionary{}))
            journal.write("copy: " + id + " " + path);
        return journal.events;
    }
};

TEST(OpenLinks, EveryLinkAndAnswerEndsInAWindowOrOneAlert) {
    const std::string get = "GET http://127.0.0.1:8080/api/share/abcdefgh2345 held 1", answered = "abcdefgh2345 answered ";
    const std::string getHandoff = "GET http://127.0.0.1:8080/api/handoff/abcdefgh23456789 held 1";
    const std::string unopened = "The shared map could not be opened", dialog = "dialog: The shared map could not be opened";
    const std::string unreadable = unopened + " \u2014 It is not a map this version of velk can read.";
    const Lines cannot = {"velk cannot open this link \u2014 Only links to maps shared on 127.0.0.1 open here.",
                          "dialog: velk cannot open this link"};
    const struct {
        std::string url;
        std::optional<HttpClient::Result> result;
        Lines expected;
        std::string base = "http://127.0.0.1:8080";
        std::optional<std::string> folder = "/maps";
    } rows[] = {
        {"velk://s/short", {}, {"velk://s/short", cannot[0], cannot[1]}},
        {share, answer(200, map), {share, get, answered + "200", "folder?", "abcdefgh2345 \u2192 /maps/Trip.velk",
          "window: /maps/Trip.velk", "opened Trip.velk: window", "maps: Trip.velk", "copy: abcdefgh2345 /maps/Trip.velk"}},
        {handoff, answer(200, map), {handoff, getHandoff, "abcdefgh23456789 answered 200", "folder?",
          "abcdefgh23456789 \u2192 /maps/Trip.velk", "window: /maps/Trip.velk", "opened Trip.velk: window", "maps: Trip.velk"},
         "http://127.0.0.1:8080/"},
        {share, answer(200, map), {share, get, answered + "200", "folder?"}, "http://127.0.0.1:8080", std::nullopt},
        {share, answer(200, R"({"state":{}})"), {share, get, answered + "200", "folder?", unreadable, dialog}},
        {share, answer(410), {share, get, answered + "410", "This map was removed \u2014 127.0.0.1 says why on the link's page.",
          "dialog: This map was removed + http://127.0.0.1:8080/s/abcdefgh2345", "open: http://127.0.0.1:8080/s/abcdefgh2345"}},
        {share, answer(404), {share, "GET " + std::string(defaultShareBase()) + "api/share/abcdefgh2345 held 1", answered + "404",
          "This link no longer works \u2014 Whoever shared the map has stopped sharing it.", "dialog: This link no longer works"},
         "not a url"},
        {handoff, answer(404), {handoff, getHandoff, "abcdefgh23456789 answered 404", "This map was already opened \u2014 A map "
          "handed over from the browser opens once, within ten minutes. Use Open in App in the browser again.",
          "dialog: This map was already opened"}},
        {share, answer(503), {share, get, answered + "503", unopened + " \u2014 127.0.0.1 answered 503.", dialog}},
        {share, Unexpected(HttpError::transport("Connection refused")),
         {share, get, answered + "nothing \u2014 Connection refused", unopened + " \u2014 Connection refused", dialog}},
        {share, std::nullopt, {share, get, answered + "nothing", unopened + " \u2014 No answer.", dialog}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expected.size() > 2 ? row.expected[2] : row.url);
        Rig rig(row.base);
        rig.folder = row.folder;
        EXPECT_EQ(rig.open(row.url, row.result), row.expected);
        // Only the request the row leaves unanswered still holds the application.
        EXPECT_EQ(rig.holds, !rig.http.requests().empty() && !row.result) << "holds left";
    }
}

TEST(OpenLinks, AShareOpensTheCopyItMadeUntilThatCopyIsGone) {
    Rig rig;
    rig.disk.addDirectory("/maps/Trip.velk");
    // The place the copy takes was another share's copy once, deleted since.
    rig.defaults.setDictionary("SharedCopies", {{"abcdefgh2345", "/maps/Moved away.velk"}, {"zzzzzzzz2345", "/maps/Trip 2.velk"}});
    EXPECT_EQ(rig.open(share, answer(200, map)).at(4), "abcdefgh2345 \u2192 /maps/Trip 2.velk");
    const Lines again = rig.open(share, answer(200, map));
    EXPECT_EQ(Lines(again.begin() + 3, again.end()), (Lines{"folder?", "window: /maps/Trip 2.velk", "opened Trip 2.velk: window",
                                                            "maps: Trip 2.velk Trip.velk", "copy: abcdefgh2345 /maps/Trip 2.velk"}));
}

}  // namespace
}  // namespace velk
