#pragma once

// One HttpRequest carried out with libcurl on the calling thread: CurlHttpClient's worker body.
// Internal to the platform layer.

#include "platform/CurlHttpClient.h"

#include <curl/curl.h>

#include <atomic>
#include <functional>

namespace velk::CurlTransfer {

// What a transfer needs from its client besides the request.
struct Context {
    const CurlHttpClient::Options& options;
    // Set when the client is being destroyed; the transfer then ends as soon as it notices.
    const std::atomic<bool>& stopping;
    // Called with the transfer's multi handle once it may be woken up, and again before that
    // handle goes away; the client wakes the handles in between when it starts stopping.
    std::function<void(CURLM*)> startWaking;
    std::function<void(CURLM*)> stopWaking;
};

// Sets libcurl up for the process; safe to call any number of times from any thread.
void initializeOnce();

[[nodiscard]] HttpClient::Result run(const HttpRequest& request, const Context& context);

// The result of a request that was never started because its client is stopping.
[[nodiscard]] HttpError stoppedError();

}  // namespace velk::CurlTransfer
