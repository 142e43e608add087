#pragma once

// Why the JSON reader refused a text. Positions count Unicode scalars from the start of the
// whole input (leading white space included), never bytes. There is no message of its own:
// description() gives the case name with its payloads, such as unexpected("}", at: 7), for the
// callers that show a reading failure as it is.

#include <cstddef>
#include <string>
#include <variant>

namespace velk {

class JSONError {
public:
    struct Unexpected {
        std::string character;  // one Unicode scalar, UTF-8
        std::size_t at;
        bool operator==(const Unexpected&) const = default;
    };
    struct InvalidNumber {
        std::size_t at;
        bool operator==(const InvalidNumber&) const = default;
    };
    struct InvalidEscape {
        std::size_t at;
        bool operator==(const InvalidEscape&) const = default;
    };
    struct UnexpectedEnd {
        bool operator==(const UnexpectedEnd&) const = default;
    };
    struct NotUTF8 {
        bool operator==(const NotUTF8&) const = default;
    };
    // An array or object opened deeper than the reader's nesting limit.
    struct TooDeep {
        std::size_t at;
        bool operator==(const TooDeep&) const = default;
    };
    using Case = std::variant<Unexpected, InvalidNumber, InvalidEscape, UnexpectedEnd, NotUTF8, TooDeep>;

    explicit JSONError(Case value) : m_case(std::move(value)) {}

    static JSONError unexpected(std::string character, std::size_t at) { return JSONError(Unexpected{std::move(character), at}); }
    static JSONError invalidNumber(std::size_t at) { return JSONError(InvalidNumber{at}); }
    static JSONError invalidEscape(std::size_t at) { return JSONError(InvalidEscape{at}); }
    static JSONError unexpectedEnd() { return JSONError(UnexpectedEnd{}); }
    static JSONError notUTF8() { return JSONError(NotUTF8{}); }
    static JSONError tooDeep(std::size_t at) { return JSONError(TooDeep{at}); }

    const Case& value() const noexcept { return m_case; }
    std::string description() const;
    bool operator==(const JSONError&) const = default;

private:
    Case m_case;
};

}  // namespace velk
