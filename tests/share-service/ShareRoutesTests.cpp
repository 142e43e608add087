// The service's routes over a real SQLite store, with a clock the tests move.

#include "ShareServiceTestSupport.h"
#include "json/OrderedJSON.h"
#include "service/PublishBody.h"
#include "service/ShareService.h"
#include "share/SharedLink.h"
#include "store/SqliteShareStore.h"

#include <gtest/gtest.h>

namespace velk::share {
namespace {

using namespace std::chrono_literals;

class ShareRoutes : public ::testing::Test {
protected:
    ShareRoutes() : m_store(SqliteShareStore::open(m_folder.path() + "/s.sqlite").value()) { (void)m_store->migrate(); }

    ServiceResponse send(std::string method, std::string path, std::string body = {}, std::string client = "192.0.2.1",
                         std::vector<std::pair<std::string, std::string>> headers = {}) {
        return service.handle({std::move(method), "/velk/" + std::move(path), std::move(headers), std::move(body), std::move(client)});
    }
    static std::string member(const ServiceResponse& response, std::string_view key) {
        const auto value = OrderedJSON::parse(response.body);
        const auto found = value ? (*value)[key] : std::nullopt;
        return found && found->stringValue() ? std::string(*found->stringValue()) : "";
    }
    // Publishes `state` and gives back the answer's id and token.
    std::pair<std::string, std::string> publish(const std::string& state = testing_support::mapState(1)) {
        const ServiceResponse answer = send("POST", "api/share", R"({"name":"Trip","state":)" + state + "}");
        EXPECT_EQ(answer.status, 201) << answer.body;
        return {member(answer, "id"), member(answer, "token")};
    }

