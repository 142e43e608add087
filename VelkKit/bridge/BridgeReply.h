#pragma once

// The outcome of one editor page request: a JSON result, or an error message shown to the user
// as it is. value() is the object the page receives: {"ok":true,"value":…} or
// {"ok":false,"error":"…"}, members in that order.

#include "json/JSONValue.h"

#include <string>
#include <variant>

namespace velk {

class BridgeReply {
public:
    struct Ok {
        JSONValue result;
        bool operator==(const Ok&) const = default;
    };
    struct Error {
        std::string message;
        bool operator==(const Error&) const = default;
    };
    using Case = std::variant<Ok, Error>;

    static BridgeReply ok(JSONValue result) { return BridgeReply(Ok{std::move(result)}); }
    static BridgeReply error(std::string message) { return BridgeReply(Error{std::move(message)}); }

    [[nodiscard]] const Case& outcome() const noexcept { return m_case; }
    [[nodiscard]] JSONValue value() const;
    bool operator==(const BridgeReply&) const = default;

private:
    explicit BridgeReply(Case value) : m_case(std::move(value)) {}
    Case m_case;
};

}  // namespace velk
