// Decoding a request from the page must never crash, a decoded request must survive being put
// back on the wire in its plainest form, and a request that names an id but cannot be served
// must be answered with one of the two messages the page knows how to show.

#include "bridge/BridgeRequest.h"
#include "json/OrderedJSON.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

[[noreturn]] void violated(const char* what, const std::string& detail) {
    std::fprintf(stderr, "bridge request property broken: %s\n%s\n", what, detail.c_str());
    std::abort();
}

std::string encode(const velk::BridgeRequest& request) {
    std::vector<velk::JSONMember> members{
        {"id", velk::JSONValue::number(request.id)},
        {"op", velk::JSONValue::string(velk::wireName(request.op))},
    };
    if (request.payload) members.push_back({"payload", *request.payload});
    return velk::OrderedJSON::write(velk::JSONValue::object(members), velk::Pretty::no);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto request = velk::BridgeRequest::decode(text);
    if (request) {
        const std::string wire = encode(*request);
        const auto again = velk::BridgeRequest::decode(wire);
        if (!again) violated("re-encoded request does not decode", wire + "\n" + again.error().message);
        if (!(*again == *request)) violated("re-encoded request decodes differently", wire);
        return 0;
    }
    const velk::BridgeFailure& failure = request.error();
    if (failure.id) {
        const std::string_view message = failure.message;
        if (message != "request has no op" && !message.starts_with("unknown op "))
            violated("unexpected failure message for a request with an id", failure.message);
    }
    return 0;
}
