// The service's web pages over a real SQLite store: what each address answers, the headers
// every page carries, escaping of whatever a publisher or a link puts in, and the feedback flow.

#include "ShareServiceTestSupport.h"
#include "core/Base64.h"
#include "json/OrderedJSON.h"
#include "pages/Html.h"
#include "pages/PagePath.h"
#include "pages/SharePages.h"
#include "service/ShareService.h"
#include "store/SqliteShareStore.h"

#include <gtest/gtest.h>
#include <openssl/sha.h>
#include <sqlite3.h>

#include <fstream>

namespace velk::share {
namespace {

using namespace std::chrono_literals;
using Headers = std::vector<std::pair<std::string, std::string>>;

// An 8×8 PNG in velk's lantern orange, under its content name.
constexpr std::string_view pngBase64 =
    "iVBORw0KGgoAAAANSUhEUgAAAAgAAAAICAIAAABLbSncAAAAEUlEQVR4nGP4tNIaK2IYWhIAFzp1gfOS+JIAAAAASUVORK5CYII=";
constexpr std::string_view pngPath = "velk-media/33f9ea4d2fe3afb2.png";

// A map with a card that opens a submap and an image card.
const std::string mapWithSubmap =
    R"({"maps":[{"path":"/","canvas":{"nodes":[)"
    R"({"id":"sub","type":"text","text":"Plans","x":0,"y":0,"width":250,"height":60},)"
    R"({"id":"img","type":"file","file":"velk-media/33f9ea4d2fe3afb2.png","x":300,"y":0,"width":120,"height":120}],"edges":[]},"sidecar":{}},)"
    R"({"path":"/sub","canvas":{"nodes":[{"id":"in","type":"text","text":"Inside","x":0,"y":0,"width":250,"height":60}],"edges":[]},"sidecar":{}}]})";

std::string header(const ServiceResponse& response, std::string_view name) {
    for (const auto& [key, value] : response.headers)
        if (key == name) return value;
    return {};
}

class SharePagesTest : public ::testing::Test {
protected:
    SharePagesTest() : m_store(SqliteShareStore::open(m_folder.path() + "/s.sqlite").value()) { (void)m_store->migrate(); }

    ServiceResponse send(std::string method, std::string path, std::string body = {}, Headers headers = {}) {
        return pages.answer({std::move(method), "/velk/" + std::move(path), std::move(headers), std::move(body), "192.0.2.1"});
    }
    ServiceResponse get(std::string path) { return send("GET", std::move(path)); }

    std::string publish(const std::string& nameJSON, const std::string& state = mapWithSubmap) {
        const std::string media = R"(,"media":{")" + std::string(pngPath) + R"(":")" + std::string(pngBase64) + R"("})";
        const ServiceResponse answer = send("POST", "api/share", R"({"name":)" + nameJSON + R"(,"state":)" + state + media + "}");
        EXPECT_EQ(answer.status, 201) << answer.body;
        const auto id = OrderedJSON::parse(answer.body).value()["id"];
        return id ? std::string(*id->stringValue()) : "";
    }

    // The page's embedded share: the text of <script type="application/json" id="share">.
    static std::string embedded(const std::string& page) {
        const std::string open = R"(<script type="application/json" id="share">)";
        const std::size_t start = page.find(open);
        if (start == page.npos) return {};
        const std::size_t end = page.find("</script>", start);
        return page.substr(start + open.size(), end - start - open.size());
    }

