#include "preview/LinkPreviewFetcher.h"

#include "core/Overloaded.h"
#include "core/WhiteSpace.h"
#include "package/Media.h"
#include "platform/OwnAddresses.h"
#include "preview/LinkURL.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace velk {

namespace {

using LinkPreview::Failure;

constexpr std::string_view redirectRefused = "a redirect went somewhere that is not a public address";

// One URL that passed the policy, with the addresses its host was approved at (none for a
// numeric host, which is judged by itself).
struct Approved {
    std::string url;
    std::string host;
    std::vector<std::string> addresses;
};

Expected<Approved, Failure> approve(std::string_view link, const LinkPreview::Resolver& resolve) {
    auto url = LinkPreview::target(link);
    if (!url) return Unexpected<Failure>(url.error());
    Approved approved{*url, LinkPreview::urlHost(*url), {}};
    // The connection goes to exactly the answer that was checked: the host is not looked up a
    // second time, when it could name another address.
    const auto refused = LinkPreview::check(approved.host, [&](std::string_view host) {
        approved.addresses = resolve(host);
        return approved.addresses;
    });
    if (refused) return Unexpected<Failure>(*refused);
    for (std::string& address : approved.addresses) address = std::string(WhiteSpace::trimmed(address));
    return approved;
}

// What a request asks for: the page, or the page's image.
struct Shape {
    std::vector<HttpHeader> headers;
    std::size_t maxBodyBytes;
};

const Shape& pageShape() {
    static const Shape shape{{{"User-Agent", std::string(LinkPreview::userAgent)},
                              {"Accept", "text/html,application/xhtml+xml"},
                              {"Accept-Language", "en;q=0.9,*;q=0.5"}},
                             LinkPreview::maxHTMLBytes};
    return shape;
}

const Shape& imageShape() {
    static const Shape shape{{{"User-Agent", std::string(LinkPreview::userAgent)}, {"Accept", "image/*"}},
                             LinkPreview::maxImageBytes};
    return shape;
}

// The answer a request chain ended with, and the URL that gave it.
struct Landed {
    HttpResponse response;
    std::string url;
};
using LandedResult = Expected<Landed, Failure>;

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The check every connection's peer passes: a public address that is not this machine's own.
bool connectable(std::string_view address) {
    return LinkPreview::addressAllowed(address) && !OwnAddresses::holds(address);
}

Failure failureFor(const HttpError& error, const std::string& host) {
    return std::visit(Overloaded{
                          [](const HttpError::Transport& c) { return Failure::unreachable(c.message); },
                          [&](const HttpError::AddressRefused& c) {
                              // An address the policy calls public was refused for being this
                              // machine's own, whatever name led there.
                              if (LinkPreview::addressAllowed(c.address)) {
                                  return Failure::blocked(c.address + " is not a public address");
                              }
                              return Failure::blocked(host + " resolves to " + c.address + ", which is not a public address");
                          },
                      },
                      error.value());
}

// What one fetch carries from request to request.
struct FetchState {
    FetchState(HttpClient& client, LinkPreview::Resolver resolve, LinkPreviewFetcher::TimeOuts timeOuts,
               LinkPreviewFetcher::Completion completion)
        : client(client), resolve(std::move(resolve)), timeOuts(timeOuts), completion(std::move(completion)) {}

    HttpClient& client;
    const LinkPreview::Resolver resolve;
    const LinkPreviewFetcher::TimeOuts timeOuts;
    LinkPreviewFetcher::Completion completion;

    void complete(LinkPreviewFetcher::Result result) {
        // Each fetch is one chain of requests, so this runs once; moving the completion out
        // keeps a second call harmless all the same.
        auto done = std::move(completion);
        completion = nullptr;
        if (done) done(std::move(result));
    }
};

using State = std::shared_ptr<FetchState>;

using Clock = std::chrono::steady_clock;

// Requests `approved` and follows up to maxRedirects redirects, each approved afresh, all of
// them done by `deadline`: a chain of slow redirects must not get a fresh time-out at each hop.
void follow(const State& state, Approved approved, const Shape& shape, int redirects, Clock::time_point deadline,
            std::function<void(LandedResult)> done) {
    HttpRequest request;
    request.url = approved.url;
    request.headers = shape.headers;
    request.idleTimeout = state->timeOuts.idle;
    // A hop that starts with nothing left gets a millisecond, and so the client's own time-out.
    request.totalTimeout = std::max(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()),
                                    std::chrono::milliseconds(1));
    request.maxBodyBytes = shape.maxBodyBytes;
    request.pinnedAddresses = approved.addresses;
    request.allowAddress = connectable;
    state->client.perform(std::move(request), [state, approved = std::move(approved), &shape, redirects, deadline,
                                               done = std::move(done)](HttpClient::Result result) {
        if (!result) return done(Unexpected<Failure>(failureFor(result.error(), approved.host)));
        const auto location = result->header("Location");
        if (!isRedirect(result->status) || !location) return done(Landed{std::move(*result), approved.url});
        if (redirects >= LinkPreview::maxRedirects) return done(Unexpected<Failure>(Failure::blocked(std::string(redirectRefused))));
        const auto next = LinkPreview::resolveReference(approved.url, *location);
        auto nextApproved = approve(next.value_or(""), state->resolve);
        if (!next || !nextApproved) return done(Unexpected<Failure>(Failure::blocked(std::string(redirectRefused))));
        follow(state, std::move(*nextApproved), shape, redirects + 1, deadline, done);
    });
}

