#include "platform/CurlTransfer.h"

#include "trace/Trace.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace velk::CurlTransfer {

namespace {

constexpr std::string_view loopbackText = "127.0.0.1";

// An address in binary, so that a peer compares equal to a pin however either was spelled.
struct Address {
    int family = AF_UNSPEC;
    std::array<unsigned char, 16> bytes{};
    bool operator==(const Address&) const = default;
};

std::optional<Address> parseAddress(std::string_view text) {
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']') text = text.substr(1, text.size() - 2);
    const std::string owned(text);
    Address address;
    if (inet_pton(AF_INET, owned.c_str(), address.bytes.data()) == 1) {
        address.family = AF_INET;
        return address;
    }
    if (inet_pton(AF_INET6, owned.c_str(), address.bytes.data()) == 1) {
        address.family = AF_INET6;
        return address;
    }
    return std::nullopt;
}

std::string addressText(const Address& address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (!inet_ntop(address.family, address.bytes.data(), text, sizeof text)) return {};
    return text;
}

std::optional<Address> peerAddress(const curl_sockaddr& peer) {
    Address address;
    address.family = peer.family;
    if (peer.family == AF_INET && peer.addrlen >= sizeof(sockaddr_in)) {
        sockaddr_in in;
        std::memcpy(&in, &peer.addr, sizeof in);
        std::memcpy(address.bytes.data(), &in.sin_addr, 4);
        return address;
    }
    if (peer.family == AF_INET6 && peer.addrlen >= sizeof(sockaddr_in6)) {
        sockaddr_in6 in6;
        std::memcpy(&in6, &peer.addr, sizeof in6);
        std::memcpy(address.bytes.data(), &in6.sin6_addr, 16);
        return address;
    }
    return std::nullopt;
}

void routeToLoopback(curl_sockaddr& peer, std::uint16_t port) {
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_port = htons(port);
    in.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    peer.family = AF_INET;
    peer.addrlen = sizeof in;
    std::memcpy(&peer.addr, &in, sizeof in);
}

struct CurlCleanup {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
    void operator()(char* text) const { curl_free(text); }
};
using EasyHandle = std::unique_ptr<CURL, CurlCleanup>;
using StringList = std::unique_ptr<curl_slist, CurlCleanup>;
using URLHandle = std::unique_ptr<CURLU, CurlCleanup>;
using CurlText = std::unique_ptr<char, CurlCleanup>;

class MultiHandle {
public:
    MultiHandle() : m_multi(curl_multi_init()) {}
    ~MultiHandle() {
        if (m_easy) curl_multi_remove_handle(m_multi, m_easy);
        if (m_multi) curl_multi_cleanup(m_multi);
    }
    MultiHandle(const MultiHandle&) = delete;
    MultiHandle& operator=(const MultiHandle&) = delete;

    [[nodiscard]] CURLM* get() const { return m_multi; }
    [[nodiscard]] bool add(CURL* easy) {
        if (!m_multi || curl_multi_add_handle(m_multi, easy) != CURLM_OK) return false;
        m_easy = easy;
        return true;
    }

private:
    CURLM* m_multi;
    CURL* m_easy = nullptr;
};

// The curl name-cache entry that makes the URL's host resolve to the pinned addresses only:
// "host:port:address,address". Host and port are read with curl's own URL parser so that the
// entry matches the name curl looks up. Absent for a numeric host, which curl never resolves.
std::optional<std::string> pinEntry(const std::string& url, const std::vector<Address>& pins) {
    const URLHandle handle(curl_url());
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return std::nullopt;
    char* host = nullptr;
    char* port = nullptr;
#ifdef CURLU_PUNYCODE
    const unsigned hostFlags = CURLU_PUNYCODE;
#else
    const unsigned hostFlags = 0;
#endif
    if (curl_url_get(handle.get(), CURLUPART_HOST, &host, hostFlags) != CURLUE_OK) return std::nullopt;
    const CurlText ownedHost(host);
    if (curl_url_get(handle.get(), CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) != CURLUE_OK) return std::nullopt;
    const CurlText ownedPort(port);
    if (host[0] == '[' || parseAddress(host)) return std::nullopt;
    std::string entry = std::string(host) + ":" + port + ":";
    for (std::size_t i = 0; i < pins.size(); ++i) {
        if (i > 0) entry += ",";
        const std::string text = addressText(pins[i]);
        entry += pins[i].family == AF_INET6 ? "[" + text + "]" : text;
    }
    return entry;
}

class Transfer {
public:
    Transfer(const HttpRequest& request, const Context& context) : m_request(request), m_context(context) {
        for (const std::string& pin : request.pinnedAddresses) {
            // A pin that is not plain numeric text is dropped.
            if (const auto address = parseAddress(pin)) m_pins.push_back(*address);
        }
        m_response.url = request.url;
    }

