#pragma once

// The members of a JSON object as they are written: each key (decoded) with the exact text of its
// value. The service stores a published state byte for byte, so what velk later downloads is
// what it sent, member order, number spelling and white space included.
//
// Pure; safe from any thread.

#include "json/JSONValue.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk::share::JSONMembers {

struct Member {
    std::string key;
    std::string_view value;  // points into the text that was read
};

struct Read {
    JSONValue value;              // the whole object as velk's reader gives it
    std::vector<Member> members;  // in order, duplicates included
};

// The top-level members of `text`; absent unless `text` is one JSON object that velk's reader
// accepts.
[[nodiscard]] std::optional<Read> read(std::string_view text);

}  // namespace velk::share::JSONMembers
