#include "bridge/BridgeRequest.h"

#include "json/OrderedJSON.h"

#include <charconv>

namespace velk {

std::optional<std::int64_t> requestID(std::string_view text) noexcept {
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '+' || negative)) text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
    }
    // Accumulate towards the negative side, which holds one more value than the positive one.
    std::int64_t value = 0;
    for (char c : text) {
        const int digit = c - '0';
        if (value < (INT64_MIN + digit) / 10) return std::nullopt;
        value = value * 10 - digit;
    }
    if (negative) return value;
    if (value == INT64_MIN) return std::nullopt;
    return -value;
}

Expected<BridgeRequest, BridgeFailure> BridgeRequest::decode(std::string_view text) {
    auto fail = [](std::optional<std::int64_t> id, std::string message) {
        return Unexpected<BridgeFailure>(BridgeFailure{id, std::move(message)});
    };
    auto json = OrderedJSON::parse(text);
    if (!json) return fail(std::nullopt, "malformed request JSON");

    const auto idValue = (*json)["id"];
    const auto idText = idValue ? idValue->numberText() : std::nullopt;
    const auto id = idText ? requestID(*idText) : std::nullopt;
    if (!id) return fail(std::nullopt, "request has no integer id");

    const auto opValue = (*json)["op"];
    const auto opText = opValue ? opValue->stringValue() : std::nullopt;
    if (!opText) return fail(id, "request has no op");
    const auto op = bridgeOpNamed(*opText);
    if (!op) return fail(id, "unknown op " + std::string(*opText));

    return BridgeRequest{*id, *op, (*json)["payload"]};
}

}  // namespace velk
