#pragma once

// LinkPreviewFetcher answers the editor's preview requests: it downloads the page a pasted link
// names, reads its metadata and downloads the page's image, all under the link policy. Every
// URL it requests, the link itself, each redirect and the image, passes target() and check()
// first, and each request is pinned to the addresses that check approved, with a peer check
// that refuses any connection to a non-public address, or to an address of this machine itself
// (OwnAddresses), however the host came to point there.
// Pages and images are cut off as soon as they pass their size limits.
//
// The fetcher holds its HttpClient by reference; the client must outlive the fetcher and every
// fetch it started (destroying the client first ends them: each still completes). The pasted
// link's host is looked up off the caller's thread, each on a thread of its own. A lookup still
// running when the fetcher is destroyed is dropped: it never completes nor reaches the client,
// so quitting does not wait out a resolver that does not answer. Safe from any thread, but the
// fetcher must not be destroyed from one of its completions; fetches are independent and any
// number may run at once.

#include "core/Expected.h"
#include "platform/HttpClient.h"
#include "preview/AddressPolicy.h"
#include "preview/LinkPreviewFailure.h"
#include "preview/PageMetadata.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace velk {

namespace LinkPreview {

// An image larger than this is not kept; its transfer ends as soon as it passes it.
inline constexpr std::size_t maxImageBytes = 8388608;
// Connecting, or waiting for the next byte, longer than this ends a request.
inline constexpr std::chrono::milliseconds timeout{8000};
// Fetching the page, every redirect included, taking longer than this ends it; fetching its
// image has a budget of its own, as long.
inline constexpr std::chrono::milliseconds resourceTimeout{16000};
// Redirects followed per request; the one after is refused.
inline constexpr int maxRedirects = 5;
inline constexpr std::string_view userAgent = "velk-link-preview/1 (+https://jsoncanvas.org)";

}  // namespace LinkPreview

struct FetchedImage {
    std::string data;
    // The bare media type, one of those the media store keeps ("image/png").
    std::string type;
    bool operator==(const FetchedImage&) const = default;
};

struct FetchedPreview {
    // With imageURL absolute (or empty) and siteName defaulted to the page's host.
    LinkPreview::Meta meta;
    // Absent when the page names no image or its image could not be had.
    std::optional<FetchedImage> image;
    bool operator==(const FetchedPreview&) const = default;
};

class LinkPreviewFetcher {
public:
    using Result = Expected<FetchedPreview, LinkPreview::Failure>;
    using Completion = std::function<void(Result)>;

    struct TimeOuts {
        std::chrono::milliseconds idle = LinkPreview::timeout;
        std::chrono::milliseconds total = LinkPreview::resourceTimeout;
    };

    // Runs `job` away from the calling thread (or, for tests that want one thread, right away).
    using Launch = std::function<void(std::function<void()> job)>;
    static void onThreadOfItsOwn(std::function<void()> job);

    explicit LinkPreviewFetcher(HttpClient& client, LinkPreview::Resolver resolve = LinkPreview::systemResolve);
    LinkPreviewFetcher(HttpClient& client, LinkPreview::Resolver resolve, TimeOuts timeOuts, Launch launch = onThreadOfItsOwn);
    ~LinkPreviewFetcher();
    LinkPreviewFetcher(const LinkPreviewFetcher&) = delete;
    LinkPreviewFetcher& operator=(const LinkPreviewFetcher&) = delete;

    // The resolver for fetches started from now on; those already running keep theirs.
    void setResolve(LinkPreview::Resolver resolve);

    // Fetches the preview of `link` and returns at once: a name that takes the resolver seconds
    // must not hold up the caller. The completion is called exactly once, on the thread the
    // host was checked on when the link or its host is refused, otherwise on one of the
    // client's threads.
    void fetch(std::string_view link, Completion completion);

private:
    struct Lookups;

    HttpClient& m_client;
    TimeOuts m_timeOuts;
    Launch m_launch;
    std::shared_ptr<Lookups> m_lookups;
    std::mutex m_mutex;
    LinkPreview::Resolver m_resolve;
};

}  // namespace velk
