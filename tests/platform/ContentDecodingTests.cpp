// A server may compress a body velk never asked it to compress: the client hands back the decoded
// bytes, and a size limit counts decoded bytes, so a small compressed body cannot grow past it.

#include "platform/CurlHttpClient.h"
#include "preview/ScriptedHttpServer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <future>

namespace velk {
namespace {

using testing_support::ScriptedHttpServer;
using testing_support::ScriptedResponse;
using namespace std::chrono_literals;

// `text` compressed by zlib with the given window bits: 31 makes gzip, 15 the zlib format that
// HTTP calls deflate.
std::string compressed(const std::string& text, int windowBits) {
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&stream, text.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

TEST(ContentDecoding, GzipAndDeflateBodiesArriveDecodedWithinTheirLimit) {
    const std::string page = "<title>Packed</title>" + std::string(100000, ' ');
    struct Case {
        std::string_view name, encoding;
        int windowBits;
        std::optional<std::size_t> limit;
        std::string body;
        bool cut;
    };
    const Case cases[] = {
        {"gzip", "gzip", 31, std::nullopt, page, false},
        {"deflate", "deflate", 15, std::nullopt, page, false},
        {"limit in decoded bytes", "gzip", 31, 1000, page.substr(0, 1000), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedHttpServer server;
        auto packed = ScriptedResponse::page(compressed(page, c.windowBits));
        packed.headers.push_back({"Content-Encoding", std::string(c.encoding)});
        ASSERT_LT(packed.body.size(), 1000u);
        server.on("pages.test", "/", packed);
        CurlHttpClient::Options routed;
        routed.testRoutePort = server.port();
        routed.loopbackRoute = CurlHttpClient::LoopbackRoute::trustedForTests;
        CurlHttpClient client(routed);
        HttpRequest request;
        request.url = "http://pages.test/";
        request.maxBodyBytes = c.limit;
        request.pinnedAddresses = {"93.184.216.34"};
        std::promise<HttpClient::Result> done;
        client.perform(request, [&done](HttpClient::Result result) { done.set_value(std::move(result)); });
        auto finished = done.get_future();
        ASSERT_EQ(finished.wait_for(10s), std::future_status::ready);
        const auto result = finished.get();
        ASSERT_TRUE(result.has_value()) << result.error().description();
        EXPECT_EQ(result->body, c.body);
        EXPECT_EQ(result->bodyCut, c.cut);
        // Nothing was asked for: the request carries only what the caller gave.
        for (const HttpHeader& header : server.requests().at(0).headers) EXPECT_NE(header.name, "Accept-Encoding");
    }
}

}  // namespace
}  // namespace velk
