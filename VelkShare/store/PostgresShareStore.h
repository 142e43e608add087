#pragma once

// The share store in a PostgreSQL database, so that several service instances behind one proxy
// share their shares. Each instance holds one connection, used under a lock, and reconnects
// when the server went away; concurrency between instances is the database's.

#include "store/ShareStore.h"

#include <memory>
#include <mutex>
#include <string>

struct pg_conn;

namespace velk::share {

class PostgresShareStore final : public ShareStore {
public:
    // Connects with a libpq connection URI ("postgresql://user@host:port/database").
    [[nodiscard]] static StoreResult<std::unique_ptr<PostgresShareStore>> open(const std::string& uri);
    ~PostgresShareStore() override;

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
    explicit PostgresShareStore(pg_conn* connection) : m_connection(connection) {}
    StoreResult<void> connected();

    std::mutex m_lock;
    pg_conn* m_connection;
};

}  // namespace velk::share
