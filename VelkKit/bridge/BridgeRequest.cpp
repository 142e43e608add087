#include "bridge/BridgeRequest.h"

#include "core/NumberText.h"
#include "json/OrderedJSON.h"

namespace velk {

Expected<BridgeRequest, BridgeFailure> BridgeRequest::decode(std::string_view text) {
    auto fail = [](std::optional<std::int64_t> id, std::string message) {
        return Unexpected<BridgeFailure>(BridgeFailure{id, std::move(message)});
    };
    auto json = OrderedJSON::parse(text);
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
