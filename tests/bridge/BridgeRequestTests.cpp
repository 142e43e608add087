#include "bridge/BridgeRequest.h"
#include "json/JSONTestHelpers.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

std::string outcome(std::string_view text) {
    const auto decoded = BridgeRequest::decode(text);
    if (decoded) {
        return "id " + std::to_string(decoded->id) + " op " + std::string(wireName(decoded->op)) + " payload " +
               (decoded->payload ? testing_support::compact(*decoded->payload) : "absent");
    }
    return (decoded.error().id ? "id " + std::to_string(*decoded.error().id) : std::string("no id")) + ": " + decoded.error().description();
}

// Ids are whole numbers within 64 bits; every op is named on the wire as the page names it.
TEST(BridgeRequestDecode, RequestsAndFailures) {
    const std::string noId = "no id: request has no integer id";
    const std::pair<std::string_view, std::string> cases[] = {
        {R"({"id":3,"op":"load"})", "id 3 op load payload absent"}, {R"({"op":"load","id":-2,"payload":{"x":1}})", "id -2 op load payload {\"x\":1}"},
        {R"({"id":+4,"op":"load"})", "id 4 op load payload absent"}, {R"({"id":7,"op":"saveAs","payload":null,"extra":1})", "id 7 op saveAs payload null"},
        {R"({"id":9223372036854775807,"op":"preview"})", "id 9223372036854775807 op preview payload absent"},
        {R"({"id":-9223372036854775808,"op":"home"})", "id -9223372036854775808 op home payload absent"},
        {R"({"id":"3","op":"load"})", noId}, {R"({"id":3.0,"op":"load"})", noId}, {R"({"id":1e3,"op":"load"})", noId},
        {R"({"id":99999999999999999999,"op":"load"})", noId}, {R"({"id":9223372036854775808,"op":"load"})", noId},
        {R"({"id":-9223372036854775809,"op":"load"})", noId}, {R"({"id":-,"op":"load"})", noId}, {R"({"id":+-4,"op":"load"})", noId},
        {R"({"op":"load"})", noId}, {"[1,2]", noId}, {R"({"id":5})", "id 5: request has no op"}, {R"({"id":5,"op":7})", "id 5: request has no op"},
        {R"({"id":5,"op":"Load"})", "id 5: unknown op Load"}, {R"({"id":5,"op":"saveas"})", "id 5: unknown op saveas"},
        {R"({"id":5,"op":""})", "id 5: unknown op "}, {"{\"id\":1,", "no id: malformed request JSON"}, {"\xFF", "no id: malformed request JSON"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(outcome(text), expected) << text;
}

}  // namespace
}  // namespace velk