    testing_support::ScratchFolder m_folder;
    std::unique_ptr<SqliteShareStore> m_store;
    std::chrono::system_clock::time_point m_now{1'800'000'000s};
    ShareService service{*m_store, {.base = "https://share.example.org/velk/", .writesPerMinute = 0},
                         [this] { return m_now; }, [](std::string_view) {}};
    SharePages pages{service};
};

TEST_F(SharePagesTest, EveryAddressAnswersWithItsStatusTypeAndStrictHeaders) {
    const std::string live = publish(R"("Trip")");
    const std::string withdrawn = publish(R"("Old")");
    const std::string removed = publish(R"("Bad")");
    ASSERT_TRUE(m_store->withdraw(withdrawn, 1).value());
    ASSERT_TRUE(m_store->remove(removed, "Copyright complaint.", 1).value());

    const struct {
        std::string row, method, path;
        int status;
        std::string type, location;
    } rows[] = {
        {"live share", "GET", "s/" + live, 200, "text/html; charset=utf-8", ""},
        {"head of a live share", "HEAD", "s/" + live, 200, "text/html; charset=utf-8", ""},
        {"withdrawn share", "GET", "s/" + withdrawn, 404, "text/html; charset=utf-8", ""},
        {"never shared", "GET", "s/abcdefgh2345", 404, "text/html; charset=utf-8", ""},
        {"not a share id", "GET", "s/ABC", 404, "text/html; charset=utf-8", ""},
        {"removed share", "GET", "s/" + removed, 410, "text/html; charset=utf-8", ""},
        {"image", "GET", "s/" + live + "/media/" + std::string(pngPath), 200, "image/png", ""},
        {"image not in the share", "GET", "s/" + live + "/media/velk-media/0000000000000000.png", 404, "text/plain; charset=utf-8", ""},
        {"image of a removed share", "GET", "s/" + removed + "/media/" + std::string(pngPath), 410, "text/plain; charset=utf-8", ""},
        {"not an image name", "GET", "s/" + live + "/media/velk-media/a.html", 404, "text/html; charset=utf-8", ""},
        {"outside the media folders", "GET", "s/" + live + "/media/..%2fs.sqlite", 404, "text/html; charset=utf-8", ""},
        {"feedback form", "GET", "feedback/", 200, "text/html; charset=utf-8", ""},
        {"shortcuts", "GET", "shortcuts/", 200, "text/html; charset=utf-8", ""},
        {"feedback without slash", "GET", "feedback?client=linux", 308, "text/plain; charset=utf-8", "/velk/feedback/?client=linux"},
        {"shortcuts without slash", "GET", "shortcuts", 308, "text/plain; charset=utf-8", "/velk/shortcuts/"},
        {"share page with slash", "GET", "s/" + live + "/", 308, "text/plain; charset=utf-8", "/velk/s/" + live},
        {"no page", "GET", "nothing", 404, "text/html; charset=utf-8", ""},
        {"post to a page", "POST", "s/" + live, 405, "text/html; charset=utf-8", ""},
        {"the service's own route", "GET", "api/share/" + live, 200, "application/json", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.row);
        const ServiceResponse answer = send(row.method, row.path);
        EXPECT_EQ(answer.status, row.status);
        EXPECT_EQ(header(answer, "Content-Type"), row.type);
        EXPECT_EQ(header(answer, "Location"), row.location);
        if (row.method == "HEAD") {
            EXPECT_TRUE(answer.body.empty());
        }
        if (row.type == "application/json") continue;
        const std::string policy = header(answer, "Content-Security-Policy");
        EXPECT_TRUE(policy.starts_with("default-src 'none'")) << policy;
        if (row.type.starts_with("text/html")) {
            EXPECT_NE(policy.find("frame-ancestors 'none'"), std::string::npos) << policy;
        }
        EXPECT_EQ(header(answer, "X-Content-Type-Options"), "nosniff");
        EXPECT_EQ(header(answer, "Referrer-Policy"), "no-referrer");
        EXPECT_FALSE(header(answer, "Cache-Control").empty());
    }
    EXPECT_EQ(Base64::encode(get("s/" + live + "/media/" + std::string(pngPath)).body), pngBase64);
    EXPECT_EQ(header(send("POST", "s/" + live), "Allow"), "GET, HEAD");
    const std::string gone = get("s/" + removed).body;
    EXPECT_NE(gone.find("This map was removed"), std::string::npos);
    EXPECT_NE(gone.find("Copyright complaint."), std::string::npos);
    EXPECT_NE(get("s/" + withdrawn).body.find("no longer shared"), std::string::npos);
}

TEST_F(SharePagesTest, AStoreInTroubleGivesA503PageThatAsksToTryAgain) {
    const std::string id = publish(R"("Trip")");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((m_folder.path() + "/s.sqlite").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "DROP TABLE handoffs; DROP TABLE shares;", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    for (const std::string& path : {"s/" + id, "s/" + id + "/media/" + std::string(pngPath)}) {
        SCOPED_TRACE(path);
        const ServiceResponse answer = get(path);
        EXPECT_EQ(answer.status, 503);
        EXPECT_EQ(header(answer, "X-Content-Type-Options"), "nosniff");
    }
    EXPECT_EQ(header(get("s/" + id), "Retry-After"), "30");
}

TEST_F(SharePagesTest, TheViewerEmbedsTheStateAndItsPolicyAllowsExactlyItsOwnScript) {
    const std::string id = publish(R"("Trip")");
    const ServiceResponse page = get("s/" + id);
    ASSERT_EQ(page.status, 200);

    const auto share = OrderedJSON::parse(embedded(page.body));
    ASSERT_TRUE(share) << embedded(page.body).substr(0, 200);
    EXPECT_EQ(*(*share)["name"]->stringValue(), "Trip");
    EXPECT_EQ(*(*share)["media"]->stringValue(), "/velk/s/" + id + "/media/");
    EXPECT_EQ(*(*share)["handoff"]->stringValue(), "/velk/api/share/" + id + "/handoff");
    EXPECT_EQ(OrderedJSON::write(*(*share)["state"], Pretty::no), mapWithSubmap);

    // Every inline script and style sheet of the page must be one the policy names by digest.
    const std::string policy = header(page, "Content-Security-Policy");
    // Found by hand, not std::regex: its matcher recurses per character and overflows the stack
    // on the viewer's 100 KB script in a debug build.
    int checked = 0;
    for (const std::string tag : {"script", "style"}) {
        for (std::size_t at = page.body.find("<" + tag + ">"); at != std::string::npos;
             at = page.body.find("<" + tag + ">", at + 1), ++checked) {
            const std::size_t start = at + tag.size() + 2, end = page.body.find("</" + tag + ">", start);
            ASSERT_NE(end, std::string::npos) << tag;
            const std::string content = page.body.substr(start, end - start);
            unsigned char digest[SHA256_DIGEST_LENGTH];
            SHA256(reinterpret_cast<const unsigned char*>(content.data()), content.size(), digest);
            const std::string source = "'sha256-" + Base64::encode({reinterpret_cast<const char*>(digest), sizeof digest}) + "'";
            EXPECT_NE(policy.find(source), std::string::npos) << tag << " " << source << " not in " << policy;
        }
    }
    EXPECT_EQ(checked, 2);
    EXPECT_EQ(policy.find("unsafe"), std::string::npos) << policy;
}

TEST_F(SharePagesTest, HostileNamesAndReasonsNeverReachThePageAsMarkup) {
    const struct {
        std::string row, nameJSON, shown;
    } rows[] = {
        {"script end", R"("</script><script>alert(1)</script>")", "</script><script>alert(1)</script>"},
        {"image tag", R"("<img src=x onerror=alert(1)>")", "<img src=x onerror=alert(1)>"},
        {"quotes and comment", R"("\"'><!--")", "\"'><!--"},
        {"entity", R"("&amp; &lt;")", "&amp; &lt;"},
        {"line separators", "\"a\\u2028b\\u2029c\"", "a\u2028b\u2029c"},
        {"uppercase script end", R"("</SCRIPT >")", "</SCRIPT >"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.row);
        const std::string id = publish(row.nameJSON);
        const std::string page = get("s/" + id).body;
        EXPECT_NE(page.find("<title>" + Html::escape(row.shown) + " — velk</title>"), std::string::npos);
        for (const std::string_view raw : {"<img src=x", "<script>alert", "\"'><!--", "</SCRIPT", "&amp; &lt;"})
            EXPECT_EQ(page.find(raw), std::string::npos) << raw;
        const auto share = OrderedJSON::parse(embedded(page));
        ASSERT_TRUE(share);
        EXPECT_EQ(*(*share)["name"]->stringValue(), row.shown);

        ASSERT_TRUE(m_store->remove(id, row.shown, 1).value());
        const std::string removed = get("s/" + id).body;
        EXPECT_NE(removed.find("<blockquote>" + Html::escape(row.shown) + "</blockquote>"), std::string::npos);
    }
}

TEST(SharePagesHtml, EscapingTurnsEveryMarkupCharacterIntoAReference) {
    const struct {
        std::string row, text, escaped;
    } rows[] = {
        {"plain", "Trip 2024", "Trip 2024"},
        {"markup", "<a href=\"x\">'&'</a>", "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;"},
        {"already escaped", "&lt;", "&amp;lt;"},
        {"not UTF-8", "a\xff<", "a\xEF\xBF\xBD&lt;"},
        {"cut sequence", "\xE2\x80", "\xEF\xBF\xBD"},
    };
    for (const auto& row : rows) EXPECT_EQ(Html::escape(row.text), row.escaped) << row.row;
    EXPECT_EQ(Html::scriptJSON(R"({"a":"</script><!--&"})"), R"({"a":"\u003c/script\u003e\u003c!--\u0026"})");
    EXPECT_EQ(Html::scriptJSON("\"\xE2\x80\xA8\xE2\x80\xA9\xE2\x80\xA7\""), "\"\\u2028\\u2029\xE2\x80\xA7\"");
}

TEST(SharePagesPath, TargetsNameTheirPage) {
    using namespace PagePath;
    const struct {
        std::string target;
        Page page;
    } rows[] = {
        {"/v/s/abcdefgh2345", Viewer{"abcdefgh2345"}},
        {"/v/s/abcdefgh2345?x=1#y", Viewer{"abcdefgh2345"}},
        {"/v/s/abcdefgh2345/", Redirect{"s/abcdefgh2345"}},
        {"/v/s/\ra/", Unknown{}},
        {"/v/s/abc/media/velk-media/a%20b.png", Media{"abc", "velk-media/a b.png"}},
        {"/v/s/abc/media/plovet-media/a.JPG", Media{"abc", "plovet-media/a.JPG"}},
        {"/v/s/abc/media/velk-media/..%2F..%2Fx.png", Unknown{}},
        {"/v/s/abc/media/velk-media/.hidden.png", Unknown{}},
        {"/v/s/abc/media/velk-media/a.png/b", Unknown{}},
        {"/v/s/abc/media/images/a.png", Unknown{}},
        {"/v/s/abc/media/velk-media/a%2.png", Unknown{}},
        {"/v/s/abc/media/velk-media/a%zz.png", Unknown{}},
        {"/v/s/abc/other", Unknown{}},
        {"/v/s/", Unknown{}},
        {"/v/feedback/?tester=x", PagePath::Feedback{}},
        {"/v/feedback?tester=x", Redirect{"feedback/?tester=x"}},
        {"/v/shortcuts/", Shortcuts{}},
        {"/v/shortcuts", Redirect{"shortcuts/"}},
        {"/v/feedback?a=1\r\nSet-Cookie: x=\xC3\xA9", Redirect{"feedback/?a=1%0D%0ASet-Cookie:%20x=%C3%A9"}},
        {"/s/abcdefgh2345", Unknown{}},
        {"", Unknown{}},
    };
    for (const auto& row : rows) EXPECT_EQ(parse(row.target, "/v/"), row.page) << row.target;
    EXPECT_EQ(query("/v/feedback/?a=1&b=2#c"), "a=1&b=2");
    EXPECT_EQ(queryEncoded("a&b=c d/é"), "a%26b%3Dc%20d%2F%C3%A9");
}

TEST_F(SharePagesTest, TheFeedbackFormCarriesTheLinksQueryAndDropsWhatTheServiceWouldRefuse) {
    const std::string page = get("feedback/?tester=t-abcdefghijkl&client=linux&version=0.1.0&message=a%26b%3Dc%3Cscript%3E").body;
    EXPECT_NE(page.find(R"(<input type="hidden" name="tester" value="t-abcdefghijkl">)"), std::string::npos);
    EXPECT_NE(page.find(R"(<input type="hidden" name="client" value="linux">)"), std::string::npos);
    EXPECT_NE(page.find("autofocus>\na&amp;b=c&lt;script&gt;</textarea>"), std::string::npos);
    EXPECT_NE(page.find(R"(action="/velk/feedback/")"), std::string::npos);

    const std::string tampered = get("feedback/?tester=BAD&client=%C2%9B&version=%22%3E%3Cb%3E").body;
    EXPECT_EQ(tampered.find("name=\"tester\""), std::string::npos);
    EXPECT_EQ(tampered.find("name=\"client\""), std::string::npos);
    EXPECT_NE(tampered.find(R"(name="version" value="&quot;&gt;&lt;b&gt;")"), std::string::npos);
    EXPECT_EQ(tampered.find("<b>"), std::string::npos);
}

TEST_F(SharePagesTest, ABrowsersFeedbackPostEndsOnAThankYouPageOrTheFormWithTheReason) {
    const Headers browser{{"content-type", "application/x-www-form-urlencoded"}, {"accept", "text/html,application/xhtml+xml,*/*;q=0.8"}};
    const ServiceResponse sent = send("POST", "feedback/", "tester=t-abcdefghijkl&client=linux&version=0.1.0&message=Nice+map%21", browser);
    EXPECT_EQ(sent.status, 303);
    EXPECT_EQ(header(sent, "Location"), "/velk/feedback/?sent=1&tester=t-abcdefghijkl&client=linux&version=0.1.0");
    EXPECT_EQ(m_store->feedback().value(), (std::vector<Feedback>{{1'800'000'000, "t-abcdefghijkl", "linux", "0.1.0", "Nice map!"}}));
    const std::string thanks = pages.answer({"GET", header(sent, "Location"), {}, {}, "c"}).body;
    EXPECT_NE(thanks.find("Thank you"), std::string::npos);
    EXPECT_NE(thanks.find(R"(href="/velk/feedback/?tester=t-abcdefghijkl&amp;client=linux&amp;version=0.1.0")"), std::string::npos);

    const ServiceResponse empty = send("POST", "feedback/", "client=linux&message=%0A+%0A", browser);
    EXPECT_EQ(empty.status, 400);
    EXPECT_EQ(header(empty, "Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(empty.body.find("role=\"alert\">Write a message before sending.</p>"), std::string::npos) << empty.body;
    EXPECT_NE(empty.body.find("autofocus>\n\n \n</textarea>"), std::string::npos) << "what was typed is kept, first line feed too";
    EXPECT_NE(empty.body.find(R"(name="client" value="linux")"), std::string::npos);

    // A program asking for JSON gets the service's own answer.
    const ServiceResponse program = send("POST", "feedback/", "message=hi", {{"content-type", "application/x-www-form-urlencoded"}, {"accept", "application/json"}});
    EXPECT_EQ(program.status, 201);
    EXPECT_EQ(program.body, R"({"received":true})");
}

TEST_F(SharePagesTest, TheShortcutsPageListsEveryCommandOfTheEditorsTable) {
    // The editor's table in its source: one key(...) line per command.
    std::ifstream source(VELK_EDITOR_COMMANDS);
    ASSERT_TRUE(source);
    std::size_t commands = 0;
    for (std::string line; std::getline(source, line);) commands += line.starts_with("  key(\"");
    const std::string page = get("shortcuts/").body;
    std::size_t rows = 0;
    for (std::size_t at = page.find("<tr><td>"); at != std::string::npos; at = page.find("<tr><td>", at + 1)) ++rows;
    EXPECT_GT(commands, 20u);
    EXPECT_EQ(rows, commands);
    EXPECT_NE(page.find("<td>Save a copy under a new name</td><td><kbd>Ctrl+Shift+S</kbd></td>"), std::string::npos);
    EXPECT_NE(page.find("<kbd>Ctrl+C / Ctrl+X / Ctrl+V</kbd>"), std::string::npos);
}

}  // namespace
}  // namespace velk::share
