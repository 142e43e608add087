#include "core/WhiteSpace.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdint>

namespace velk::WhiteSpace {

namespace {

template <class Trimmable>
std::string_view trim(std::string_view text, Trimmable trimmable) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    int32_t begin = 0;
    while (begin < length) {
        int32_t next = begin;
        UChar32 scalar;
        U8_NEXT(bytes, next, length, scalar);
        if (scalar < 0 || !trimmable(static_cast<char32_t>(scalar))) break;
        begin = next;
    }
    int32_t end = length;
    while (end > begin) {
        int32_t previous = end;
        UChar32 scalar;
        U8_PREV(bytes, begin, previous, scalar);
        if (scalar < 0 || !trimmable(static_cast<char32_t>(scalar))) break;
        end = previous;
    }
    return text.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}

}  // namespace

bool isWhiteSpace(char32_t scalar) {
    return scalar == U'\t' || u_charType(static_cast<UChar32>(scalar)) == U_SPACE_SEPARATOR;
}

bool isLineBreak(char32_t scalar) {
    return (scalar >= 0x0A && scalar <= 0x0D) || scalar == 0x85 || scalar == 0x2028 || scalar == 0x2029;
}

std::string_view trimmed(std::string_view text) { return trim(text, isWhiteSpace); }

std::string_view trimmedWithLineBreaks(std::string_view text) {
    return trim(text, [](char32_t scalar) { return isWhiteSpace(scalar) || isLineBreak(scalar); });
}

}  // namespace velk::WhiteSpace