    HttpClient::Result run() {
        // Pins that are all unreadable leave no address to connect to; curl must not go and look
        // the name up instead.
        if (!m_request.pinnedAddresses.empty() && m_pins.empty()) {
            return Unexpected<HttpError>(HttpError::addressRefused(m_request.pinnedAddresses.front()));
        }
        const EasyHandle easy(curl_easy_init());
        if (!easy) return Unexpected<HttpError>(HttpError::transport(curl_easy_strerror(CURLE_OUT_OF_MEMORY)));
        StringList headers, pins;
        if (const CURLcode code = configure(easy.get(), headers, pins); code != CURLE_OK) {
            return Unexpected<HttpError>(HttpError::transport(curl_easy_strerror(code)));
        }
        MultiHandle multi;
        if (!multi.add(easy.get())) return Unexpected<HttpError>(HttpError::transport(curl_easy_strerror(CURLE_OUT_OF_MEMORY)));

        m_context.startWaking(multi.get());
        CURLcode code = CURLE_OK;
        for (int running = 1; running;) {
            if (m_context.stopping) {
                code = CURLE_ABORTED_BY_CALLBACK;
                break;
            }
            if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
                code = CURLE_OUT_OF_MEMORY;
                break;
            }
            if (running) curl_multi_poll(multi.get(), nullptr, 0, 1000, nullptr);
        }
        m_context.stopWaking(multi.get());
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
            if (message->msg == CURLMSG_DONE) code = message->data.result;
        }
        return finish(easy.get(), code);
    }

