#include "platform/TemporaryName.h"

#include <algorithm>
#include <random>

namespace velk::TemporaryName {

namespace {

constexpr std::string_view marker = ".velk-tmp-";
constexpr std::string_view alphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t randomLength = 8;
// File names are limited to 255 bytes; keep well clear of it.
constexpr std::size_t keptNameBytes = 64;

// Shortens at a UTF-8 character boundary, so the temporary name is as readable as the original.
std::string_view prefix(std::string_view name) {
    if (name.size() <= keptNameBytes) return name;
    std::size_t end = keptNameBytes;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    return name.substr(0, end);
}

}  // namespace

std::string forSibling(std::string_view name) {
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string result = ".";
    result += prefix(name);
    result += marker;
    for (std::size_t i = 0; i < randomLength; ++i) result += alphabet[pick(random)];
    return result;
}

bool isTemporary(std::string_view name) {
    if (name.size() < 1 + marker.size() + randomLength || name.front() != '.') return false;
    const std::string_view tail = name.substr(name.size() - randomLength);
    const bool random = std::all_of(tail.begin(), tail.end(), [](char c) { return alphabet.find(c) != std::string_view::npos; });
    return random && name.substr(name.size() - randomLength - marker.size(), marker.size()) == marker;
}

}  // namespace velk::TemporaryName
