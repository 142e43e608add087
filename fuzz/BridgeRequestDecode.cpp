// Decoding a request from the page must never crash, a decoded request must survive being put
// back on the wire in its plainest form, and a request that names an id but cannot be served
// must be answered with one of the two messages the page knows how to show.

#include "FuzzCheck.h"
#include "bridge/BridgeRequest.h"
#include "json/OrderedJSON.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velk;
    const auto request = BridgeRequest::decode(fuzz::text(data, size));
    if (request) {
        std::vector<JSONMember> members{{"id", JSONValue::number(request->id)}, {"op", JSONValue::string(wireName(request->op))}};
        if (request->payload) members.push_back({"payload", *request->payload});
        const std::string wire = OrderedJSON::write(JSONValue::object(members), Pretty::no);
        const auto again = BridgeRequest::decode(wire);
        fuzz::require(again && *again == *request, "re-encoded request decodes differently or not at all", wire);
    } else if (const std::string_view message = request.error().message; request.error().id) {
        fuzz::require(message == "request has no op" || message.starts_with("unknown op "), "unexpected failure message", message);
    }
    return 0;
}
