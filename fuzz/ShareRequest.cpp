// Any bytes a client sends: Beast parses them, the adapter turns them into a request, the
// routes answer it over a real SQLite store. Nothing may crash, every answer has a real status,
// and no header the service sends can carry a line break (a forged header or a split answer).

#include "FuzzCheck.h"
#include "http/WireRequest.h"
#include "service/ShareService.h"
#include "store/SqliteShareStore.h"

#include <boost/asio/buffer.hpp>
#include <boost/beast/http/parser.hpp>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velk::share;
    namespace http = boost::beast::http;
    static auto store = [] {
        auto opened = SqliteShareStore::open(":memory:");
        if (!opened || !(*opened)->migrate()) std::abort();
        return std::move(*opened);
    }();
    static ShareService service(*store, {.base = "http://127.0.0.1:8080/", .writesPerMinute = 0, .writeBurst = 1});

    const std::string_view input = velk::fuzz::text(data, size);
    http::request_parser<http::string_body> parser;
    parser.eager(true);
    parser.body_limit(1 << 16);
    boost::beast::error_code error;
    parser.put(boost::asio::buffer(input.data(), input.size()), error);
    if (error || !parser.is_done()) return 0;
    const ServiceRequest request = serviceRequest(parser.get(), "192.0.2.1", true);
    const ServiceResponse response = service.handle(request);
    velk::fuzz::require(response.status >= 200 && response.status <= 599, "an answer without a real status", input);
    for (const auto& [name, value] : response.headers)
        velk::fuzz::require(name.find_first_of("\r\n") == std::string::npos && value.find_first_of("\r\n") == std::string::npos,
                            "a line break in an answer's header", input);
    return 0;
}
