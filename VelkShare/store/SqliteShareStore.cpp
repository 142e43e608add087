#include "store/SqliteShareStore.h"

#include "store/Migrations.h"

#include <sqlite3.h>

namespace velk::share {
namespace {

Unexpected<StoreError> failure(sqlite3* db, std::string_view doing) {
    return Unexpected<StoreError>(StoreError{"sqlite: " + std::string(doing) + ": " + sqlite3_errmsg(db)});
}

// One prepared statement, finalized when it goes out of scope.
class Statement {
public:
    Statement(sqlite3* db, std::string_view sql) : m_db(db) {
        if (sqlite3_prepare_v2(db, sql.data(), int(sql.size()), &m_statement, nullptr) != SQLITE_OK) m_statement = nullptr;
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    explicit operator bool() const { return m_statement != nullptr; }

    Statement& text(int index, std::string_view value) {
        sqlite3_bind_text64(m_statement, index, value.data(), value.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        return *this;
    }
    Statement& blob(int index, std::string_view value) {
        sqlite3_bind_blob64(m_statement, index, value.data(), value.size(), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& optionalText(int index, const std::optional<std::string>& value) {
        if (value) return text(index, *value);
        sqlite3_bind_null(m_statement, index);
        return *this;
    }
    Statement& optionalBlob(int index, const std::optional<std::string>& value) {
        if (value) return blob(index, *value);
        sqlite3_bind_null(m_statement, index);
        return *this;
    }
    Statement& integer(int index, std::int64_t value) {
        sqlite3_bind_int64(m_statement, index, value);
        return *this;
    }

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step() { return sqlite3_step(m_statement); }

    bool isNull(int column) { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }
    std::int64_t integerAt(int column) { return sqlite3_column_int64(m_statement, column); }
    std::string bytesAt(int column) {
        const void* data = sqlite3_column_blob(m_statement, column);
        const int size = sqlite3_column_bytes(m_statement, column);
        return data ? std::string(static_cast<const char*>(data), std::size_t(size)) : std::string();
    }
    std::optional<std::string> optionalBytesAt(int column) {
        if (isNull(column)) return std::nullopt;
        return bytesAt(column);
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_statement = nullptr;
};

StoreResult<void> execute(sqlite3* db, const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        StoreError error{"sqlite: " + std::string(message ? message : "failed")};
        sqlite3_free(message);
        return Unexpected<StoreError>(error);
    }
    return {};
}

// Runs a statement that changes rows and tells whether it changed any.
StoreResult<bool> changed(sqlite3* db, Statement& statement, std::string_view doing) {
    if (!statement || statement.step() != SQLITE_DONE) return failure(db, doing);
    return sqlite3_changes(db) > 0;
}

// Runs `work` in one transaction: committed when it succeeds and says so (true, or a value),
// rolled back otherwise. IMMEDIATE takes the write lock first, so a writer never fails half-way
// for another process's write.
template <class Work>
auto transaction(sqlite3* db, std::string_view begin, Work work) -> decltype(work()) {
    if (auto begun = execute(db, std::string(begin)); !begun) return Unexpected<StoreError>(begun.error());
    auto done = work();
    if (!done || !*done) {
        (void)execute(db, "ROLLBACK");
        return done;
    }
    if (auto committed = execute(db, "COMMIT"); !committed) {
        (void)execute(db, "ROLLBACK");
        return Unexpected<StoreError>(committed.error());
    }
    return done;
}

StoredShare::Standing standingOf(Statement& row, int withdrawnColumn, int removedColumn) {
    if (!row.isNull(withdrawnColumn)) return StoredShare::Standing::withdrawn;
    if (!row.isNull(removedColumn)) return StoredShare::Standing::removed;
    return StoredShare::Standing::live;
}

StoreResult<std::vector<MediaFile>> mediaOf(sqlite3* db, const std::string& id) {
    Statement read(db, "SELECT path, base64 FROM share_media WHERE share_id = ?1 ORDER BY path");
    if (!read) return failure(db, "reading a share's images");
    read.text(1, id);
    std::vector<MediaFile> files;
    for (int step; (step = read.step()) != SQLITE_DONE;) {
        if (step != SQLITE_ROW) return failure(db, "reading a share's images");
        files.push_back({read.bytesAt(0), read.bytesAt(1)});
    }
    return files;
}

// Ends a live share: its data goes, with its images; false when it was not live.
StoreResult<bool> endShare(sqlite3* db, Statement& update, const std::string& id, std::string_view doing) {
    return transaction(db, "BEGIN IMMEDIATE", [&]() -> StoreResult<bool> {
        auto ended = changed(db, update, doing);
        if (!ended || !*ended) return ended;
        Statement drop(db, "DELETE FROM share_media WHERE share_id = ?1");
        drop.text(1, id);
        if (auto dropped = changed(db, drop, doing); !dropped) return dropped;
        return true;
    });
}

}  // namespace

StoreResult<std::unique_ptr<SqliteShareStore>> SqliteShareStore::open(const std::string& path) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
        StoreError error{"sqlite: cannot open " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory")};
        sqlite3_close(db);
        return Unexpected<StoreError>(error);
    }
    std::unique_ptr<SqliteShareStore> store(new SqliteShareStore(db));
    // Long enough for an operator's command to finish its write; a request waits at most this.
    sqlite3_busy_timeout(db, 5000);
    if (auto done = execute(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON;"); !done)
        return Unexpected<StoreError>(done.error());
    return store;
}

SqliteShareStore::~SqliteShareStore() { sqlite3_close(m_db); }

StoreResult<int> SqliteShareStore::versionLocked() {
    Statement read(m_db, "SELECT version FROM schema_version");
    if (!read) return 0;  // no table yet
    const int step = read.step();
    if (step == SQLITE_ROW) return int(read.integerAt(0));
    if (step == SQLITE_DONE) return 0;
    return failure(m_db, "reading the schema version");
}

StoreResult<int> SqliteShareStore::schemaVersion() {
    std::lock_guard lock(m_lock);
    return versionLocked();
}

StoreResult<void> SqliteShareStore::migrate() {
    std::lock_guard lock(m_lock);
    for (;;) {
        // IMMEDIATE takes the write lock first, so two processes migrating at once apply each
        // step once: the second one waits, then sees the new version.
        if (auto begun = execute(m_db, "BEGIN IMMEDIATE"); !begun) return begun;
        if (auto created = execute(m_db, "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL);"); !created) {
            (void)execute(m_db, "ROLLBACK");
            return created;
        }
        const auto version = versionLocked();
        if (!version) {
            (void)execute(m_db, "ROLLBACK");
            return Unexpected<StoreError>(version.error());
        }
        if (*version >= int(Migrations::steps.size())) return execute(m_db, "COMMIT");
        std::string sql = Migrations::spelled(Migrations::steps[std::size_t(*version)],
                                              {"BLOB", "INTEGER PRIMARY KEY AUTOINCREMENT", "json_each(CAST(shares.media AS TEXT))"});
        sql += *version == 0 ? "INSERT INTO schema_version VALUES (1);" : "UPDATE schema_version SET version = version + 1;";
        if (auto applied = execute(m_db, sql); !applied) {
            (void)execute(m_db, "ROLLBACK");
            return applied;
        }
        if (auto committed = execute(m_db, "COMMIT"); !committed) return committed;
    }
}

StoreResult<void> SqliteShareStore::ping() {
    std::lock_guard lock(m_lock);
    return execute(m_db, "SELECT 1");
}

StoreResult<bool> SqliteShareStore::insertShare(const NewShare& share) {
    std::lock_guard lock(m_lock);
    return transaction(m_db, "BEGIN IMMEDIATE", [&]() -> StoreResult<bool> {
        Statement insert(m_db, "INSERT INTO shares (id, token_hash, name, state, created_at) VALUES (?1, ?2, ?3, ?4, ?5) "
                               "ON CONFLICT (id) DO NOTHING");
        insert.text(1, share.id).blob(2, share.tokenHash).optionalText(3, share.name).blob(4, share.state).integer(5, share.createdAt);
        auto inserted = changed(m_db, insert, "storing a share");
        if (!inserted || !*inserted) return inserted;
        for (const MediaFile& file : share.media) {
            Statement image(m_db, "INSERT INTO share_media (share_id, path, base64) VALUES (?1, ?2, ?3)");
            image.text(1, share.id).text(2, file.path).text(3, file.base64);
            if (auto stored = changed(m_db, image, "storing a share's image"); !stored) return stored;
        }
        return true;
    });
}

StoreResult<std::optional<StoredShare>> SqliteShareStore::share(const std::string& id, WithMedia media) {
    std::lock_guard lock(m_lock);
    // One read transaction, so the images belong to the share as it was read.
    return transaction(m_db, "BEGIN", [&]() -> StoreResult<std::optional<StoredShare>> {
        Statement read(m_db, "SELECT token_hash, name, state, withdrawn_at, removed_at, removed_reason FROM shares WHERE id = ?1");
        if (!read) return failure(m_db, "reading a share");
        read.text(1, id);
        const int step = read.step();
        if (step == SQLITE_DONE) return std::optional<StoredShare>();
        if (step != SQLITE_ROW) return failure(m_db, "reading a share");
        StoredShare found;
        found.tokenHash = read.bytesAt(0);
        found.standing = standingOf(read, 3, 4);
        if (found.standing == StoredShare::Standing::removed) found.removedReason = read.bytesAt(5);
        if (found.standing != StoredShare::Standing::live) return std::optional<StoredShare>(std::move(found));
        found.name = read.optionalBytesAt(1);
        found.state = read.bytesAt(2);
        if (media == WithMedia::yes) {
            auto files = mediaOf(m_db, id);
            if (!files) return Unexpected<StoreError>(files.error());
            found.media = std::move(*files);
        }
        return std::optional<StoredShare>(std::move(found));
    });
}

StoreResult<std::optional<StoredMediaFile>> SqliteShareStore::mediaFile(const std::string& id, const std::string& path) {
    std::lock_guard lock(m_lock);
    Statement read(m_db, "SELECT shares.withdrawn_at, shares.removed_at, share_media.base64 FROM shares "
                         "LEFT JOIN share_media ON share_media.share_id = shares.id AND share_media.path = ?2 WHERE shares.id = ?1");
    if (!read) return failure(m_db, "reading an image");
    read.text(1, id).text(2, path);
    const int step = read.step();
    if (step == SQLITE_DONE) return std::optional<StoredMediaFile>();
    if (step != SQLITE_ROW) return failure(m_db, "reading an image");
    return std::optional<StoredMediaFile>(StoredMediaFile{standingOf(read, 0, 1), read.optionalBytesAt(2)});
}

StoreResult<bool> SqliteShareStore::withdraw(const std::string& id, std::int64_t at) {
    std::lock_guard lock(m_lock);
    Statement update(m_db, "UPDATE shares SET name = NULL, state = NULL, media = NULL, withdrawn_at = ?2 "
                           "WHERE id = ?1 AND withdrawn_at IS NULL AND removed_at IS NULL");
    update.text(1, id).integer(2, at);
    return endShare(m_db, update, id, "withdrawing a share");
}

StoreResult<bool> SqliteShareStore::remove(const std::string& id, const std::string& reason, std::int64_t at) {
    std::lock_guard lock(m_lock);
    Statement update(m_db, "UPDATE shares SET name = NULL, state = NULL, media = NULL, removed_at = ?2, removed_reason = ?3 "
                           "WHERE id = ?1 AND withdrawn_at IS NULL AND removed_at IS NULL");
    update.text(1, id).integer(2, at).text(3, reason);
    return endShare(m_db, update, id, "removing a share");
}

StoreResult<bool> SqliteShareStore::insertHandoff(const std::string& id, const std::string& shareID, std::int64_t createdAt,
                                                  std::int64_t expiredBefore) {
    std::lock_guard lock(m_lock);
    Statement purge(m_db, "DELETE FROM handoffs WHERE created_at < ?1");
    purge.integer(1, expiredBefore);
    if (auto purged = changed(m_db, purge, "dropping old hand-offs"); !purged) return purged;
    Statement insert(m_db, "INSERT INTO handoffs (id, share_id, created_at) VALUES (?1, ?2, ?3) ON CONFLICT (id) DO NOTHING");
    insert.text(1, id).text(2, shareID).integer(3, createdAt);
    return changed(m_db, insert, "storing a hand-off");
}

StoreResult<std::optional<TakenHandoff>> SqliteShareStore::takeHandoff(const std::string& id) {
    std::lock_guard lock(m_lock);
    Statement take(m_db, "DELETE FROM handoffs WHERE id = ?1 RETURNING share_id, created_at");
    if (!take) return failure(m_db, "taking a hand-off");
    take.text(1, id);
    const int step = take.step();
    if (step == SQLITE_DONE) return std::optional<TakenHandoff>();
    if (step != SQLITE_ROW) return failure(m_db, "taking a hand-off");
    TakenHandoff taken{take.bytesAt(0), take.integerAt(1)};
    // The delete is committed when the statement runs to its end.
    if (take.step() != SQLITE_DONE) return failure(m_db, "taking a hand-off");
    return std::optional<TakenHandoff>(std::move(taken));
}

StoreResult<void> SqliteShareStore::addFeedback(const Feedback& feedback) {
    std::lock_guard lock(m_lock);
    Statement insert(m_db, "INSERT INTO feedback (received_at, tester, client, version, message) VALUES (?1, ?2, ?3, ?4, ?5)");
    insert.integer(1, feedback.receivedAt).text(2, feedback.tester).text(3, feedback.client).text(4, feedback.version)
        .text(5, feedback.message);
    if (auto done = changed(m_db, insert, "storing feedback"); !done) return Unexpected<StoreError>(done.error());
    return {};
}

StoreResult<std::vector<Feedback>> SqliteShareStore::feedback() {
    std::lock_guard lock(m_lock);
    Statement read(m_db, "SELECT received_at, tester, client, version, message FROM feedback ORDER BY id");
    if (!read) return failure(m_db, "reading feedback");
    std::vector<Feedback> all;
    for (int step; (step = read.step()) != SQLITE_DONE;) {
        if (step != SQLITE_ROW) return failure(m_db, "reading feedback");
        all.push_back({read.integerAt(0), read.bytesAt(1), read.bytesAt(2), read.bytesAt(3), read.bytesAt(4)});
    }
    return all;
}

}  // namespace velk::share
