#pragma once

// The beta programme's feedback link: the share service's feedback page, told which client and
// version sent the user there and an anonymous tester identifier, so that reports from one
// machine can be told apart without knowing who sent them. The identifier is made once and kept
// in the user defaults; a damaged one is quietly replaced.
//
// Random numbers come from the caller, so identifiers can be tested. Main thread only (the
// defaults are).

#include "platform/Defaults.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velk::Beta {

inline constexpr std::string_view notice =
    "velk is in beta. Your maps will open in the released version. No subscription, no mandatory account. "
    "Your distribution, your maps.";

// The user default that keeps the tester identifier.
inline constexpr std::string_view testerKey = "velk.tester";
// How this application names itself to the feedback page.
inline constexpr std::string_view client = "linux";
// A longer message is cut to this many characters.
inline constexpr std::size_t messageLimit = 4000;

// A fresh 64-bit random number on every call.
using RandomSource = std::function<std::uint64_t()>;

// The feedback page of the service at `base`: its scheme and authority with the path
// "/feedback/". Requires: `base` is an absolute http(s) URL.
[[nodiscard]] std::string feedbackPage(std::string_view base);

// Whether a stored identifier may be used: 8 to 64 of a-z, 0-9 and "-", nothing else.
[[nodiscard]] bool isValidTesterId(std::string_view text) noexcept;

// A new identifier: "t-" and 12 characters of a-z0-9, each a random number modulo 36.
[[nodiscard]] std::string mint(const RandomSource& random);

// The stored identifier, or a new one that is stored, when there is none or it is not valid.
[[nodiscard]] std::string testerId(Defaults& defaults, const RandomSource& random);

// The feedback page with the query items tester, client and version in that order, then the
// message, when there is a non-empty one, cut to messageLimit characters. Every value is
// percent-encoded so that it cannot end its item or add items of its own.
[[nodiscard]] std::string feedbackURL(std::string_view base, std::string_view client, std::string_view version,
                                      std::string_view tester, std::optional<std::string_view> message);

// The feedback link of this application: the build's share service, client "linux", the given
// version and the machine's tester identifier.
[[nodiscard]] std::string feedbackURL(Defaults& defaults, const RandomSource& random, std::string_view version,
                                      std::optional<std::string_view> message);

}  // namespace velk::Beta
