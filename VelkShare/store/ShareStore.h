#pragma once

// Where the share service keeps its shares, hand-offs and feedback. One small interface with two
// implementations: SQLite in a single file (one instance) and PostgreSQL (several instances over
// one database). Both pass the same contract tests.
//
// Every operation is atomic on its own: a share acknowledged by insertShare is on disk, a
// hand-off is taken by exactly one caller. Implementations are safe to call from several threads
// at once. Times are whole seconds since the Unix epoch, passed in by the caller, so the store
// never reads a clock.

#include "core/Expected.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velk::share {

// Why the store could not do what it was asked. The text is for the operator's log; callers show
// the public a fixed sentence instead.
struct StoreError {
    std::string message;
    bool operator==(const StoreError&) const = default;
};

template <class T>
using StoreResult = Expected<T, StoreError>;

// One image of a share, kept as its own row so that serving it reads that image alone.
struct MediaFile {
    std::string path;    // e.g. "velk-media/33f9ea4d2fe3afb2.png"
    std::string base64;  // the file's bytes as published, in Base64
    bool operator==(const MediaFile&) const = default;
};

struct NewShare {
    std::string id;
    std::string tokenHash;             // SHA-256 of the withdrawal token, raw bytes
    // The JSON texts of the publish body's members, byte for byte as published.
    std::optional<std::string> name;   // a JSON string, when the body named the map
    std::string state;
    std::vector<MediaFile> media;
    std::int64_t createdAt = 0;
};

// A share as it stands. A withdrawn or removed share keeps its id (so it is never given out
// again) but none of its data.
struct StoredShare {
    enum class Standing { live, withdrawn, removed };
    Standing standing = Standing::live;
    std::string tokenHash;
    std::optional<std::string> name;  // JSON texts, as in NewShare
    std::string state;
    std::vector<MediaFile> media;  // by path; only when asked for
    std::string removedReason;
    bool operator==(const StoredShare&) const = default;
};

// Whether share() reads the share's images too: only the whole document needs them.
enum class WithMedia : bool { no, yes };

// One image looked up on its own: how its share stands, and the file when the share is live and
// holds it.
struct StoredMediaFile {
    StoredShare::Standing standing = StoredShare::Standing::live;
    std::optional<std::string> base64;
    bool operator==(const StoredMediaFile&) const = default;
};

struct TakenHandoff {
    std::string shareID;
    std::int64_t createdAt = 0;
    bool operator==(const TakenHandoff&) const = default;
};

struct Feedback {
    std::int64_t receivedAt = 0;
    std::string tester, client, version, message;
    bool operator==(const Feedback&) const = default;
};

class ShareStore {
public:
    virtual ~ShareStore() = default;

    // Creates the schema or brings it up to the newest version. Safe when several instances
    // start at once.
    [[nodiscard]] virtual StoreResult<void> migrate() = 0;
    // The schema version the database is at (0 before the first migration).
    [[nodiscard]] virtual StoreResult<int> schemaVersion() = 0;
    // Whether the database answers at all.
    [[nodiscard]] virtual StoreResult<void> ping() = 0;

    // False, and nothing stored, when the id was ever used before.
    [[nodiscard]] virtual StoreResult<bool> insertShare(const NewShare& share) = 0;
    [[nodiscard]] virtual StoreResult<std::optional<StoredShare>> share(const std::string& id, WithMedia media = WithMedia::no) = 0;
    // Absent when there is no share of that id.
    [[nodiscard]] virtual StoreResult<std::optional<StoredMediaFile>> mediaFile(const std::string& id, const std::string& path) = 0;
    // Deletes a live share's data and marks it withdrawn; false when it was not live.
    [[nodiscard]] virtual StoreResult<bool> withdraw(const std::string& id, std::int64_t at) = 0;
    // The operator's removal: deletes a live share's data and keeps the reason; false when it
    // was not live.
    [[nodiscard]] virtual StoreResult<bool> remove(const std::string& id, const std::string& reason, std::int64_t at) = 0;

    // Records a hand-off of a share; hand-offs created before `expiredBefore` are dropped on the way.
    [[nodiscard]] virtual StoreResult<bool> insertHandoff(const std::string& id, const std::string& shareID,
                                                          std::int64_t createdAt, std::int64_t expiredBefore) = 0;
    // Takes a hand-off once: the first caller gets it, every later one gets nothing.
    [[nodiscard]] virtual StoreResult<std::optional<TakenHandoff>> takeHandoff(const std::string& id) = 0;

    [[nodiscard]] virtual StoreResult<void> addFeedback(const Feedback& feedback) = 0;
    // All feedback, oldest first.
    [[nodiscard]] virtual StoreResult<std::vector<Feedback>> feedback() = 0;
};

}  // namespace velk::share
