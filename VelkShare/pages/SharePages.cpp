#include "pages/SharePages.h"

#include "PageAssets.h"
#include "core/Base64.h"
#include "core/Graphemes.h"
#include "core/WhiteSpace.h"
#include "json/OrderedJSON.h"
#include "package/Media.h"
#include "pages/Html.h"
#include "pages/PagePath.h"
#include "service/FeedbackFields.h"
#include "service/FormFields.h"
#include "share/SharedLink.h"

#include <algorithm>
#include <variant>

namespace velk::share {
namespace {

using namespace std::string_view_literals;
using Fields = std::vector<std::pair<std::string, std::string>>;

constexpr std::string_view messageLimit = "4000";

// The policy of the pages that are only text: their style sheet and nothing else.
std::string textPolicy(bool postsForm) {
    std::string policy = "default-src 'none'; style-src '";
    policy += PageAssets::pageStyleDigest;
    policy += "'; base-uri 'none'; form-action ";
    policy += postsForm ? "'self'" : "'none'";
    policy += "; frame-ancestors 'none'";
    return policy;
}

// The viewer runs its one script, reads images from the share and asks for a hand-off.
std::string viewerPolicy() {
    std::string policy = "default-src 'none'; script-src '";
    policy += PageAssets::viewerScriptDigest;
    policy += "'; style-src '";
    policy += PageAssets::viewerStyleDigest;
    policy += "'; img-src 'self'; connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";
    return policy;
}

void secure(ServiceResponse& response, std::string policy, std::string_view cache) {
    auto& h = response.headers;
    h.emplace_back("Content-Security-Policy", std::move(policy));
    h.emplace_back("X-Content-Type-Options", "nosniff");
    h.emplace_back("Referrer-Policy", "no-referrer");
    h.emplace_back("X-Frame-Options", "DENY");
    h.emplace_back("Cross-Origin-Opener-Policy", "same-origin");
    h.emplace_back("Cross-Origin-Resource-Policy", "same-origin");
    h.emplace_back("Permissions-Policy", "camera=(), microphone=(), geolocation=(), payment=(), usb=()");
    h.emplace_back("Cache-Control", std::string(cache));
}

ServiceResponse html(int status, std::string body, std::string policy, std::string_view cache = "no-store") {
    ServiceResponse response{status, {{"Content-Type", "text/html; charset=utf-8"}}, std::move(body)};
    secure(response, std::move(policy), cache);
    return response;
}

ServiceResponse text(int status, std::string_view body) {
    ServiceResponse response{status, {{"Content-Type", "text/plain; charset=utf-8"}}, std::string(body)};
    secure(response, "default-src 'none'; frame-ancestors 'none'", "no-store");
    return response;
}

// A page of the service around `content` (HTML already escaped); `title` is text.
std::string document(std::string_view title, std::string_view content) {
    std::string page = "<!doctype html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<meta name=\"color-scheme\" content=\"light dark\">\n<title>";
    page += Html::escape(title);
    page += " — velk</title>\n<style>";
    page += PageAssets::pageStyle;
    page += "</style>\n</head>\n<body>\n<header class=\"bar\"><span class=\"brand\">velk</span></header>\n<main>\n<div class=\"panel\">\n";
    page += content;
    page += "\n</div>\n</main>\n</body>\n</html>\n";
    return page;
}

ServiceResponse message(int status, std::string_view title, std::string_view sentence, std::string_view more = {}) {
    std::string content = "<h1>" + Html::escape(title) + "</h1>\n<p>" + Html::escape(sentence) + "</p>";
    content += more;
    return html(status, document(title, content), textPolicy(false));
}

// What velk names a shared map: the published name tidied as the app tidies it when it opens
// the share (control characters as spaces, trimmed, at most 120 characters), or the default.
std::string shownName(const std::optional<std::string>& nameJSON) {
    if (!nameJSON) return std::string(SharedLink::defaultName);
    const auto parsed = OrderedJSON::parse(*nameJSON);
    const auto name = parsed ? parsed->stringValue() : std::nullopt;
    if (!name) return std::string(SharedLink::defaultName);
    std::string spaced(*name);
    for (char& c : spaced)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    std::string_view trimmed = WhiteSpace::trimmedWithLineBreaks(spaced);
    if (trimmed.empty()) return std::string(SharedLink::defaultName);
    const auto bounds = Graphemes::boundaries(trimmed);
    if (bounds.size() > SharedLink::nameLimit + 1) trimmed = trimmed.substr(0, bounds[SharedLink::nameLimit]);
    return std::string(trimmed);
}

std::string filled(std::string_view page, std::initializer_list<std::pair<std::string_view, std::string_view>> values) {
    std::string out(page);
    for (const auto& [marker, value] : values) {
        const std::size_t at = out.find(marker);
        if (at != out.npos) out.replace(at, marker.size(), value);
    }
    return out;
}

// What the feedback form carries along from velk's link, checked as the service checks it: a
// value the service would refuse is dropped, so a message is never refused for it.
struct Sender {
    std::string tester, client, version;
};

Sender senderOf(const Fields& fields) {
    const auto field = [&](std::string_view name) { return FormFields::first(fields, name).value_or(""); };
    Sender sender{field("tester"), field("client"), field("version")};
    if (!FeedbackFields::isTesterID(sender.tester)) sender.tester.clear();
    if (!FeedbackFields::isLabel(sender.client, FeedbackFields::clientLimit)) sender.client.clear();
    if (!FeedbackFields::isLabel(sender.version, FeedbackFields::versionLimit)) sender.version.clear();
    return sender;
}

std::string senderQuery(const Sender& sender) {
    std::string query;
    for (const auto& [name, value] : {std::pair{"tester"sv, &sender.tester}, {"client"sv, &sender.client}, {"version"sv, &sender.version}}) {
        if (value->empty()) continue;
        if (!query.empty()) query += '&';
        (query += name) += '=';
        query += PagePath::queryEncoded(*value);
    }
    return query;
}

std::string feedbackPage(std::string_view action, const Sender& sender, std::string_view typed, std::string_view error) {
    std::string content = "<h1>Send feedback</h1>\n<p>What works, what does not, what you would like velk to do: it all helps. "
                          "Your message goes to velk's developers, with no name or address attached.</p>\n";
    if (!error.empty()) content += "<p class=\"error\" role=\"alert\">" + Html::escape(error) + "</p>\n";
    content += "<form method=\"post\" action=\"" + Html::escape(action) + "\">\n";
    for (const auto& [name, value] : {std::pair{"tester"sv, &sender.tester}, {"client"sv, &sender.client}, {"version"sv, &sender.version}}) {
        if (!value->empty()) content += "<input type=\"hidden\" name=\"" + std::string(name) + "\" value=\"" + Html::escape(*value) + "\">\n";
    }
    // The parser drops one line feed right after <textarea>, so a message that starts with one
    // keeps it only behind this one.
    content += "<label for=\"message\">Your message</label>\n<textarea id=\"message\" name=\"message\" maxlength=\"";
    content += messageLimit;
    content += "\" required autofocus>\n" + Html::escape(typed) + "</textarea>\n<div class=\"row\"><span class=\"muted\">";
    if (!sender.version.empty() || !sender.client.empty()) {
        content += "Sent with velk " + Html::escape(sender.version.empty() ? "(version unknown)" : sender.version);
        if (!sender.client.empty()) content += " on " + Html::escape(sender.client);
        if (!sender.tester.empty()) content += " and an anonymous tester number";
        content += '.';
    } else {
        content += "Up to 4000 characters.";
    }
    content += "</span><span class=\"spacer\"></span><button type=\"submit\">Send</button></div>\n</form>";
    return content;
}

// A browser posting the feedback form, rather than a program that wants the service's JSON.
bool isBrowserForm(const ServiceRequest& request) {
    std::string type = request.header("content-type");
    std::ranges::transform(type, type.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return type.starts_with("application/x-www-form-urlencoded") && request.header("accept").find("text/html") != std::string::npos;
}

}  // namespace

SharePages::SharePages(ShareService& service) : m_service(service) {}

std::string SharePages::address(std::string_view relative) const {
    return m_service.basePath() + std::string(relative);
}

ServiceResponse SharePages::answer(const ServiceRequest& request) {
    if (request.method == "POST" && isBrowserForm(request) &&
        std::holds_alternative<PagePath::Feedback>(PagePath::parse(request.target, m_service.basePath())))
        return feedbackPosted(request);
    if (auto routed = m_service.route(request)) return std::move(*routed);
    ServiceResponse response = page(request);
    if (request.method == "HEAD") response.body.clear();
    return response;
}

ServiceResponse SharePages::page(const ServiceRequest& request) {
    if (request.method != "GET" && request.method != "HEAD") {
        ServiceResponse response = message(405, "Not here", "This address only shows a page; it takes nothing sent to it.");
        response.headers.emplace_back("Allow", "GET, HEAD");
        return response;
    }
    const PagePath::Page asked = PagePath::parse(request.target, m_service.basePath());
    if (const auto* v = std::get_if<PagePath::Viewer>(&asked)) return viewer(v->id);
    if (const auto* m = std::get_if<PagePath::Media>(&asked)) return media(m->id, m->path);
    if (std::holds_alternative<PagePath::Feedback>(asked)) return feedbackForm(request);
    if (std::holds_alternative<PagePath::Shortcuts>(asked)) return shortcuts();
    if (const auto* r = std::get_if<PagePath::Redirect>(&asked)) {
        ServiceResponse response = text(308, "");
        response.headers.emplace_back("Location", address(r->to));
        return response;
    }
    return message(404, "Nothing here", "There is no page at this address.");
}

ServiceResponse SharePages::viewer(const std::string& id) {
    const auto gone = [&] {
        return message(404, "This map is no longer shared",
                       "Whoever shared it has stopped sharing it, or the link is not complete.");
    };
    if (!SharedLink::isShareID(id)) return gone();
    ShareLookup found = m_service.lookup(id);
    const auto unavailable = [&] {
        ServiceResponse response = message(503, "This map cannot be shown right now",
                                           "The share service cannot reach its database. Try again in a moment.");
        response.headers.emplace_back("Retry-After", "30");
        return response;
    };
    switch (found.standing) {
    case ShareLookup::Standing::gone: return gone();
    case ShareLookup::Standing::unavailable: return unavailable();
    case ShareLookup::Standing::removed: {
        const std::string reason = found.removedReason.empty() ? "" : "\n<p>The reason given:</p>\n<blockquote>" + Html::escape(found.removedReason) + "</blockquote>";
        return message(410, "This map was removed", "The share service removed this map, so it can no longer be viewed or opened.",
                       found.removedReason.empty() ? "\n<p class=\"muted\">No reason was given.</p>" : reason);
    }
    case ShareLookup::Standing::live: break;
    }

    const auto state = OrderedJSON::parse(found.state);
    if (!state) return unavailable();
    const std::string name = shownName(found.name);
    std::string share = "{\"name\":";
    OrderedJSON::encodeString(name, share);
    share += ",\"media\":";
    OrderedJSON::encodeString(address("s/" + id + "/media/"), share);
    share += ",\"handoff\":";
    OrderedJSON::encodeString(address("api/share/" + id + "/handoff"), share);
    share += ",\"state\":";
    OrderedJSON::encode(*state, share, 0, Pretty::no, Numbers::asJSON);
    share += '}';

    const std::string escapedName = Html::escape(name);
    const std::string title = escapedName + " — velk";
    const std::string data = Html::scriptJSON(share);
    return html(200, filled(PageAssets::viewer, {{"<!--velk:title-->", title}, {"<!--velk:name-->", escapedName}, {"<!--velk:share-->", data}}),
                viewerPolicy());
}

ServiceResponse SharePages::media(const std::string& id, const std::string& path) {
    if (!SharedLink::isShareID(id)) return text(404, "No such image.");
    const MediaLookup found = m_service.mediaFile(id, path);
    if (found.standing == ShareLookup::Standing::unavailable) return text(503, "The share service cannot reach its database right now.");
    if (found.standing == ShareLookup::Standing::removed) return text(410, "This map was removed.");
    auto bytes = found.base64 ? Base64::decode(*found.base64) : std::nullopt;
    const auto type = velk::Media::mimeType(path);
    if (!bytes || !type) return text(404, "No such image.");
    ServiceResponse response{200, {{"Content-Type", std::string(*type)}}, std::move(*bytes)};
    // An SVG opened on its own is a document: it gets no script and no origin of its own.
    secure(response, "default-src 'none'; style-src 'unsafe-inline'; sandbox", "private, max-age=300");
    return response;
}

ServiceResponse SharePages::feedbackForm(const ServiceRequest& request) {
    const Fields fields = FormFields::decode(PagePath::query(request.target)).value_or(Fields{});
    const Sender sender = senderOf(fields);
    if (FormFields::first(fields, "sent")) {
        const std::string query = senderQuery(sender);
        const std::string again = address("feedback/") + (query.empty() ? "" : "?" + query);
        return message(200, "Thank you", "Your feedback reached velk's developers.",
                       "\n<p><a href=\"" + Html::escape(again) + "\">Send more feedback</a></p>");
    }
    const std::string typed = FormFields::first(fields, "message").value_or("");
    return html(200, document("Send feedback", feedbackPage(address("feedback/"), sender, typed, {})), textPolicy(true));
}

// A browser's form post: the service stores it; the browser is sent on to the thank-you page,
// so reloading that page sends nothing twice, or is shown the form again with the reason.
ServiceResponse SharePages::feedbackPosted(const ServiceRequest& request) {
    ServiceResponse stored = m_service.handle(request);
    const Fields fields = FormFields::decode(request.body).value_or(Fields{});
    const Sender sender = senderOf(fields);
    if (stored.status >= 200 && stored.status < 300) {
        ServiceResponse response = text(303, "");
        const std::string query = senderQuery(sender);
        response.headers.emplace_back("Location", address("feedback/?sent=1") + (query.empty() ? "" : "&" + query));
        return response;
    }
    const auto answer = OrderedJSON::parse(stored.body);
    const auto said = answer ? (*answer)["error"] : std::nullopt;
    const auto reason = said ? said->stringValue() : std::nullopt;
    const std::string error = reason ? std::string(*reason) : "The feedback could not be sent (the service answered " + std::to_string(stored.status) + ").";
    const std::string typed = FormFields::first(fields, "message").value_or("");
    ServiceResponse response = html(stored.status, document("Send feedback", feedbackPage(address("feedback/"), sender, typed, error)),
                                    textPolicy(true));
    for (const auto& [name, value] : stored.headers)
        if (name == "Retry-After") response.headers.emplace_back(name, value);
    return response;
}

ServiceResponse SharePages::shortcuts() {
    std::string content = "<h1>Keyboard shortcuts</h1>\n<p class=\"muted\">In velk's map editor. Drag empty space to pan, Shift+drag to select, "
                          "Ctrl+wheel or pinch to zoom.</p>\n<table>\n<thead><tr><th scope=\"col\">Command</th><th scope=\"col\">Keys</th></tr></thead>\n<tbody>\n";
    for (const auto& row : PageAssets::shortcuts)
        content += "<tr><td>" + Html::escape(row.label) + "</td><td><kbd>" + Html::escape(row.keys) + "</kbd></td></tr>\n";
    content += "</tbody>\n</table>";
    return html(200, document("Keyboard shortcuts", content), textPolicy(false), "public, max-age=3600");
}

}  // namespace velk::share
