#include "service/Secrets.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <sys/random.h>

#include <array>
#include <cerrno>
#include <cstdlib>

namespace velk::share::Secrets {
namespace {

constexpr std::string_view alphabet = "abcdefghijklmnopqrstuvwxyz23456789";

void fill(unsigned char* into, std::size_t size) {
    while (size > 0) {
        const ssize_t got = getrandom(into, size, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            // Without randomness no id or token can be made safely; carrying on would be worse.
            std::abort();
        }
        into += got;
        size -= std::size_t(got);
    }
}

}  // namespace

std::string id(std::size_t length) {
    std::string out;
    out.reserve(length);
    std::array<unsigned char, 32> pool{};
    std::size_t used = pool.size();
    // Bytes at or above the largest multiple of the alphabet's size are dropped, so every
    // character is equally likely.
    constexpr unsigned limit = 256 / alphabet.size() * alphabet.size();
    while (out.size() < length) {
        if (used == pool.size()) {
            fill(pool.data(), pool.size());
            used = 0;
        }
        const unsigned byte = pool[used++];
        if (byte < limit) out += alphabet[byte % alphabet.size()];
    }
    return out;
}

std::string token() {
    std::array<unsigned char, 32> bytes{};
    fill(bytes.data(), bytes.size());
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    for (const unsigned char byte : bytes) {
        out += hex[byte >> 4];
        out += hex[byte & 15];
    }
    return out;
}

std::string digest(std::string_view token) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> out{};
    unsigned int size = 0;
    if (EVP_Digest(token.data(), token.size(), out.data(), &size, EVP_sha256(), nullptr) != 1) std::abort();
    return std::string(reinterpret_cast<const char*>(out.data()), size);
}

bool sameDigest(std::string_view a, std::string_view b) noexcept {
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace velk::share::Secrets
