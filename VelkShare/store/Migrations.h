#pragma once

// The schema of the share store, as numbered steps. A database at version N has had steps 1 to N
// applied, each in its own transaction together with the version bump, so a crash mid-way
// leaves it at a whole version. Steps are only ever added, never edited.
//
// The two databases differ only in the type names for bytes and for an automatic key, and in how
// they take apart a JSON object, so each step is written once with placeholders for those.

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <utility>

namespace velk::share::Migrations {

// What each database writes for a placeholder.
struct Dialect {
    std::string_view bytes;   // {bytes}: a column of raw bytes
    std::string_view serial;  // {serial}: an automatic integer key
    // {mediaOfShares}: a table of (key, value) texts, one row per member of shares.media
    std::string_view mediaOfShares;
};

inline constexpr std::array<std::string_view, 2> steps{
    // 1: shares, hand-offs, feedback.
    "CREATE TABLE shares ("
    " id TEXT PRIMARY KEY,"
    " token_hash {bytes} NOT NULL,"
    " name {bytes},"
    " state {bytes},"
    " media {bytes},"
    " created_at BIGINT NOT NULL,"
    " withdrawn_at BIGINT,"
    " removed_at BIGINT,"
    " removed_reason TEXT);"
    "CREATE TABLE handoffs ("
    " id TEXT PRIMARY KEY,"
    " share_id TEXT NOT NULL REFERENCES shares(id),"
    " created_at BIGINT NOT NULL);"
    "CREATE INDEX handoffs_by_age ON handoffs(created_at);"
    "CREATE TABLE feedback ("
    " id {serial},"
    " received_at BIGINT NOT NULL,"
    " tester TEXT NOT NULL,"
    " client TEXT NOT NULL,"
    " version TEXT NOT NULL,"
    " message TEXT NOT NULL);",
    // 2: each image in a row of its own, so that serving one image (or a share's page) does not
    // read every image of the share; the images of existing shares move over.
    "CREATE TABLE share_media ("
    " share_id TEXT NOT NULL REFERENCES shares(id),"
    " path TEXT NOT NULL,"
    " base64 TEXT NOT NULL,"
    " PRIMARY KEY (share_id, path));"
    "INSERT INTO share_media (share_id, path, base64)"
    " SELECT shares.id, files.key, files.value FROM shares, {mediaOfShares} AS files"
    " WHERE shares.media IS NOT NULL ON CONFLICT DO NOTHING;"
    "UPDATE shares SET media = NULL WHERE media IS NOT NULL;",
};

// `step` with its placeholders filled in for one database.
inline std::string spelled(std::string_view step, const Dialect& dialect) {
    const std::pair<std::string_view, std::string_view> words[]{
        {"{bytes}", dialect.bytes}, {"{serial}", dialect.serial}, {"{mediaOfShares}", dialect.mediaOfShares}};
    std::string out;
    for (std::size_t i = 0; i < step.size();) {
        const auto word = std::ranges::find_if(words, [&](const auto& w) { return step.substr(i).starts_with(w.first); });
        if (word == std::end(words)) {
            out += step[i++];
        } else {
            out += word->second;
            i += word->first.size();
        }
    }
    return out;
}

}  // namespace velk::share::Migrations