private:
    CURLcode configure(CURL* easy, StringList& headers, StringList& pins) {
        for (const HttpHeader& header : m_request.headers) {
            const auto hasLineBreak = [](const std::string& text) { return text.find_first_of("\r\n") != text.npos; };
            if (header.name.empty() || hasLineBreak(header.name) || hasLineBreak(header.value)) {
                return CURLE_BAD_FUNCTION_ARGUMENT;
            }
            // curl drops a header with an empty value unless it is written "Name;".
            const std::string line = header.value.empty() ? header.name + ";" : header.name + ": " + header.value;
            curl_slist* appended = curl_slist_append(headers.get(), line.c_str());
            if (!appended) return CURLE_OUT_OF_MEMORY;
            headers.release();
            headers.reset(appended);
        }
        // curl would announce the encodings it undoes; the request says what it asks for.
        const bool asksEncodings = std::ranges::any_of(m_request.headers, [](const HttpHeader& header) {
            return curl_strequal(header.name.c_str(), "Accept-Encoding");
        });
        if (!asksEncodings) {
            curl_slist* appended = curl_slist_append(headers.get(), "Accept-Encoding:");
            if (!appended) return CURLE_OUT_OF_MEMORY;
            headers.release();
            headers.reset(appended);
        }
        if (!m_request.pinnedAddresses.empty()) {
            if (const auto entry = pinEntry(m_request.url, m_pins)) {
                pins.reset(curl_slist_append(nullptr, entry->c_str()));
                if (!pins) return CURLE_OUT_OF_MEMORY;
            }
        }

        CURLcode code = CURLE_OK;
        const auto set = [&](CURLoption option, auto value) {
            if (code == CURLE_OK) code = curl_easy_setopt(easy, option, value);
        };
        set(CURLOPT_URL, m_request.url.c_str());
        set(CURLOPT_PROTOCOLS_STR, "http,https");
        set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        set(CURLOPT_FOLLOWLOCATION, 0L);
        set(CURLOPT_NOSIGNAL, 1L);
        // An empty proxy, and no host that would use one, so proxy variables in the environment
        // are ignored too.
        set(CURLOPT_PROXY, "");
        set(CURLOPT_NOPROXY, "*");
        set(CURLOPT_NETRC, long(CURL_NETRC_IGNORED));
        // Servers compress bodies nobody asked them to compress. gzip and deflate are undone as
        // they arrive, so the body and its size limit are in the bytes the server meant.
        set(CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
        set(CURLOPT_USERAGENT, m_context.options.userAgent.c_str());
        set(CURLOPT_HTTPHEADER, headers.get());
        if (pins) set(CURLOPT_RESOLVE, pins.get());
        set(CURLOPT_ERRORBUFFER, m_errorText);

        const long idleMilliseconds = long(std::max<std::int64_t>(1, m_request.idleTimeout.count()));
        set(CURLOPT_CONNECTTIMEOUT_MS, idleMilliseconds);
        set(CURLOPT_TIMEOUT_MS, long(std::max<std::int64_t>(1, m_request.totalTimeout.count())));
        // Stalls are measured in whole seconds by curl.
        set(CURLOPT_LOW_SPEED_LIMIT, 1L);
        set(CURLOPT_LOW_SPEED_TIME, (idleMilliseconds + 999) / 1000);

        if (m_request.method == "GET" && m_request.body.empty()) {
            set(CURLOPT_HTTPGET, 1L);
        } else if (m_request.method == "HEAD") {
            set(CURLOPT_NOBODY, 1L);
        } else {
            if (m_request.method == "POST" || !m_request.body.empty()) {
                set(CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(m_request.body.size()));
                set(CURLOPT_COPYPOSTFIELDS, m_request.body.c_str());
            }
            if (m_request.method != "POST") set(CURLOPT_CUSTOMREQUEST, m_request.method.c_str());
        }

        set(CURLOPT_WRITEFUNCTION, &Transfer::onBody);
        set(CURLOPT_WRITEDATA, this);
        set(CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
        set(CURLOPT_HEADERDATA, this);
        set(CURLOPT_OPENSOCKETFUNCTION, &Transfer::onOpenSocket);
        set(CURLOPT_OPENSOCKETDATA, this);
        set(CURLOPT_NOPROGRESS, 0L);
        set(CURLOPT_XFERINFOFUNCTION, &Transfer::onProgress);
        set(CURLOPT_XFERINFODATA, this);
        return code;
    }

    HttpClient::Result finish(CURL* easy, CURLcode code) {
        if (m_refused) return Unexpected<HttpError>(HttpError::addressRefused(*m_refused));
        if (code != CURLE_OK && !m_response.bodyCut) {
            trace([&] { return "http: " + m_request.url + ": " + (m_errorText[0] ? m_errorText : curl_easy_strerror(code)); });
            return Unexpected<HttpError>(HttpError::transport(curl_easy_strerror(code)));
        }
        long status = 0;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        m_response.status = int(status);
        return std::move(m_response);
    }

    // curl passes an item size that is always 1 and a count of bytes.
    static std::size_t onBody(char* data, std::size_t, std::size_t size, void* context) {
        Transfer& transfer = *static_cast<Transfer*>(context);
        HttpResponse& response = transfer.m_response;
        const auto& limit = transfer.m_request.maxBodyBytes;
        if (limit && size > *limit - response.body.size()) {
            response.body.append(data, *limit - response.body.size());
            response.bodyCut = true;
            return CURL_WRITEFUNC_ERROR;
        }
        response.body.append(data, size);
        return size;
    }

    static std::size_t onHeader(char* data, std::size_t, std::size_t size, void* context) {
        Transfer& transfer = *static_cast<Transfer*>(context);
        std::vector<HttpHeader>& headers = transfer.m_response.headers;
        std::string_view line(data, size);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
        const auto trimmed = [](std::string_view text) {
            const auto first = text.find_first_not_of(" \t");
            if (first == text.npos) return std::string_view();
            return text.substr(first, text.find_last_not_of(" \t") - first + 1);
        };
        if (line.starts_with("HTTP/")) {
            // A new status line: whatever came before belonged to an interim response.
            headers.clear();
        } else if (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            if (!headers.empty()) headers.back().value += " " + std::string(trimmed(line));
        } else if (const auto colon = line.find(':'); colon != line.npos) {
            headers.push_back({std::string(trimmed(line.substr(0, colon))), std::string(trimmed(line.substr(colon + 1)))});
        }
        return size;
    }

    // Every connection curl makes passes here before its socket exists, so no packet reaches an
    // address that the pins or the request's check refuse, whatever curl resolved or was told.
    static curl_socket_t onOpenSocket(void* context, curlsocktype purpose, curl_sockaddr* peer) {
        Transfer& transfer = *static_cast<Transfer*>(context);
        const auto address = purpose == CURLSOCKTYPE_IPCXN ? peerAddress(*peer) : std::nullopt;
        if (!address) return transfer.refuse("an unknown address");
        const std::string text = addressText(*address);
        if (!transfer.m_request.pinnedAddresses.empty() && std::ranges::find(transfer.m_pins, *address) == transfer.m_pins.end()) {
            return transfer.refuse(text);
        }
        if (!transfer.allowed(text)) return transfer.refuse(text);
        if (const auto& port = transfer.m_context.options.testRoutePort) {
            routeToLoopback(*peer, *port);
            const bool trusted = transfer.m_context.options.loopbackRoute == CurlHttpClient::LoopbackRoute::trustedForTests;
            if (!trusted && !transfer.allowed(loopbackText)) return transfer.refuse(std::string(loopbackText));
        }
        return socket(peer->family, peer->socktype | SOCK_CLOEXEC, peer->protocol);
    }

    static int onProgress(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        const Transfer& transfer = *static_cast<const Transfer*>(context);
        return transfer.m_context.stopping || transfer.m_refused ? 1 : 0;
    }

    bool allowed(std::string_view address) const {
        return !m_request.allowAddress || m_request.allowAddress(address);
    }

    curl_socket_t refuse(std::string address) {
        if (!m_refused) m_refused = std::move(address);
        return CURL_SOCKET_BAD;
    }

    const HttpRequest& m_request;
    const Context& m_context;
    std::vector<Address> m_pins;
    HttpResponse m_response;
    std::optional<std::string> m_refused;
    char m_errorText[CURL_ERROR_SIZE] = {};
};

}  // namespace

void initializeOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

HttpClient::Result run(const HttpRequest& request, const Context& context) {
    Transfer transfer(request, context);
    return transfer.run();
}

HttpError stoppedError() {
    return HttpError::transport(curl_easy_strerror(CURLE_ABORTED_BY_CALLBACK));
}

}  // namespace velk::CurlTransfer
