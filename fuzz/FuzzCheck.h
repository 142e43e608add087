#pragma once

// What the targets share: the input as text, and a property check that stops the run with the
// input shown, so libFuzzer keeps it as a reproducer.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace velk::fuzz {

inline std::string_view text(const std::uint8_t* data, std::size_t size) { return {reinterpret_cast<const char*>(data), size}; }

inline void require(bool holds, const char* what, std::string_view input = {}) {
    if (holds) return;
    std::fprintf(stderr, "property broken: %s\ninput: ", what);
    for (unsigned char c : input) std::fprintf(stderr, c >= 0x20 && c < 0x7f ? "%c" : "\\x%02x", c);
    std::fprintf(stderr, "\n");
    std::abort();
}

}  // namespace velk::fuzz
