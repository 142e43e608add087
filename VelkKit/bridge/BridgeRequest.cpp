#include "bridge/BridgeRequest.h"

#include "core/NumberText.h"
#include "json/OrderedJSON.h"

namespace velk {

namespace {

// The id of a request that starts {"id":N, as the page's own requests do (it writes the id
// first): read from the text, so a request nested too deep to read can still be answered.
std::optional<std::int64_t> leadingID(std::string_view text) {
    constexpr std::string_view start = "{\"id\":";
    if (!text.starts_with(start)) return std::nullopt;
    text.remove_prefix(start.size());
    return NumberText::int64Value(text.substr(0, text.find(',')));
}

}  // namespace

Expected<BridgeRequest, BridgeFailure> BridgeRequest::decode(std::string_view text) {
    auto fail = [](std::optional<std::int64_t> id, std::string message) {
        return Unexpected<BridgeFailure>(BridgeFailure{id, std::move(message)});
    };
    auto json = OrderedJSON::parse(text);
    if (!json && std::holds_alternative<JSONError::TooDeep>(json.error().value()))
        return fail(leadingID(text), "request nests deeper than " + std::to_string(OrderedJSON::maxDepth) + " levels");
    if (!json) return fail(std::nullopt, "malformed request JSON");

    const auto idValue = (*json)["id"];
    const auto idText = idValue ? idValue->numberText() : std::nullopt;
    const auto id = idText ? NumberText::int64Value(*idText) : std::nullopt;
    if (!id) return fail(std::nullopt, "request has no integer id");

    const auto opValue = (*json)["op"];
    const auto opText = opValue ? opValue->stringValue() : std::nullopt;
    if (!opText) return fail(id, "request has no op");
    const auto op = bridgeOpNamed(*opText);
    if (!op) return fail(id, "unknown op " + std::string(*opText));

    return BridgeRequest{*id, *op, (*json)["payload"]};
}

}  // namespace velk
