#pragma once

// The share store in one SQLite file, for a service that runs as one instance.
//
// The file is opened in WAL mode with synchronous=FULL: a commit returns only after its WAL frames
// are fsynced, so an acknowledged share survives kill -9 and power loss, while readers never wait
// for the writer. A busy time-out lets a second process (the operator's `velk-share remove`)
// write while the service runs instead of failing at once. One connection, used under a lock:
// SQLite serialises writers anyway, and the service's reads are short.

#include "store/ShareStore.h"

#include <memory>
#include <mutex>
#include <string>

struct sqlite3;

namespace velk::share {

class SqliteShareStore final : public ShareStore {
public:
    // Opens (creating when missing) the database file at `path`.
    [[nodiscard]] static StoreResult<std::unique_ptr<SqliteShareStore>> open(const std::string& path);
    ~SqliteShareStore() override;

    StoreResult<void> migrate() override;
    StoreResult<int> schemaVersion() override;
    StoreResult<void> ping() override;
    StoreResult<bool> insertShare(const NewShare& share) override;
    StoreResult<std::optional<StoredShare>> share(const std::string& id, WithMedia media) override;
    StoreResult<std::optional<StoredMediaFile>> mediaFile(const std::string& id, const std::string& path) override;
    StoreResult<bool> withdraw(const std::string& id, std::int64_t at) override;
    StoreResult<bool> remove(const std::string& id, const std::string& reason, std::int64_t at) override;
    StoreResult<bool> insertHandoff(const std::string& id, const std::string& shareID, std::int64_t createdAt,
                                    std::int64_t expiredBefore) override;
    StoreResult<std::optional<TakenHandoff>> takeHandoff(const std::string& id) override;
    StoreResult<void> addFeedback(const Feedback& feedback) override;
    StoreResult<std::vector<Feedback>> feedback() override;

private:
    explicit SqliteShareStore(sqlite3* db) : m_db(db) {}
    StoreResult<int> versionLocked();

    std::mutex m_lock;
    sqlite3* m_db;
};

}  // namespace velk::share
