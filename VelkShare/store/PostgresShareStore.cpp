#include "store/PostgresShareStore.h"

#include "store/Migrations.h"

#include <libpq-fe.h>
#include <poll.h>

#include <bit>
#include <cstring>
#include <variant>

namespace velk::share {
namespace {

// Parameters go over in binary, so state and media bytes need no escaping and text is taken as
// it is; results come back in binary too.
using Parameter = std::variant<std::monostate, std::string_view, std::int64_t>;

std::int64_t bigEndian(std::int64_t value) {
    if constexpr (std::endian::native == std::endian::little) return std::int64_t(__builtin_bswap64(std::uint64_t(value)));
    return value;
}

class Result {
public:
    explicit Result(PGresult* result) : m_result(result) {}
    ~Result() { PQclear(m_result); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;

    bool ok() const {
        const auto status = PQresultStatus(m_result);
        return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    }
    int rows() const { return PQntuples(m_result); }
    int changedRows() const { return std::atoi(PQcmdTuples(m_result)); }
    bool isNull(int row, int column) const { return PQgetisnull(m_result, row, column); }
    std::string bytesAt(int row, int column) const {
        return std::string(PQgetvalue(m_result, row, column), std::size_t(PQgetlength(m_result, row, column)));
    }
    std::optional<std::string> optionalBytesAt(int row, int column) const {
        if (isNull(row, column)) return std::nullopt;
        return bytesAt(row, column);
    }
    std::int64_t integerAt(int row, int column) const {
        std::int64_t value = 0;
        if (PQgetlength(m_result, row, column) == 8) std::memcpy(&value, PQgetvalue(m_result, row, column), 8);
        return bigEndian(value);
    }

private:
    PGresult* m_result;
};

Unexpected<StoreError> failure(pg_conn* connection, std::string_view doing) {
    return Unexpected<StoreError>(StoreError{"postgresql: " + std::string(doing) + ": " + PQerrorMessage(connection)});
}

Result run(pg_conn* connection, const char* sql, std::initializer_list<Parameter> parameters = {}) {
    std::vector<const char*> values;
    std::vector<int> lengths, formats;
    std::vector<std::int64_t> integers;
    integers.reserve(parameters.size());
    for (const Parameter& parameter : parameters) {
        if (const auto* text = std::get_if<std::string_view>(&parameter)) {
            values.push_back(text->data() ? text->data() : "");
            lengths.push_back(int(text->size()));
        } else if (const auto* integer = std::get_if<std::int64_t>(&parameter)) {
            integers.push_back(bigEndian(*integer));
            values.push_back(reinterpret_cast<const char*>(&integers.back()));
            lengths.push_back(8);
        } else {
            values.push_back(nullptr);
            lengths.push_back(0);
        }
        formats.push_back(1);
    }
    return Result(PQexecParams(connection, sql, int(values.size()), nullptr, values.data(), lengths.data(), formats.data(), 1));
}

Parameter optional(const std::optional<std::string>& value) {
    if (value) return std::string_view(*value);
    return std::monostate{};
}

StoreResult<bool> changed(pg_conn* connection, const Result& result, std::string_view doing) {
    if (!result.ok()) return failure(connection, doing);
    return result.changedRows() > 0;
}

StoreResult<void> plain(pg_conn* connection, const char* sql, std::string_view doing) {
    if (!Result(PQexec(connection, sql)).ok()) return failure(connection, doing);
    return {};
}

// Runs `work` in one transaction: committed when it succeeds and says so (true, or a value),
// rolled back otherwise.
template <class Work>
auto transaction(pg_conn* connection, const char* begin, Work work) -> decltype(work()) {
    if (auto begun = plain(connection, begin, "starting a transaction"); !begun) return Unexpected<StoreError>(begun.error());
    auto done = work();
    if (!done || !*done) {
        (void)plain(connection, "ROLLBACK", "rolling back");
        return done;
    }
    if (auto committed = plain(connection, "COMMIT", "committing"); !committed) return Unexpected<StoreError>(committed.error());
    return done;
}

StoredShare::Standing standingOf(const Result& row, int withdrawnColumn, int removedColumn) {
    const std::string yes(1, '\1');
    if (row.bytesAt(0, withdrawnColumn) == yes) return StoredShare::Standing::withdrawn;
    if (row.bytesAt(0, removedColumn) == yes) return StoredShare::Standing::removed;
    return StoredShare::Standing::live;
}

// Ends a live share: its data goes, with its images; false when it was not live.
StoreResult<bool> endShare(pg_conn* connection, const char* update, std::initializer_list<Parameter> parameters,
                           const std::string& id, std::string_view doing) {
    return transaction(connection, "BEGIN", [&]() -> StoreResult<bool> {
        auto ended = changed(connection, run(connection, update, parameters), doing);
        if (!ended || !*ended) return ended;
        if (!run(connection, "DELETE FROM share_media WHERE share_id = $1", {std::string_view(id)}).ok()) return failure(connection, doing);
        return true;
    });
}

}  // namespace

StoreResult<std::unique_ptr<PostgresShareStore>> PostgresShareStore::open(const std::string& uri) {
    pg_conn* connection = PQconnectdb(uri.c_str());
    if (!connection || PQstatus(connection) != CONNECTION_OK) {
        StoreError error{"postgresql: cannot connect: " + std::string(connection ? PQerrorMessage(connection) : "out of memory")};
        PQfinish(connection);
        return Unexpected<StoreError>(error);
    }
    // The server's notices ("already exists, skipping") are not the operator's business.
    PQsetNoticeProcessor(connection, [](void*, const char*) {}, nullptr);
    return std::unique_ptr<PostgresShareStore>(new PostgresShareStore(connection));
}

PostgresShareStore::~PostgresShareStore() { PQfinish(m_connection); }

StoreResult<void> PostgresShareStore::connected() {
    // Between operations the server has nothing to say; when it speaks unasked, it is saying
    // goodbye (a restart, an administrator ending the connection), which the status shows only
    // once a query has failed on it. Reconnecting first spares that operation.
    pollfd socket{PQsocket(m_connection), POLLIN, 0};
    const bool saidGoodbye = socket.fd >= 0 && ::poll(&socket, 1, 0) > 0;
    if (!saidGoodbye && PQstatus(m_connection) == CONNECTION_OK) return {};
    PQreset(m_connection);
    if (PQstatus(m_connection) != CONNECTION_OK) return failure(m_connection, "reconnecting");
    return {};
}

// Every operation below starts with this: the lock, then a live connection.
#define VELK_PG_CONNECTED                                                              \
    std::lock_guard lock(m_lock);                                                      \
    if (auto live = connected(); !live) return Unexpected<StoreError>(live.error())

StoreResult<int> PostgresShareStore::schemaVersion() {
    VELK_PG_CONNECTED;
    const Result exists(PQexec(m_connection, "SELECT to_regclass('schema_version') IS NOT NULL"));
    if (!exists.ok()) return failure(m_connection, "reading the schema version");
    if (exists.bytesAt(0, 0) != "t") return 0;
    const Result read(PQexec(m_connection, "SELECT version FROM schema_version"));
    if (!read.ok()) return failure(m_connection, "reading the schema version");
    return read.rows() ? std::atoi(read.bytesAt(0, 0).c_str()) : 0;
}

StoreResult<void> PostgresShareStore::migrate() {
    VELK_PG_CONNECTED;
    if (auto begun = plain(m_connection, "BEGIN", "starting a migration"); !begun) return begun;
    const auto rollBack = [&](StoreResult<void> why) {
        (void)plain(m_connection, "ROLLBACK", "rolling back");
        return why;
    };
    // Instances that start together queue here; each step is applied once.
    if (auto locked = plain(m_connection, "SELECT pg_advisory_xact_lock(7142215)", "locking the schema"); !locked) return rollBack(locked);
    if (auto created = plain(m_connection, "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)", "creating the version table"); !created)
        return rollBack(created);
    const Result read(PQexec(m_connection, "SELECT version FROM schema_version"));
    if (!read.ok()) return rollBack(failure(m_connection, "reading the schema version"));
    std::size_t version = read.rows() ? std::size_t(std::atoi(read.bytesAt(0, 0).c_str())) : 0;
    const bool fresh = read.rows() == 0;
    for (; version < Migrations::steps.size(); ++version) {
        const std::string sql = Migrations::spelled(Migrations::steps[version],
                                                    {"BYTEA", "BIGSERIAL PRIMARY KEY", "json_each_text(convert_from(shares.media, 'UTF8')::json)"});
        if (!Result(PQexec(m_connection, sql.c_str())).ok()) return rollBack(failure(m_connection, "migrating"));
    }
    const std::string bump = (fresh ? "INSERT INTO schema_version VALUES (" : "UPDATE schema_version SET version = (") +
                             std::to_string(version) + ")";
    if (auto bumped = plain(m_connection, bump.c_str(), "recording the schema version"); !bumped) return rollBack(bumped);
    return plain(m_connection, "COMMIT", "committing a migration");
}

StoreResult<void> PostgresShareStore::ping() {
    VELK_PG_CONNECTED;
    return plain(m_connection, "SELECT 1", "pinging");
}

StoreResult<bool> PostgresShareStore::insertShare(const NewShare& share) {
    VELK_PG_CONNECTED;
    return transaction(m_connection, "BEGIN", [&]() -> StoreResult<bool> {
        auto inserted = changed(m_connection,
                                run(m_connection,
                                    "INSERT INTO shares (id, token_hash, name, state, created_at) VALUES ($1, $2, $3, $4, $5) "
                                    "ON CONFLICT (id) DO NOTHING",
                                    {std::string_view(share.id), std::string_view(share.tokenHash), optional(share.name),
                                     std::string_view(share.state), share.createdAt}),
                                "storing a share");
        if (!inserted || !*inserted) return inserted;
        for (const MediaFile& file : share.media) {
            if (!run(m_connection, "INSERT INTO share_media (share_id, path, base64) VALUES ($1, $2, $3)",
                     {std::string_view(share.id), std::string_view(file.path), std::string_view(file.base64)}).ok())
                return failure(m_connection, "storing a share's image");
        }
        return true;
    });
}

StoreResult<std::optional<StoredShare>> PostgresShareStore::share(const std::string& id, WithMedia media) {
    VELK_PG_CONNECTED;
    // One snapshot, so the images belong to the share as it was read.
    return transaction(m_connection, "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY", [&]() -> StoreResult<std::optional<StoredShare>> {
        const Result read = run(m_connection,
                                "SELECT token_hash, name, state, withdrawn_at IS NOT NULL, removed_at IS NOT NULL, removed_reason "
                                "FROM shares WHERE id = $1",
                                {std::string_view(id)});
        if (!read.ok()) return failure(m_connection, "reading a share");
        if (read.rows() == 0) return std::optional<StoredShare>();
        StoredShare found;
        found.tokenHash = read.bytesAt(0, 0);
        found.standing = standingOf(read, 3, 4);
        if (found.standing == StoredShare::Standing::removed) found.removedReason = read.bytesAt(0, 5);
        if (found.standing != StoredShare::Standing::live) return std::optional<StoredShare>(std::move(found));
        found.name = read.optionalBytesAt(0, 1);
        found.state = read.bytesAt(0, 2);
        if (media == WithMedia::yes) {
            const Result files = run(m_connection, "SELECT path, base64 FROM share_media WHERE share_id = $1 ORDER BY path COLLATE \"C\"",
                                     {std::string_view(id)});
            if (!files.ok()) return failure(m_connection, "reading a share's images");
            for (int row = 0; row < files.rows(); ++row) found.media.push_back({files.bytesAt(row, 0), files.bytesAt(row, 1)});
        }
        return std::optional<StoredShare>(std::move(found));
    });
}

StoreResult<std::optional<StoredMediaFile>> PostgresShareStore::mediaFile(const std::string& id, const std::string& path) {
    VELK_PG_CONNECTED;
    const Result read = run(m_connection,
                            "SELECT shares.withdrawn_at IS NOT NULL, shares.removed_at IS NOT NULL, share_media.base64 FROM shares "
                            "LEFT JOIN share_media ON share_media.share_id = shares.id AND share_media.path = $2 WHERE shares.id = $1",
                            {std::string_view(id), std::string_view(path)});
    if (!read.ok()) return failure(m_connection, "reading an image");
    if (read.rows() == 0) return std::optional<StoredMediaFile>();
    return std::optional<StoredMediaFile>(StoredMediaFile{standingOf(read, 0, 1), read.optionalBytesAt(0, 2)});
}

StoreResult<bool> PostgresShareStore::withdraw(const std::string& id, std::int64_t at) {
    VELK_PG_CONNECTED;
    return endShare(m_connection,
                    "UPDATE shares SET name = NULL, state = NULL, media = NULL, withdrawn_at = $2 "
                    "WHERE id = $1 AND withdrawn_at IS NULL AND removed_at IS NULL",
                    {std::string_view(id), at}, id, "withdrawing a share");
}

StoreResult<bool> PostgresShareStore::remove(const std::string& id, const std::string& reason, std::int64_t at) {
    VELK_PG_CONNECTED;
    return endShare(m_connection,
                    "UPDATE shares SET name = NULL, state = NULL, media = NULL, removed_at = $2, removed_reason = $3 "
                    "WHERE id = $1 AND withdrawn_at IS NULL AND removed_at IS NULL",
                    {std::string_view(id), at, std::string_view(reason)}, id, "removing a share");
}

StoreResult<bool> PostgresShareStore::insertHandoff(const std::string& id, const std::string& shareID, std::int64_t createdAt,
                                                    std::int64_t expiredBefore) {
    VELK_PG_CONNECTED;
    if (!run(m_connection, "DELETE FROM handoffs WHERE created_at < $1", {expiredBefore}).ok())
        return failure(m_connection, "dropping old hand-offs");
    const Result result = run(m_connection,
                              "INSERT INTO handoffs (id, share_id, created_at) VALUES ($1, $2, $3) ON CONFLICT (id) DO NOTHING",
                              {std::string_view(id), std::string_view(shareID), createdAt});
    return changed(m_connection, result, "storing a hand-off");
}

StoreResult<std::optional<TakenHandoff>> PostgresShareStore::takeHandoff(const std::string& id) {
    VELK_PG_CONNECTED;
    const Result taken = run(m_connection, "DELETE FROM handoffs WHERE id = $1 RETURNING share_id, created_at", {std::string_view(id)});
    if (!taken.ok()) return failure(m_connection, "taking a hand-off");
    if (taken.rows() == 0) return std::optional<TakenHandoff>();
    return std::optional<TakenHandoff>(TakenHandoff{taken.bytesAt(0, 0), taken.integerAt(0, 1)});
}

StoreResult<void> PostgresShareStore::addFeedback(const Feedback& feedback) {
    VELK_PG_CONNECTED;
    const Result result = run(m_connection,
                              "INSERT INTO feedback (received_at, tester, client, version, message) VALUES ($1, $2, $3, $4, $5)",
                              {feedback.receivedAt, std::string_view(feedback.tester), std::string_view(feedback.client),
                               std::string_view(feedback.version), std::string_view(feedback.message)});
    if (!result.ok()) return failure(m_connection, "storing feedback");
    return {};
}

StoreResult<std::vector<Feedback>> PostgresShareStore::feedback() {
    VELK_PG_CONNECTED;
    const Result read = run(m_connection, "SELECT received_at, tester, client, version, message FROM feedback ORDER BY id");
    if (!read.ok()) return failure(m_connection, "reading feedback");
    std::vector<Feedback> all;
    for (int row = 0; row < read.rows(); ++row)
        all.push_back({read.integerAt(row, 0), read.bytesAt(row, 1), read.bytesAt(row, 2), read.bytesAt(row, 3), read.bytesAt(row, 4)});
    return all;
}

}  // namespace velk::share