// The image of a finished image request, when it is one the media store keeps.
std::optional<FetchedImage> imageFrom(LandedResult landed) {
    if (!landed) return std::nullopt;
    HttpResponse& response = landed->response;
    if (response.status < 200 || response.status > 299 || response.bodyCut || response.body.empty()) return std::nullopt;
    std::string type = Media::bareType(response.header("Content-Type").value_or(""));
    if (!Media::extensionForType(type)) return std::nullopt;
    return FetchedImage{std::move(response.body), std::move(type)};
}

void fetchImage(const State& state, LinkPreview::Meta meta) {
    // A refused or failed image costs the preview its picture, never the preview itself.
    auto approved = approve(meta.imageURL, state->resolve);
    if (!approved) return state->complete(FetchedPreview{std::move(meta), std::nullopt});
    // The image has a time budget of its own, as long as the page's.
    const auto deadline = Clock::now() + state->timeOuts.total;
    follow(state, std::move(*approved), imageShape(), 0, deadline, [state, meta = std::move(meta)](LandedResult landed) mutable {
        state->complete(FetchedPreview{std::move(meta), imageFrom(std::move(landed))});
    });
}

void handlePage(const State& state, LandedResult landed) {
    if (!landed) return state->complete(Unexpected<Failure>(landed.error()));
    const HttpResponse& response = landed->response;
    if (response.status < 200 || response.status > 299) {
        return state->complete(Unexpected<Failure>(Failure::unreachable("http " + std::to_string(response.status))));
    }
    const std::string type = Media::bareType(response.header("Content-Type").value_or(""));
    if (!type.empty() && type != "text/html" && type != "application/xhtml+xml") {
        return state->complete(Unexpected<Failure>(Failure::notHTML(type)));
    }
    if (response.bodyCut) return state->complete(Unexpected<Failure>(Failure::tooBig()));

    LinkPreview::Meta meta = LinkPreview::parseMeta(response.body);
    const std::string& base = landed->url;
    if (!meta.imageURL.empty()) meta.imageURL = LinkPreview::resolveReference(base, meta.imageURL).value_or("");
    if (meta.siteName.empty()) meta.siteName = LinkPreview::urlHost(base);
    if (meta.imageURL.empty()) return state->complete(FetchedPreview{std::move(meta), std::nullopt});
    fetchImage(state, std::move(meta));
}

}  // namespace

// What the lookups a fetcher started share with it: once the fetcher is gone, a lookup that
// ends hands nothing on, so nothing of it touches the client or the caller any more.
struct LinkPreviewFetcher::Lookups {
    std::mutex mutex;
    bool abandoned = false;
};

void LinkPreviewFetcher::onThreadOfItsOwn(std::function<void()> job) {
    try {
        std::thread(job).detach();
    } catch (const std::system_error&) {
        // No thread to be had: a slow answer beats none.
        job();
    }
}

LinkPreviewFetcher::LinkPreviewFetcher(HttpClient& client, LinkPreview::Resolver resolve)
    : LinkPreviewFetcher(client, std::move(resolve), TimeOuts()) {}

LinkPreviewFetcher::LinkPreviewFetcher(HttpClient& client, LinkPreview::Resolver resolve, TimeOuts timeOuts, Launch launch)
    : m_client(client), m_timeOuts(timeOuts), m_launch(std::move(launch)), m_lookups(std::make_shared<Lookups>()),
      m_resolve(std::move(resolve)) {}

// Waits only for a lookup that is handing its fetch on right now, never for one still resolving.
LinkPreviewFetcher::~LinkPreviewFetcher() {
    std::lock_guard lock(m_lookups->mutex);
    m_lookups->abandoned = true;
}

void LinkPreviewFetcher::setResolve(LinkPreview::Resolver resolve) {
    std::lock_guard lock(m_mutex);
    m_resolve = std::move(resolve);
}

void LinkPreviewFetcher::fetch(std::string_view link, Completion completion) {
    LinkPreview::Resolver resolve;
    {
        std::lock_guard lock(m_mutex);
        resolve = m_resolve;
    }
    auto state = std::make_shared<FetchState>(m_client, std::move(resolve), m_timeOuts, std::move(completion));
    m_launch([state, link = std::string(link), lookups = m_lookups] {
        auto approved = approve(link, state->resolve);
        std::lock_guard lock(lookups->mutex);
        if (lookups->abandoned) return;
        if (!approved) {
            state->complete(Unexpected<Failure>(approved.error()));
        } else {
            const auto deadline = Clock::now() + state->timeOuts.total;
            follow(state, std::move(*approved), pageShape(), 0, deadline,
                   [state](LandedResult landed) { handlePage(state, std::move(landed)); });
        }
    });
}

}  // namespace velk
