#pragma once

// What the service accepts as a publish body, {"name", "state"[, "media"]}, and why it refuses
// the rest. The state must be a map velk itself can open (the client's own checks decide) and
// within the size limits; every media member must be a file velk would write. What passes is
// kept as the members' exact text, the media as one file each.
//
// Pure; safe from any thread.

#include "core/Expected.h"
#include "share/ShareServiceContract.h"
#include "store/ShareStore.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk::share::PublishBody {

inline constexpr std::size_t mebibyte = 1024 * 1024;
inline constexpr std::size_t stateLimit = 32 * mebibyte;
inline constexpr std::size_t mediaFileLimit = 25 * mebibyte;  // decoded bytes of one file
inline constexpr std::size_t mediaLimit = 200 * mebibyte;     // decoded bytes of all files
inline constexpr std::size_t nameLimit = 4096;                // bytes of the name's JSON text
// The largest body that could pass: the state, all media as Base64, and room for the rest. The
// HTTP adapter refuses longer bodies before reading them.
inline constexpr std::size_t bodyLimit = stateLimit + mediaLimit / 3 * 4 + 4 + mebibyte;
// A share is served as it was published, its state written anew, so velk must read answers that
// long; room for a second state is slack.
static_assert(bodyLimit + stateLimit <= ShareServiceContract::longestAnswerBytes);

struct Refusal {
    int status;           // 400 or 413
    std::string message;  // a sentence for the publisher
    bool operator==(const Refusal&) const = default;
};

struct Publication {
    std::optional<std::string> name;  // JSON texts, byte for byte from the body
    std::string state;
    std::vector<MediaFile> media;  // in the order published
    bool operator==(const Publication&) const = default;
};

[[nodiscard]] Expected<Publication, Refusal> check(std::string_view body);

// The share document a publication is served as: {"name", "state", "media"}, in that order; name
// and state exactly as published, "media" only when there are images.
[[nodiscard]] std::string document(const std::optional<std::string>& name, std::string_view state,
                                   const std::vector<MediaFile>& media);

}  // namespace velk::share::PublishBody
