#include "service/ShareService.h"

#include "core/Graphemes.h"
#include "json/OrderedJSON.h"
#include "service/FeedbackFields.h"
#include "service/FormFields.h"
#include "service/PublishBody.h"
#include "service/Secrets.h"
#include "share/SharedLink.h"

#include <algorithm>
#include <cstdio>

namespace velk::share {
namespace {

using namespace std::string_view_literals;

constexpr std::string_view goneText = "No map is shared under this link; whoever shared it may have withdrawn it.";
constexpr std::string_view removedText = "This map was removed from the share service.";
constexpr std::string_view usedHandoffText =
    "This hand-off was already used or is older than ten minutes. Use Open in App in the browser again.";

ServiceResponse json(int status, std::string body) {
    return {status, {{"Content-Type", "application/json"}, {"Cache-Control", "no-store"}}, std::move(body)};
}

ServiceResponse error(int status, std::string_view text) {
    std::string body = "{\"error\":";
    OrderedJSON::encodeString(text, body);
    body += '}';
    return json(status, std::move(body));
}

ServiceResponse withdrawnAnswer() { return {204, {{"Cache-Control", "no-store"}}, {}}; }

ServiceResponse wrongMethod(std::string_view allowed) {
    ServiceResponse response = error(405, "This address does not take that method.");
    response.headers.emplace_back("Allow", std::string(allowed));
    return response;
}

std::string object(std::initializer_list<std::pair<std::string_view, std::string_view>> members) {
    std::vector<JSONMember> built;
    for (const auto& [key, value] : members) built.push_back({std::string(key), JSONValue::string(value)});
    return OrderedJSON::write(JSONValue::object(built), Pretty::no);
}

// The path of an http(s) base URL: what follows the authority, "/" at least.
std::string pathOf(std::string_view base) {
    const std::size_t scheme = base.find("://");
    const std::size_t slash = base.find('/', scheme == base.npos ? 0 : scheme + 3);
    std::string path = slash == base.npos ? "/" : std::string(base.substr(slash));
    if (!path.ends_with('/')) path += '/';
    return path;
}

// The bearer credential of an Authorization header, or empty.
std::string bearer(std::string_view header) {
    if (header.size() < 7 || !std::ranges::equal(header.substr(0, 7), "bearer "sv, {}, [](char c) { return char(std::tolower(c)); }))
        return {};
    header.remove_prefix(7);
    while (!header.empty() && header.front() == ' ') header.remove_prefix(1);
    while (!header.empty() && header.back() == ' ') header.remove_suffix(1);
    return std::string(header);
}

}  // namespace

ShareService::ShareService(ShareStore& store, ShareServiceOptions options, Clock clock, Log log)
    : m_store(store),
      m_options(std::move(options)),
      m_basePath(pathOf(m_options.base)),
      m_clock(std::move(clock)),
      m_log(log ? std::move(log) : Log([](std::string_view line) { std::fprintf(stderr, "velk-share: %.*s\n", int(line.size()), line.data()); })),
      m_writes(m_options.writesPerMinute, m_options.writeBurst) {}

std::int64_t ShareService::now() const {
    return std::chrono::duration_cast<std::chrono::seconds>(m_clock().time_since_epoch()).count();
}

ServiceResponse ShareService::handle(const ServiceRequest& request) {
    if (auto response = route(request)) return std::move(*response);
    return error(404, "There is nothing at this address.");
}

std::optional<ServiceResponse> ShareService::route(const ServiceRequest& request) {
    std::string_view path(request.target);
    path = path.substr(0, path.find_first_of("?#"));
    if (!path.starts_with(m_basePath)) return std::nullopt;
    path.remove_prefix(m_basePath.size());
    const std::string_view method = request.method;

    if (path == "healthz") return method == "GET" ? health() : wrongMethod("GET");
    if (path == "feedback/" && method == "POST") return storeFeedback(request);
    if (!path.starts_with("api/")) return std::nullopt;

    if (path == "api/share") return method == "POST" ? publish(request) : wrongMethod("POST");
    if (path.starts_with("api/share/")) {
        std::string_view rest = path.substr(10);
        if (rest.ends_with("/handoff")) {
            rest.remove_suffix(8);
            if (!SharedLink::isShareID(rest)) return error(404, goneText);
            return method == "POST" ? mintHandoff(request, std::string(rest)) : wrongMethod("POST");
        }
        if (!SharedLink::isShareID(rest)) return error(404, goneText);
        if (method == "GET") return fetch(std::string(rest));
        if (method == "DELETE") return withdraw(request, std::string(rest));
        return wrongMethod("GET, DELETE");
    }
    if (path.starts_with("api/handoff/")) {
        const std::string_view id = path.substr(12);
        if (!SharedLink::isHandoffID(id)) return error(404, usedHandoffText);
        // Opening one uses it up, which a link checker's or a proxy's HEAD must not do.
        return method == "GET" && !request.headOnly ? takeHandoff(std::string(id)) : wrongMethod("GET");
    }
    return error(404, "There is nothing at this address.");
}

std::optional<ServiceResponse> ShareService::refusedWrite(const ServiceRequest& request) {
    if (m_writes.admit(request.clientAddress, m_clock())) return std::nullopt;
    ServiceResponse response = error(429, "Too many requests from your address. Wait a minute and try again.");
    response.headers.emplace_back("Retry-After", "60");
    return response;
}

ServiceResponse ShareService::unavailable(const StoreError& failure) {
    m_log(failure.message);
    return error(503, "The share service cannot reach its database right now. Try again in a moment.");
}

ServiceResponse ShareService::publish(const ServiceRequest& request) {
    if (auto refused = refusedWrite(request)) return std::move(*refused);
    auto publication = PublishBody::check(request.body);
    if (!publication) return error(publication.error().status, publication.error().message);

    const std::string token = Secrets::token();
    NewShare share{{}, Secrets::digest(token), std::move(publication->name), std::move(publication->state),
                   std::move(publication->media), now()};
    // Ids are long enough that a clash is rare; a few fresh draws make one harmless.
    for (int attempt = 0; attempt < 8; ++attempt) {
        share.id = Secrets::id(SharedLink::shareIDLength);
        const auto stored = m_store.insertShare(share);
        if (!stored) return unavailable(stored.error());
        if (!*stored) continue;
        const std::string url = SharedLink::pageURL(share.id, m_options.base);
        ServiceResponse response = json(201, object({{"id", share.id}, {"token", token}, {"url", url}}));
        response.headers.emplace_back("Location", url);
        return response;
    }
    return unavailable(StoreError{"no unused share id after eight draws"});
}

ShareLookup ShareService::lookup(const std::string& id, WithMedia media) {
    auto found = m_store.share(id, media);
    ShareLookup lookup;
    if (!found) {
        m_log(found.error().message);
        lookup.standing = ShareLookup::Standing::unavailable;
    } else if (*found && (*found)->standing == StoredShare::Standing::removed) {
        lookup.standing = ShareLookup::Standing::removed;
        lookup.removedReason = std::move((*found)->removedReason);
    } else if (*found && (*found)->standing == StoredShare::Standing::live) {
        lookup = {ShareLookup::Standing::live, std::move((*found)->name), std::move((*found)->state), std::move((*found)->media), {}};
    }
    return lookup;
}

MediaLookup ShareService::mediaFile(const std::string& id, const std::string& path) {
    auto found = m_store.mediaFile(id, path);
    if (!found) {
        m_log(found.error().message);
        return {ShareLookup::Standing::unavailable, {}};
    }
    if (!*found || (*found)->standing == StoredShare::Standing::withdrawn) return {};
    if ((*found)->standing == StoredShare::Standing::removed) return {ShareLookup::Standing::removed, {}};
    return {ShareLookup::Standing::live, std::move((*found)->base64)};
}

ServiceResponse ShareService::fetch(const std::string& id) {
    ShareLookup found = lookup(id, WithMedia::yes);
    switch (found.standing) {
    case ShareLookup::Standing::live: return json(200, PublishBody::document(found.name, found.state, found.media));
    case ShareLookup::Standing::gone: return error(404, goneText);
    case ShareLookup::Standing::removed: return error(410, found.removedReason.empty() ? removedText : found.removedReason);
    case ShareLookup::Standing::unavailable: break;
    }
    return error(503, "The share service cannot reach its database right now. Try again in a moment.");
}

ServiceResponse ShareService::withdraw(const ServiceRequest& request, const std::string& id) {
    const auto found = m_store.share(id);
    if (!found) return unavailable(found.error());
    if (!*found) return error(404, goneText);
    const std::string token = bearer(request.header("authorization"));
    const bool tokenFits = !token.empty() && Secrets::sameDigest(Secrets::digest(token), (*found)->tokenHash);
    // Withdrawn already: with its token, the publisher whose first answer was lost hears that it
    // is done and may forget the share; anyone else learns nothing a fetch would not tell.
    if ((*found)->standing == StoredShare::Standing::withdrawn) return tokenFits ? withdrawnAnswer() : error(404, goneText);
    if (token.empty()) return error(403, "Withdrawing a share needs its withdrawal token.");
    if (!tokenFits) return error(403, "This withdrawal token does not belong to this share.");
    if ((*found)->standing == StoredShare::Standing::removed)
        return error(410, (*found)->removedReason.empty() ? removedText : (*found)->removedReason);
    const auto withdrawn = m_store.withdraw(id, now());
    if (!withdrawn) return unavailable(withdrawn.error());
    // A withdrawal that lost a race with another one (or with a removal) still leaves it gone.
    return withdrawnAnswer();
}

ServiceResponse ShareService::mintHandoff(const ServiceRequest& request, const std::string& id) {
    if (auto refused = refusedWrite(request)) return std::move(*refused);
    const ShareLookup found = lookup(id);
    if (found.standing == ShareLookup::Standing::gone) return error(404, goneText);
    if (found.standing == ShareLookup::Standing::removed) return error(410, found.removedReason.empty() ? removedText : found.removedReason);
    if (found.standing == ShareLookup::Standing::unavailable)
        return error(503, "The share service cannot reach its database right now. Try again in a moment.");
    const std::int64_t at = now();
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::string handoff = Secrets::id(SharedLink::handoffIDLength);
        const auto stored = m_store.insertHandoff(handoff, id, at, at - handoffLifetime.count());
        if (!stored) return unavailable(stored.error());
        if (*stored) return json(201, object({{"id", handoff}, {"link", "velk://h/" + handoff}}));
    }
    return unavailable(StoreError{"no unused hand-off id after eight draws"});
}

