#pragma once

// HttpClient is the seam through which velk reaches the network: it performs one HTTP request and
// completes once with the answer or a transport error. It never follows redirects: a 3xx answer
// is handed back like any other, so the caller decides, hop by hop, whether to go on.
//
// For callers that fetch addresses a user pasted (link previews), a request can also carry the
// numeric addresses its host was approved at, a check that every connection's peer address must
// pass before it is opened, and a cap on the body that ends the transfer as soon as it is passed.
//
// Implementations are safe to call from any thread, completions included. The completion is
// called exactly once, on a thread of the client's own, never inside perform() on the caller's
// thread (it may run while perform() is still returning); it may start further requests. Destroying a client ends the requests still running: each of them
// completes with an error before the destructor returns.

#include "core/Expected.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace velk {

struct HttpHeader {
    std::string name;
    std::string value;
    bool operator==(const HttpHeader&) const = default;
};

struct HttpRequest {
    std::string method = "GET";
    std::string url;
    // Sent as given, after the client's own User-Agent; nothing else is added but what the
    // protocol itself needs (Host, and the length of a body).
    std::vector<HttpHeader> headers;
    std::string body;
    // Connecting, or waiting for the next byte, longer than this ends the request.
    std::chrono::milliseconds idleTimeout{8000};
    // The whole request taking longer than this ends it.
    std::chrono::milliseconds totalTimeout{16000};
    // The body is cut off as soon as it passes this many bytes; the response then says so. A
    // body the server compressed counts in the bytes it decodes to.
    std::optional<std::size_t> maxBodyBytes;
    // When not empty: the numeric addresses the URL's host is reached at. The client connects to
    // no other address and does not ask the system resolver again, so the host cannot be
    // pointed somewhere else between the caller's check and the connection.
    std::vector<std::string> pinnedAddresses;
    // When set: asked with the numeric text of each address the client is about to connect to
    // (after pinning, before any packet is sent). A false answer refuses the connection and the
    // request completes with HttpError::AddressRefused.
    std::function<bool(std::string_view address)> allowAddress;
};

struct HttpResponse {
    int status = 0;
    // The URL that answered; the request's URL, since redirects are not followed.
    std::string url;
    // In the order received, of the final response only (interim 1xx answers are dropped).
    std::vector<HttpHeader> headers;
    std::string body;
    // True when the body passed the request's maxBodyBytes and the transfer was ended there;
    // `body` then holds the first maxBodyBytes bytes only.
    bool bodyCut = false;

    // The value of the first header called `name`, in any letter case; absent when none is.
    [[nodiscard]] std::optional<std::string_view> header(std::string_view name) const;
};

// Why a request got no response.
class HttpError {
public:
    // Anything the transport reports: no connection, a time-out, a TLS failure, a cancelled
    // request. `message` is the transport's own short text.
    struct Transport {
        std::string message;
        bool operator==(const Transport&) const = default;
    };
    // The request's allowAddress check, or its pinned addresses, refused a connection to
    // `address` (numeric text) before it was opened.
    struct AddressRefused {
        std::string address;
        bool operator==(const AddressRefused&) const = default;
    };
    using Case = std::variant<Transport, AddressRefused>;

    explicit HttpError(Case value) : m_case(std::move(value)) {}
    static HttpError transport(std::string message) { return HttpError(Transport{std::move(message)}); }
    static HttpError addressRefused(std::string address) { return HttpError(AddressRefused{std::move(address)}); }

    [[nodiscard]] const Case& value() const noexcept { return m_case; }
    [[nodiscard]] std::string description() const;
    bool operator==(const HttpError&) const = default;

private:
    Case m_case;
};

class HttpClient {
public:
    using Result = Expected<HttpResponse, HttpError>;
    using Completion = std::function<void(Result)>;

    virtual ~HttpClient() = default;

    // Starts `request` and returns at once; `completion` is called exactly once, on a thread of
    // the client's own.
    virtual void perform(HttpRequest request, Completion completion) = 0;
};

}  // namespace velk
