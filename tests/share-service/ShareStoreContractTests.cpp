// One contract, two stores: every test runs on SQLite and on a real PostgreSQL server.

#include "ShareServiceTestSupport.h"
#include "store/OpenStore.h"

#include "store/Migrations.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <atomic>
#include <thread>

namespace velk::share {
namespace {

using testing_support::ScratchFolder;
using Standing = StoredShare::Standing;

const std::vector<MediaFile> sampleMedia{{"velk-media/a.png", "AA=="}, {"velk-media/b.png", "AQ=="}};

NewShare sample(std::string id) {
    // Bytes a text column would mangle: a NUL, a lone high byte, a CR LF.
    return {std::move(id), std::string("h\0sh", 4), R"("Trip")", std::string("{\"maps\":[]}\0\xff\r\n", 15), sampleMedia, 100};
}

class StoreContract : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        m_setting = GetParam() == "sqlite" ? "sqlite:" + m_folder.path() + "/shares.sqlite" : testing_support::freshPostgresDatabase();
        store = another();
        ASSERT_TRUE(store->migrate().has_value());
    }
    // Runs SQL on the database directly, as an older velk-share would have.
    void execute(const std::string& sql) {
        if (GetParam() == "sqlite") {
            sqlite3* db = nullptr;
            sqlite3_open(m_setting.substr(7).c_str(), &db);
            ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
            sqlite3_close(db);
        } else {
            PGconn* connection = PQconnectdb(m_setting.c_str());
            PGresult* result = PQexec(connection, sql.c_str());
            EXPECT_EQ(PQresultStatus(result), PGRES_COMMAND_OK) << PQerrorMessage(connection);
            PQclear(result);
            PQfinish(connection);
        }
    }
    // A second store over the same database, as a second service instance would hold.
    std::unique_ptr<ShareStore> another() { return std::move(openStore(m_setting).value()); }

    ScratchFolder m_folder;
    std::string m_setting;
    std::unique_ptr<ShareStore> store;
};

// A connection the server ended (a restart, an administrator) is opened again by the next
// operation, which succeeds instead of failing once.
TEST(PostgresStore, AConnectionTheServerEndedIsOpenedAgainForTheNextOperation) {
    const std::string uri = testing_support::freshPostgresDatabase();
    auto store = std::move(openStore(uri).value());
    ASSERT_TRUE(store->migrate().has_value());
    PGconn* admin = PQconnectdb(uri.c_str());
    const auto ask = [&](const char* sql) {
        PGresult* result = PQexec(admin, sql);
        std::string answer = PQntuples(result) ? PQgetvalue(result, 0, 0) : "";
        PQclear(result);
        return answer;
    };
    constexpr auto others = "FROM pg_stat_activity WHERE datname = current_database() AND pid <> pg_backend_pid()";
    ask((std::string("SELECT pg_terminate_backend(pid) ") + others).c_str());
    for (int wait = 0; wait < 200 && ask((std::string("SELECT count(*) ") + others).c_str()) != "0"; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    PQfinish(admin);
    const auto inserted = store->insertShare(sample("cccccccc2345"));
    EXPECT_TRUE(inserted.has_value()) << inserted.error().message;
}

TEST_P(StoreContract, MigratingAgainAndConcurrentlyKeepsOneSchema) {
    const int newest = int(Migrations::steps.size());
    EXPECT_EQ(store->schemaVersion().value(), newest);
    std::vector<std::thread> instances;
    std::atomic<int> failures{0};
    for (int i = 0; i < 3; ++i)
        instances.emplace_back([&] { failures += !another()->migrate().has_value(); });
    for (auto& instance : instances) instance.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(store->schemaVersion().value(), newest);
    EXPECT_TRUE(store->ping().has_value());
}

TEST_P(StoreContract, ASharedMapComesBackByteForByteAndItsIdIsNeverReused) {
    ASSERT_TRUE(store->insertShare(sample("abcdefgh2345")).value());
    NewShare clash = sample("abcdefgh2345");
    clash.state = "{}";
    EXPECT_FALSE(store->insertShare(clash).value());
    NewShare bare = sample("bbbbbbbb2345");
    bare.name.reset();
    bare.media.clear();
    bare.state = std::string(3 << 20, 'x');
    ASSERT_TRUE(store->insertShare(bare).value());

    const auto found = another()->share("abcdefgh2345", WithMedia::yes).value();
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, (StoredShare{Standing::live, sample("").tokenHash, sample("").name, sample("").state, sampleMedia, ""}));
    EXPECT_TRUE(store->share("abcdefgh2345").value()->media.empty()) << "images are read only when asked for";
    const auto large = store->share("bbbbbbbb2345", WithMedia::yes).value();
    EXPECT_EQ(large->state, bare.state);
    EXPECT_FALSE(large->name);
    EXPECT_TRUE(large->media.empty());
    EXPECT_FALSE(store->share("unknownid234").value());
}

