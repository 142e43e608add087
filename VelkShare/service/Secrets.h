#pragma once

// The service's unguessable values: share and hand-off ids, withdrawal tokens, and the digest a
// token is kept as. Randomness comes from the kernel's CSPRNG (getrandom), never from a seeded
// generator. Safe from any thread.

#include <cstddef>
#include <string>
#include <string_view>

namespace velk::share::Secrets {

// `length` characters of a to z and 2 to 9: the alphabet velk's links take.
[[nodiscard]] std::string id(std::size_t length);

// 32 random bytes (256 bits) as 64 lower-case hex digits.
[[nodiscard]] std::string token();

// SHA-256 of `token`, raw bytes: what the store keeps instead of the token.
[[nodiscard]] std::string digest(std::string_view token);

// Whether two digests are equal, in time that does not depend on where they differ.
[[nodiscard]] bool sameDigest(std::string_view a, std::string_view b) noexcept;

}  // namespace velk::share::Secrets
