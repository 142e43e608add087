// A server may compress a body velk never asked it to compress: the client hands back the decoded
// bytes, and a size limit counts decoded bytes, so a small compressed body cannot grow past it.

#include "preview/ScriptedHttpServer.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace velk {
namespace {

using testing_support::ScriptedResponse;

// `text` compressed by zlib: window bits 31 make gzip, 15 the zlib format HTTP calls deflate.
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
    const struct {
        std::string_view encoding;
        int windowBits;
        std::optional<std::size_t> limit;
        std::string body;
        bool cut;
    } cases[] = {{"gzip", 31, std::nullopt, page, false}, {"deflate", 15, std::nullopt, page, false}, {"gzip", 31, 1000, page.substr(0, 1000), true}};
    for (const auto& c : cases) {
        testing_support::ScriptedHttpServer server;
        auto packed = ScriptedResponse::page(compressed(page, c.windowBits));
        packed.headers.push_back({"Content-Encoding", std::string(c.encoding)});
        ASSERT_LT(packed.body.size(), 1000u);
        server.on("pages.test", "/", packed);
        CurlHttpClient client(testing_support::routedTo(server));
        HttpRequest request;
        request.url = "http://pages.test/";
        request.maxBodyBytes = c.limit;
        request.pinnedAddresses = {"93.184.216.34"};
        const auto result = testing_support::awaited<HttpClient::Result>([&](auto done) { client.perform(request, done); });
        ASSERT_TRUE(result.has_value()) << result.error().description();
        EXPECT_EQ(result->body, c.body) << c.encoding << " limit " << c.limit.value_or(0);
        EXPECT_EQ(result->bodyCut, c.cut) << c.encoding << " limit " << c.limit.value_or(0);
        // Nothing was asked for: the request carries only what the caller gave.
        // (The requests are a copy: held here, or the loop would read a vector already gone.)
        const auto requests = server.requests();
        for (const HttpHeader& header : requests.at(0).headers) EXPECT_NE(header.name, "Accept-Encoding");
    }
}

}  // namespace
}  // namespace velk