TEST_P(StoreContract, AnImageIsReadOnItsOwnWithHowItsShareStands) {
    ASSERT_TRUE(store->insertShare(sample("abcdefgh2345")).value());
    ASSERT_TRUE(store->insertShare(sample("withdrawn234")).value());
    ASSERT_TRUE(store->insertShare(sample("removed23456")).value());
    ASSERT_TRUE(store->withdraw("withdrawn234", 200).value());
    ASSERT_TRUE(store->remove("removed23456", "spam", 201).value());
    const struct {
        const char* id;
        const char* path;
        std::optional<StoredMediaFile> expected;
    } cases[]{
        {"abcdefgh2345", "velk-media/b.png", StoredMediaFile{Standing::live, "AQ=="}},
        {"abcdefgh2345", "velk-media/c.png", StoredMediaFile{Standing::live, std::nullopt}},
        {"withdrawn234", "velk-media/a.png", StoredMediaFile{Standing::withdrawn, std::nullopt}},
        {"removed23456", "velk-media/a.png", StoredMediaFile{Standing::removed, std::nullopt}},
        {"unknownid234", "velk-media/a.png", std::nullopt},
    };
    for (const auto& row : cases) EXPECT_EQ(another()->mediaFile(row.id, row.path).value(), row.expected) << row.id << " " << row.path;
}

// A database written before images had rows of their own keeps its shares' images.
TEST_P(StoreContract, MigratingMovesTheImagesOfExistingShares) {
    const bool sqlite = GetParam() == "sqlite";
    m_setting = sqlite ? "sqlite:" + m_folder.path() + "/old.sqlite" : testing_support::freshPostgresDatabase();
    const std::string bytes = sqlite ? "X'" : "'\\x";
    execute("CREATE TABLE schema_version (version INTEGER NOT NULL); INSERT INTO schema_version VALUES (1);" +
            Migrations::spelled(Migrations::steps[0], {sqlite ? "BLOB" : "BYTEA", sqlite ? "INTEGER PRIMARY KEY AUTOINCREMENT" : "BIGSERIAL PRIMARY KEY", ""}) +
            "INSERT INTO shares (id, token_hash, state, media, created_at) VALUES ('abcdefgh2345', " + bytes + "00', " + bytes +
            "7b7d', " + bytes + "7b2276656c6b2d6d656469612f612e706e67223a2241413d3d222c2276656c6b2d6d656469612f625c7530303265706e67223a2241513d3d227d', 1);");
    auto migrated = another();
    ASSERT_TRUE(migrated->migrate().has_value());
    EXPECT_EQ(migrated->share("abcdefgh2345", WithMedia::yes).value()->media, sampleMedia);
    EXPECT_EQ(migrated->mediaFile("abcdefgh2345", "velk-media/b.png").value(), (StoredMediaFile{Standing::live, "AQ=="}));
}

TEST_P(StoreContract, WithdrawalAndRemovalDeleteTheDataAndEachHappensOnce) {
    ASSERT_TRUE(store->insertShare(sample("withdrawn234")).value());
    ASSERT_TRUE(store->insertShare(sample("removed23456")).value());
    EXPECT_TRUE(store->withdraw("withdrawn234", 200).value());
    EXPECT_FALSE(store->withdraw("withdrawn234", 201).value());
    EXPECT_FALSE(store->remove("withdrawn234", "late", 202).value());
    EXPECT_TRUE(store->remove("removed23456", "Reported as spam.", 203).value());
    EXPECT_FALSE(store->withdraw("removed23456", 204).value());
    EXPECT_FALSE(store->remove("nosuchshare2", "x", 205).value());
    EXPECT_FALSE(store->insertShare(sample("withdrawn234")).value());

    EXPECT_EQ(*store->share("withdrawn234", WithMedia::yes).value(), (StoredShare{Standing::withdrawn, sample("").tokenHash, {}, {}, {}, ""}));
    EXPECT_EQ(*store->share("removed23456").value(), (StoredShare{Standing::removed, sample("").tokenHash, {}, {}, {}, "Reported as spam."}));
}

TEST_P(StoreContract, AHandoffIsTakenByExactlyOneCallerAndOldOnesAreDropped) {
    ASSERT_TRUE(store->insertShare(sample("abcdefgh2345")).value());
    ASSERT_TRUE(store->insertHandoff("oldoldoldoldoldo", "abcdefgh2345", 10, 0).value());
    ASSERT_TRUE(store->insertHandoff("handoffhandoff23", "abcdefgh2345", 500, 400).value());
    EXPECT_FALSE(store->insertHandoff("handoffhandoff23", "abcdefgh2345", 501, 400).value());
    EXPECT_FALSE(store->takeHandoff("oldoldoldoldoldo").value()) << "dropped when a newer one was made";

    std::vector<std::thread> takers;
    std::atomic<int> winners{0};
    for (int i = 0; i < 4; ++i)
        takers.emplace_back([&] {
            const auto taken = another()->takeHandoff("handoffhandoff23").value();
            if (taken && *taken == TakenHandoff{"abcdefgh2345", 500}) ++winners;
        });
    for (auto& taker : takers) taker.join();
    EXPECT_EQ(winners, 1);
    EXPECT_FALSE(store->takeHandoff("handoffhandoff23").value());
}

TEST_P(StoreContract, FeedbackIsListedOldestFirstWithItsTextIntact) {
    const std::vector<Feedback> sent{{1, "t-abcdefghijkl", "linux", "0.1.0", "Line one\nline two — ünïcode"},
                                     {2, "", "mac", "dev", "a&b=c"}};
    for (const Feedback& entry : sent) ASSERT_TRUE(store->addFeedback(entry).has_value());
    EXPECT_EQ(another()->feedback().value(), sent);
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreContract, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace velk::share
