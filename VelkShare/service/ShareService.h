#pragma once

// The share service's routes: publishing, fetching and withdrawing shares, hand-offs to the
// desktop app, feedback and a health check, as pure functions from a ServiceRequest to a
// ServiceResponse over a ShareStore. The HTTP adapter and the web pages sit around it.
//
// Every path is taken relative to the base URL's path, so a service at
// https://example.org/velk/ answers "/velk/api/share". Every refusal is JSON {"error": text}
// with a sentence a person can read. The clock and the log are passed in.
//
// Safe to call from several threads at once (the store and the rate limiter lock for
// themselves); the store must outlive the service.

#include "http/HttpExchange.h"
#include "service/RateLimiter.h"
#include "store/ShareStore.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velk::share {

struct ShareServiceOptions {
    std::string base = "http://127.0.0.1:8080/";  // ends in "/"
    // Writes (publish, hand-off, feedback) one client address may make: a steady rate and the
    // burst it may save up. 0 turns the limit off.
    double writesPerMinute = 20;
    double writeBurst = 10;
};

// How a share stands, for the pages that show it.
struct ShareLookup {
    enum class Standing { live, gone, removed, unavailable };
    Standing standing = Standing::gone;
    std::optional<std::string> name;  // live: the name's JSON text, if it has one
    std::string state;                // live: the state's JSON text
    std::vector<MediaFile> media;     // live, when asked for
    std::string removedReason;        // removed: the operator's words
};

// One image of a share: its Base64 text when the share is live and holds it.
struct MediaLookup {
    ShareLookup::Standing standing = ShareLookup::Standing::gone;
    std::optional<std::string> base64;
};

class ShareService {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;
    using Log = std::function<void(std::string_view)>;

    // A hand-off opens within this long after it was made.
    static constexpr std::chrono::seconds handoffLifetime{600};

    ShareService(ShareStore& store, ShareServiceOptions options, Clock clock = std::chrono::system_clock::now,
                 Log log = nullptr);

    // The answer to any request: one of the routes, or 404 for every other path.
    [[nodiscard]] ServiceResponse handle(const ServiceRequest& request);
    // The answer when the request's path is one of the service's own (everything under api/,
    // healthz, POST feedback/); absent for paths that belong to the web pages.
    [[nodiscard]] std::optional<ServiceResponse> route(const ServiceRequest& request);

    [[nodiscard]] ShareLookup lookup(const std::string& id, WithMedia media = WithMedia::no);
    [[nodiscard]] MediaLookup mediaFile(const std::string& id, const std::string& path);

    // The base URL's path, "/" or e.g. "/velk/".
    [[nodiscard]] const std::string& basePath() const noexcept { return m_basePath; }

private:
    ServiceResponse publish(const ServiceRequest& request);
    ServiceResponse fetch(const std::string& id);
    ServiceResponse withdraw(const ServiceRequest& request, const std::string& id);
    ServiceResponse mintHandoff(const ServiceRequest& request, const std::string& id);
    ServiceResponse takeHandoff(const std::string& id);
    ServiceResponse storeFeedback(const ServiceRequest& request);
    ServiceResponse health();
    std::optional<ServiceResponse> refusedWrite(const ServiceRequest& request);
    ServiceResponse unavailable(const StoreError& error);
    std::int64_t now() const;

    ShareStore& m_store;
    ShareServiceOptions m_options;
    std::string m_basePath;
    Clock m_clock;
    Log m_log;
    RateLimiter m_writes;
};

}  // namespace velk::share
