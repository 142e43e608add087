#pragma once

// The schema of the share store, as numbered steps. A database at version N has had steps 1 to N
// applied, each in its own transaction together with the version bump, so a crash mid-way
// leaves it at a whole version. Steps are only ever added, never edited.
//
// The two databases differ only in the type names for bytes and for an automatic key, so each
// step is written once with placeholders: {bytes} and {serial}.

#include <array>
#include <string>
#include <string_view>

namespace velk::share::Migrations {

inline constexpr std::array<std::string_view, 1> steps{
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
};

// `step` with its placeholders filled in for one database.
inline std::string spelled(std::string_view step, std::string_view bytes, std::string_view serial) {
    std::string out;
    for (std::size_t i = 0; i < step.size();) {
        if (step.substr(i).starts_with("{bytes}")) { out += bytes; i += 7; }
        else if (step.substr(i).starts_with("{serial}")) { out += serial; i += 8; }
        else out += step[i++];
    }
    return out;
}

}  // namespace velk::share::Migrations
