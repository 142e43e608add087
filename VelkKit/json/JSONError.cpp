#include "json/JSONError.h"

#include "core/Overloaded.h"

namespace velk {

namespace {

std::string at(std::size_t position) { return "at: " + std::to_string(position) + ")"; }

}  // namespace

std::string JSONError::description() const {
    return std::visit(
        Overloaded{
            [](const Unexpected& e) { return "unexpected(\"" + e.character + "\", " + at(e.at); },
            [](const InvalidNumber& e) { return "invalidNumber(" + at(e.at); },
            [](const InvalidEscape& e) { return "invalidEscape(" + at(e.at); },
            [](const UnexpectedEnd&) { return std::string("unexpectedEnd"); },
            [](const NotUTF8&) { return std::string("notUTF8"); },
            [](const TooDeep& e) { return "tooDeep(" + at(e.at); },
        },
        m_case);
}

}  // namespace velk
