#include "bridge/BridgeReply.h"
#include "bridge/BridgeRequest.h"
#include "json/JSONTestHelpers.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

using testing_support::compact;
using testing_support::parsed;

std::string outcome(std::string_view text) {
    const auto decoded = BridgeRequest::decode(text);
    if (decoded) {
        return "id " + std::to_string(decoded->id) + " op " + std::string(wireName(decoded->op)) + " payload " +
               (decoded->payload ? compact(*decoded->payload) : "absent");
    }
    const BridgeFailure& failure = decoded.error();
    return (failure.id ? "id " + std::to_string(*failure.id) : std::string("no id")) + ": " + failure.description();
}

TEST(BridgeRequestDecode, RequestsAndFailures) {
    struct Case {
        std::string_view text, outcome;
    };
    const Case cases[] = {
        {R"({"id":3,"op":"load"})", "id 3 op load payload absent"},
        {R"({"op":"load","id":-2,"payload":{"x":1}})", "id -2 op load payload {\"x\":1}"},
        {R"({"id":+4,"op":"load"})", "id 4 op load payload absent"},
        {R"({"id":7,"op":"saveAs","payload":null,"extra":1})", "id 7 op saveAs payload null"},
        {R"({"id":9223372036854775807,"op":"preview"})", "id 9223372036854775807 op preview payload absent"},
        {R"({"id":-9223372036854775808,"op":"home"})", "id -9223372036854775808 op home payload absent"},
        {R"({"id":"3","op":"load"})", "no id: request has no integer id"},
        {R"({"id":3.0,"op":"load"})", "no id: request has no integer id"},
        {R"({"id":1e3,"op":"load"})", "no id: request has no integer id"},
        {R"({"id":99999999999999999999,"op":"load"})", "no id: request has no integer id"},
        {R"({"id":9223372036854775808,"op":"load"})", "no id: request has no integer id"},
        {R"({"id":-9223372036854775809,"op":"load"})", "no id: request has no integer id"},
        {R"({"id":-,"op":"load"})", "no id: request has no integer id"},
        {R"({"id":+-4,"op":"load"})", "no id: request has no integer id"},
        {R"({"op":"load"})", "no id: request has no integer id"},
        {R"({"id":5})", "id 5: request has no op"},
        {R"({"id":5,"op":7})", "id 5: request has no op"},
        {R"({"id":5,"op":"Load"})", "id 5: unknown op Load"},
        {R"({"id":5,"op":""})", "id 5: unknown op "},
        {"[1,2]", "no id: request has no integer id"},
        {"{\"id\":1,", "no id: malformed request JSON"},
        {"\xFF", "no id: malformed request JSON"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(outcome(c.text), c.outcome);
    }
}

TEST(BridgeRequestDecode, EveryOpByItsWireName) {
    const BridgeOp ops[] = {BridgeOp::load, BridgeOp::save, BridgeOp::media, BridgeOp::refresh,
                            BridgeOp::home, BridgeOp::rename, BridgeOp::saveAs, BridgeOp::feedback,
                            BridgeOp::share, BridgeOp::unshare, BridgeOp::preview};
    const std::string_view names[] = {"load", "save", "media", "refresh", "home", "rename",
                                      "saveAs", "feedback", "share", "unshare", "preview"};
    for (std::size_t i = 0; i < std::size(ops); ++i) {
        EXPECT_EQ(wireName(ops[i]), names[i]);
        const auto request = BridgeRequest::decode(R"({"id":1,"op":")" + std::string(names[i]) + "\"}");
        ASSERT_TRUE(request);
        EXPECT_EQ(request->op, ops[i]);
    }
    EXPECT_EQ(bridgeOpNamed("saveas"), std::nullopt);
}

TEST(BridgeRequestDecode, RequestsCompareFieldByField) {
    const auto a = BridgeRequest::decode(R"({"id":1,"op":"save","payload":{"body":"x"}})");
    const auto b = BridgeRequest::decode(R"({"payload":{"body":"x"},"op":"save","id":1})");
    const auto c = BridgeRequest::decode(R"({"id":1,"op":"save","payload":{"body":"y"}})");
    EXPECT_EQ(*a, *b);
    EXPECT_NE(*a, *c);
}

TEST(BridgeReply, ValueHasOkFirst) {
    EXPECT_EQ(compact(BridgeReply::ok(parsed(R"({"revision":3})")).value()), R"({"ok":true,"value":{"revision":3}})");
    EXPECT_EQ(compact(BridgeReply::ok(JSONValue()).value()), R"({"ok":true,"value":null})");
    EXPECT_EQ(compact(BridgeReply::error("document is gone").value()), R"({"ok":false,"error":"document is gone"})");
}

}  // namespace
}  // namespace velk