ServiceResponse ShareService::takeHandoff(const std::string& id) {
    const auto taken = m_store.takeHandoff(id);
    if (!taken) return unavailable(taken.error());
    if (!*taken || now() - (*taken)->createdAt > handoffLifetime.count()) return error(404, usedHandoffText);
    return fetch((*taken)->shareID);
}

ServiceResponse ShareService::storeFeedback(const ServiceRequest& request) {
    if (auto refused = refusedWrite(request)) return std::move(*refused);
    auto fields = FormFields::decode(request.body);
    if (!fields) return error(400, "The feedback form could not be read.");
    // The app's feedback link carries tester, client and version in the page's query; the form
    // may pass them on in either place.
    const std::string_view target(request.target);
    if (const std::size_t query = target.find('?'); query != target.npos) {
        if (auto more = FormFields::decode(target.substr(query + 1))) fields->insert(fields->end(), more->begin(), more->end());
    }
    const auto field = [&](std::string_view name) { return FormFields::first(*fields, name).value_or(""); };
    Feedback feedback{now(), field("tester"), field("client"), field("version"), field("message")};
    if (!feedback.tester.empty() && !FeedbackFields::isTesterID(feedback.tester)) return error(400, "The tester identifier is not one velk makes.");
    if (!FeedbackFields::isLabel(feedback.client, FeedbackFields::clientLimit)) return error(400, "The client name is not valid.");
    if (!FeedbackFields::isLabel(feedback.version, FeedbackFields::versionLimit)) return error(400, "The version is not valid.");
    if (!FeedbackFields::isPlainText(feedback.message, true)) return error(400, "The message must be plain text.");
    if (feedback.message.find_first_not_of(" \t\r\n") == std::string::npos) return error(400, "Write a message before sending.");
    if (feedback.message.size() > 65536 || Graphemes::boundaries(feedback.message).size() > 4001)
        return error(413, "The message is longer than 4000 characters.");
    if (auto stored = m_store.addFeedback(feedback); !stored) return unavailable(stored.error());
    return json(201, "{\"received\":true}");
}

ServiceResponse ShareService::health() {
    if (auto alive = m_store.ping(); !alive) {
        m_log(alive.error().message);
        return {503, {{"Content-Type", "text/plain"}, {"Cache-Control", "no-store"}}, "unavailable"};
    }
    return {200, {{"Content-Type", "text/plain"}, {"Cache-Control", "no-store"}}, "ok"};
}

}  // namespace velk::share