    testing_support::ScratchFolder m_folder;
    std::unique_ptr<SqliteShareStore> m_store;
    std::chrono::system_clock::time_point m_now{1'800'000'000s};
    ShareService service{*m_store, {.base = "https://share.example.org/velk/", .writesPerMinute = 60, .writeBurst = 3},
                         [this] { return m_now; }, [](std::string_view) {}};
};

TEST_F(ShareRoutes, PublishedMapIsServedByteForByteWithItsMedia) {
    const std::string state = R"({ "maps" : [ {"path":"/","canvas":{"nodes":[],"edges":[]}} ], "n": 1.50 })";
    const std::string media = R"({"velk-media/0123456789abcdef.png":"iVBORw0KGgo="})";
    const ServiceResponse answer = send("POST", "api/share", R"({"name":"Trip","state":)" + state + R"(,"media":)" + media + "}");
    ASSERT_EQ(answer.status, 201) << answer.body;
    const std::string id = member(answer, "id");
    EXPECT_TRUE(SharedLink::isShareID(id));
    EXPECT_EQ(member(answer, "url"), "https://share.example.org/velk/s/" + id);
    EXPECT_EQ(member(answer, "token").size(), 64u);

    const ServiceResponse fetched = send("GET", "api/share/" + id);
    ASSERT_EQ(fetched.status, 200);
    EXPECT_EQ(fetched.body, R"({"name":"Trip","state":)" + state + R"(,"media":)" + media + "}");
    const auto opened = SharedLink::open(fetched.body).value();
    EXPECT_EQ(opened.name, "Trip");
    EXPECT_TRUE(opened.tree.at("velk-media/0123456789abcdef.png").has_value());
}

TEST_F(ShareRoutes, BadPublishBodiesAreRefusedWithAReason) {
    const std::string state = testing_support::mapState(1);
    const std::string big(PublishBody::stateLimit, ' ');
    const std::string file26((26 << 20) / 3 * 4, 'A');
    const struct {
        std::string body;
        int status;
        std::string error;
    } rows[] = {
        {"not json", 400, "The publish request must be a JSON object with \"name\" and \"state\"."},
        {"[]", 400, "The publish request must be a JSON object with \"name\" and \"state\"."},
        {R"({"name":"x"})", 400, "The publish request has no \"state\"."},
        {R"({"state":[],"state":)" + state + "}", 400, "The publish request holds \"state\" twice."},
        {R"({"name":7,"state":)" + state + "}", 400, "\"name\" must be a string."},
        {R"({"state":{"maps":{}}})", 400, "The map's state has no \"maps\" array."},
        {R"({"state":"maps"})", 400, "\"state\" must be a map's editor state, a JSON object."},
        {R"({"state":{"maps":[)" + big + "]}}", 413, "The map is larger than 32 MiB."},
        {R"({"state":)" + state + R"(,"media":[]})", 400, "\"media\" must be an object from file paths to Base64 text."},
        {R"({"state":)" + state + R"(,"media":{"../a.png":"AA=="}})", 400, "The media path \"../a.png\" is not an image in velk-media/."},
        {R"({"state":)" + state + R"(,"media":{"velk-media/a.png":"AA= "}})", 400, "The media file \"velk-media/a.png\" is not Base64 text."},
        {R"({"state":)" + state + R"(,"media":{"velk-media/a.png":""}})", 400, "The media file \"velk-media/a.png\" is empty."},
        {R"({"state":)" + state + R"(,"media":{"velk-media/a.png":")" + file26 + "\"}}", 413,
         "The media file \"velk-media/a.png\" is larger than 25 MiB."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.error);
        const ServiceResponse answer = service.handle({"POST", "/velk/api/share", {}, row.body, "198.51.100." + row.error});
        EXPECT_EQ(answer.status, row.status);
        EXPECT_EQ(member(answer, "error"), row.error);
    }
}

TEST_F(ShareRoutes, AllMediaTogetherMayNotPass200MiB) {
    std::string body = R"({"state":)" + testing_support::mapState(1) + R"(,"media":{)";
    const std::size_t file = PublishBody::mediaFileLimit / 3 * 4;  // 1 byte short of 25 MiB decoded
    body.reserve(9 * file);
    for (int i = 0; i < 8; ++i) body.append("\"velk-media/").append(1, char('0' + i)).append(".png\":\"").append(file, 'A').append("\",");
    body += R"("velk-media/last.png":"AAAAAAAAAAAA"}})";
    const auto refused = PublishBody::check(body);
    EXPECT_EQ(refused.error(), (PublishBody::Refusal{413, "The media files are larger than 200 MiB in all."}));
}

TEST_F(ShareRoutes, OnlyTheRightTokenWithdrawsAndAWithdrawnShareIsGoneEverywhere) {
    const auto [id, token] = publish();
    const std::string gone = "No map is shared under this link; whoever shared it may have withdrawn it.";
    const struct {
        std::string authorization;
        int status;
        std::string error;
    } rows[] = {
        {"", 403, "Withdrawing a share needs its withdrawal token."},
        {"Basic " + token, 403, "Withdrawing a share needs its withdrawal token."},
        {"Bearer " + token + "0", 403, "This withdrawal token does not belong to this share."},
        {"bearer " + token, 204, ""},
        // A publisher whose first answer was lost once could neither stop sharing nor share again.
        {"Bearer " + token, 204, ""},
        {"Bearer " + token + "0", 404, gone},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.authorization);
        const ServiceResponse answer = send("DELETE", "api/share/" + id, {}, "c", {{"authorization", row.authorization}});
        EXPECT_EQ(answer.status, row.status);
        EXPECT_EQ(member(answer, "error"), row.error);
    }
    EXPECT_EQ(send("GET", "api/share/" + id).status, 404);
    EXPECT_EQ(send("POST", "api/share/" + id + "/handoff").status, 404);
    EXPECT_EQ(service.lookup(id).standing, ShareLookup::Standing::gone);
    EXPECT_EQ(send("DELETE", "api/share/abcdefgh2345", {}, "c", {{"authorization", "Bearer x"}}).status, 404);
}

TEST_F(ShareRoutes, ARemovedShareAnswers410WithTheOperatorsReason) {
    const auto [id, token] = publish();
    const auto [handoffShare, unused] = publish();
    const std::string handoff = member(send("POST", "api/share/" + handoffShare + "/handoff"), "id");
    ASSERT_TRUE(m_store->remove(id, "Taken down after a copyright complaint.", 1).value());
    ASSERT_TRUE(m_store->remove(handoffShare, "", 1).value());
    for (const auto& [path, reason] : {std::pair{"api/share/" + id, "Taken down after a copyright complaint."},
                                       std::pair{"api/handoff/" + handoff, "This map was removed from the share service."}}) {
        SCOPED_TRACE(path);
        const ServiceResponse answer = send("GET", path);
        EXPECT_EQ(answer.status, 410);
        EXPECT_EQ(member(answer, "error"), reason);
    }
    EXPECT_EQ(send("DELETE", "api/share/" + id, {}, "c", {{"authorization", "Bearer " + token}}).status, 410);
}

TEST_F(ShareRoutes, AHandoffOpensOnceWithinTenMinutes) {
    const auto [id, token] = publish();
    const ServiceResponse minted = send("POST", "api/share/" + id + "/handoff");
    ASSERT_EQ(minted.status, 201);
    const std::string handoff = member(minted, "id");
    EXPECT_TRUE(SharedLink::isHandoffID(handoff));
    EXPECT_EQ(member(minted, "link"), "velk://h/" + handoff);
    EXPECT_EQ(SharedLink::link(member(minted, "link")), SharedLink::Link(SharedLink::Handoff{handoff}));

    m_now += 600s;
    ServiceRequest head{"GET", "/velk/api/handoff/" + handoff, {}, {}, "c"};
    head.headOnly = true;
    EXPECT_EQ(service.handle(head).status, 405) << "a HEAD would use it up";
    const ServiceResponse opened = send("GET", "api/handoff/" + handoff);
    EXPECT_EQ(opened.status, 200);
    EXPECT_EQ(opened.body, send("GET", "api/share/" + id).body);
    EXPECT_EQ(send("GET", "api/handoff/" + handoff).status, 404) << "used";

    const std::string late = member(send("POST", "api/share/" + id + "/handoff"), "id");
    m_now += 601s;
    const ServiceResponse expired = send("GET", "api/handoff/" + late);
    EXPECT_EQ(expired.status, 404);
    EXPECT_EQ(member(expired, "error"), "This hand-off was already used or is older than ten minutes. Use Open in App in the browser again.");
}

TEST_F(ShareRoutes, WritesAreLimitedPerClientAndRefill) {
    for (int i = 0; i < 3; ++i) EXPECT_EQ(send("POST", "api/share", "{}", "203.0.113.9").status, 400);
    const ServiceResponse limited = send("POST", "api/share", "{}", "203.0.113.9");
    EXPECT_EQ(limited.status, 429);
    EXPECT_EQ(member(limited, "error"), "Too many requests from your address. Wait a minute and try again.");
    EXPECT_EQ(send("POST", "feedback/", "message=hi", "203.0.113.9").status, 429);
    EXPECT_EQ(send("POST", "api/share", "{}", "203.0.113.10").status, 400) << "another client";
    EXPECT_EQ(send("GET", "api/share/abcdefgh2345", "", "203.0.113.9").status, 404) << "reads are not limited";
    m_now += 1s;
    EXPECT_EQ(send("POST", "api/share", "{}", "203.0.113.9").status, 400) << "one more after a second at 60 a minute";
}

TEST_F(ShareRoutes, FeedbackIsStoredFromTheFormAndTheLinksQuery) {
    EXPECT_EQ(service.handle({"POST", "/velk/feedback/?tester=t-abcdefghijkl&client=linux&version=0.1.0", {},
                              "message=a%26b%3Dc+%E2%80%94%0Aok", "f1"}).status, 201);
    EXPECT_EQ(m_store->feedback().value(), (std::vector<Feedback>{{1'800'000'000, "t-abcdefghijkl", "linux", "0.1.0", "a&b=c —\nok"}}));
    const struct {
        std::string body, error;
    } rows[] = {
        {"message=%zz", "The feedback form could not be read."},
        {"tester=abc&message=x", "The tester identifier is not one velk makes."},
        {"client=%01&message=x", "The client name is not valid."},
        {"message=%00", "The message must be plain text."},
        {"message=%ff", "The message must be plain text."},
        {"message=%C2%9B2J", "The message must be plain text."},
        {"version=%C2%9D52", "The version is not valid."},
        {"client=linux+version%3D9&message=x", "The client name is not valid."},
        {"message=+%0A", "Write a message before sending."},
        {"message=" + std::string(4001, 'x'), "The message is longer than 4000 characters."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.body.substr(0, 40));
        EXPECT_EQ(member(service.handle({"POST", "/velk/feedback/", {}, row.body, row.error}), "error"), row.error);
    }
    EXPECT_EQ(m_store->feedback().value().size(), 1u);
}

TEST_F(ShareRoutes, PathsAreTakenBelowTheBaseAndTheRestBelongsToThePages) {
    EXPECT_EQ(send("GET", "healthz").body, "ok");
    EXPECT_FALSE(service.route({"GET", "/api/share/abcdefgh2345", {}, {}, "c"})) << "outside the base path";
    EXPECT_FALSE(service.route({"GET", "/velk/s/abcdefgh2345", {}, {}, "c"}));
    EXPECT_FALSE(service.route({"GET", "/velk/feedback/?tester=x", {}, {}, "c"}));
    const struct {
        std::string method, path;
        int status;
    } rows[] = {
        {"GET", "api/share", 405}, {"PUT", "api/share/abcdefgh2345", 405}, {"GET", "api/share/abcdefgh2345/handoff", 405},
        {"GET", "api/share/ABCDEFGH2345", 404}, {"GET", "api/handoff/short", 404}, {"GET", "api/other", 404},
        {"POST", "healthz", 405},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.method + " " + row.path);
        EXPECT_EQ(send(row.method, row.path).status, row.status);
    }
    EXPECT_EQ(service.handle({"GET", "/elsewhere", {}, {}, "c"}).status, 404);
}

}  // namespace
}  // namespace velk::share
