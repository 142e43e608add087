#include "bridge/EditorWebHost.h"

#include "bridge/BridgeScript.h"
#include "bridge/EditorNavigation.h"
#include "bridge/PayloadMembers.h"
#include "core/Base64.h"
#include "json/OrderedJSON.h"

namespace velk {

namespace {

const std::string documentGone = "document is gone";

}  // namespace

std::shared_ptr<EditorWebHost> EditorWebHost::make(SharedBytes bundleHTML, std::weak_ptr<EditorDocumentHost> document,
                                                   Services services) {
    return std::make_shared<EditorWebHost>(Key{}, std::move(bundleHTML), std::move(document), std::move(services));
}

EditorWebHost::EditorWebHost(Key, SharedBytes bundleHTML, std::weak_ptr<EditorDocumentHost> document,
                             Services services)
    : m_bundleHTML(std::move(bundleHTML)), m_document(std::move(document)), m_services(std::move(services)) {}

void EditorWebHost::loadEditor() {
    ++m_page;
    m_services.webView.load(indexURL, loadTimeout);
}

void EditorWebHost::setDocumentName(std::string_view name) {
    m_services.webView.evaluateScript(BridgeScript::setName(name));
}

void EditorWebHost::notifyChanged(std::int64_t revision, std::string_view origin) {
    m_services.webView.evaluateScript(BridgeScript::changed(revision, origin));
}

void EditorWebHost::receive(const WebMessage& message) {
    // Only the editor page itself may ask anything of velk: not a frame inside it, not a page
    // the view was somehow made to show.
    if (!message.isMainFrame || message.originScheme != scheme) return;
    if (message.handler == EditorPageContract::logHandler) {
        m_services.trace([&] { return "page: " + message.body; });
        return;
    }
    if (message.handler != messageName || message.bodyKind != WebMessage::BodyKind::text) return;

    auto request = BridgeRequest::decode(message.body);
    if (request) {
        handle(*request);
    } else if (request.error().id) {
        reply(*request.error().id, BridgeReply::error(request.error().message));
    }
    // A request whose id could not be read cannot be answered.
}

void EditorWebHost::reply(std::int64_t id, const BridgeReply& answer) {
    m_services.trace([&] {
        const auto* error = std::get_if<BridgeReply::Error>(&answer.outcome());
        return "bridge: reply #" + std::to_string(id) + (error ? " ERROR " + error->message : std::string(" ok"));
    });
    m_services.webView.evaluateScript(BridgeScript::reply(id, answer.value()));
}

void EditorWebHost::handle(const BridgeRequest& request) {
    m_services.trace([&] {
        return "bridge: request #" + std::to_string(request.id) + " " + std::string(wireName(request.op));
    });
    const std::shared_ptr<EditorDocumentHost> document = m_document.lock();
    if (!document) {
        reply(request.id, BridgeReply::error(documentGone));
        return;
    }
    const std::int64_t id = request.id;
    const auto& payload = request.payload;
    const auto answerDone = [&](const Expected<void, EditorDocumentError>& done) {
        reply(id, done ? BridgeReply::ok(JSONValue::null()) : BridgeReply::error(done.error().description()));
    };

    switch (request.op) {
    case BridgeOp::load:
    case BridgeOp::refresh:
        answerLoad(id, *document);
        return;
    case BridgeOp::save:
        answerSave(id, payload, *document);
        return;
    case BridgeOp::media:
        answerMedia(id, payload, *document);
        return;
    case BridgeOp::home:
        // The page hears back before the start window takes the focus.
        reply(id, BridgeReply::ok(JSONValue::null()));
        document->editorGoHome();
        return;
    case BridgeOp::rename: {
        const auto name = PayloadMembers::string(payload, "name");
        if (!name) {
            reply(id, BridgeReply::error("rename needs a `name`"));
            return;
        }
        answerDone(document->editorRename(*name));
        return;
    }
    case BridgeOp::saveAs:
        answerDone(document->editorSaveAs());
        return;
    case BridgeOp::exportMap: {
        const auto selection = PayloadMembers::member(payload, "selection");
        answerDone(document->editorExport(selection && selection->boolValue() == true));
        return;
    }
    case BridgeOp::feedback: {
        reply(id, BridgeReply::ok(JSONValue::null()));
        const auto message = PayloadMembers::string(payload, "message");
        openExternally(m_services.feedbackURL(message ? std::optional<std::string_view>(*message) : std::nullopt));
        return;
    }
    case BridgeOp::share:
        startShare(id, payload, *document);
        return;
    case BridgeOp::unshare:
        startUnshare(id, payload);
        return;
    case BridgeOp::preview:
        startPreview(id, payload);
        return;
    }
}

void EditorWebHost::answerLoad(std::int64_t id, EditorDocumentHost& document) {
    const auto state = document.editorLoad();
    if (!state) {
        reply(id, BridgeReply::error(state.error().description()));
        return;
    }
    reply(id, BridgeReply::ok(*state));
    // After the reply, so the page shows the name over the state it has just taken in.
    if (const auto name = document.editorDocumentName()) setDocumentName(*name);
}

void EditorWebHost::answerSave(std::int64_t id, const std::optional<JSONValue>& payload, EditorDocumentHost& document) {
    const auto text = PayloadMembers::string(payload, "body");
    if (!text) {
        reply(id, BridgeReply::error("save needs a string `body`"));
        return;
    }
    const auto body = OrderedJSON::parse(*text);
    if (!body) {
        reply(id, BridgeReply::error(body.error().description()));
        return;
    }
    if (!body->isObject()) {
        reply(id, BridgeReply::error("save body is not a JSON object"));
        return;
    }
    const auto revision = document.editorSave(*body);
    if (!revision) {
        reply(id, BridgeReply::error(revision.error().description()));
        return;
    }
    reply(id, BridgeReply::ok(JSONValue::object({{"revision", JSONValue::number(*revision)}})));
}

void EditorWebHost::answerMedia(std::int64_t id, const std::optional<JSONValue>& payload, EditorDocumentHost& document) {
    const auto type = PayloadMembers::string(payload, "type");
    const auto data = PayloadMembers::string(payload, "data");
    const auto bytes = data ? Base64::decode(*data) : std::nullopt;
    if (!type || !bytes) {
        reply(id, BridgeReply::error("media needs {type, data: base64}"));
        return;
    }
    const auto path = document.editorStoreMedia(*bytes, *type);
    if (!path) {
        reply(id, BridgeReply::error(path.error().description()));
        return;
    }
    reply(id, BridgeReply::ok(JSONValue::object({{"src", JSONValue::string(*path)}})));
}

NavigationPolicy EditorWebHost::decideNavigation(std::optional<std::string_view> url) {
    switch (EditorNavigation::decide(url)) {
    case EditorNavigation::Action::allow:
        return NavigationPolicy::allow;
    case EditorNavigation::Action::cancel:
        return NavigationPolicy::cancel;
    case EditorNavigation::Action::refuse:
        m_services.trace([&] { return "web: refused navigation to " + std::string(*url); });
        return NavigationPolicy::cancel;
    case EditorNavigation::Action::openExternally:
        openExternally(*url);
        return NavigationPolicy::cancel;
    }
    return NavigationPolicy::cancel;
}

void EditorWebHost::refuseNewWindow(std::optional<std::string_view> url) {
    if (url && EditorNavigation::scheme(*url) != scheme) openExternally(*url);
}

void EditorWebHost::openExternally(std::string_view url) {
    if (EditorNavigation::isWebLink(url)) m_services.workspace.openURL(url);
}

void EditorWebHost::didFinishNavigation() {
    m_services.trace([&] { return "web: didFinish " + m_services.webView.currentURL().value_or("-"); });
}

void EditorWebHost::didFailNavigation(std::string_view error) {
    m_services.trace([&] { return "web: didFail " + std::string(error); });
}

void EditorWebHost::didFailProvisionalNavigation(std::string_view error) {
    m_services.trace([&] { return "web: didFailProvisional " + std::string(error); });
}

void EditorWebHost::webContentProcessTerminated() {
    m_services.trace([] { return std::string("web: WebContent process TERMINATED \u2014 reloading"); });
    ++m_page;
    m_services.webView.reload();
}

Expected<SchemeHandler::Response, SchemeHandler::URLError> EditorWebHost::answerScheme(
    std::optional<std::string_view> url) const {
    // Holds the document weakly like the host itself: images of a closed document are gone.
    const SchemeHandler::MediaLookup media = [document = m_document](std::string_view name,
                                                                     std::string_view directory) -> SharedBytes {
        const auto open = document.lock();
        return open ? open->editorMedia(name, directory) : nullptr;
    };
    return SchemeHandler::answer(url, m_bundleHTML, media);
}

}  // namespace velk
