#include "WebKitWebViewBinding.h"

#include "bridge/BridgeBootstrap.h"
#include "bridge/SchemeHandler.h"
#include "platform/SoftwareGL.h"
#include "platform/TexturePNG.h"

#include <libsoup/soup.h>

#include <utility>

namespace velk {

namespace {

constexpr const char* bindingKey = "velk-web-view-binding";

// What one script message handler's signal carries: the binding and the handler's name.
struct HandlerLink {
    WebKitWebViewBinding* binding;
    std::string name;
};

void freeHandlerLink(gpointer data, GClosure*) { delete static_cast<HandlerLink*>(data); }

std::optional<std::string_view> optionalText(const char* text) {
    if (!text) return std::nullopt;
    return std::string_view(text);
}

GQuark urlErrorDomain() { return g_quark_from_static_string("velk-url-error"); }

// The items of WebKit's own right-click menu that edit text; the others would reload the editor
// (losing undo), go back or forward, open or download what a link or an image points at, past
// the rules that keep velk off private networks.
bool editsText(WebKitContextMenuAction action) {
    switch (action) {
    case WEBKIT_CONTEXT_MENU_ACTION_NO_ACTION:  // separators
    case WEBKIT_CONTEXT_MENU_ACTION_COPY:
    case WEBKIT_CONTEXT_MENU_ACTION_CUT:
    case WEBKIT_CONTEXT_MENU_ACTION_PASTE:
    case WEBKIT_CONTEXT_MENU_ACTION_PASTE_AS_PLAIN_TEXT:
    case WEBKIT_CONTEXT_MENU_ACTION_DELETE:
    case WEBKIT_CONTEXT_MENU_ACTION_SELECT_ALL:
    case WEBKIT_CONTEXT_MENU_ACTION_INPUT_METHODS:
    case WEBKIT_CONTEXT_MENU_ACTION_UNICODE:
    case WEBKIT_CONTEXT_MENU_ACTION_INSERT_EMOJI:
    case WEBKIT_CONTEXT_MENU_ACTION_SPELLING_GUESS:
    case WEBKIT_CONTEXT_MENU_ACTION_NO_GUESSES_FOUND:
    case WEBKIT_CONTEXT_MENU_ACTION_IGNORE_SPELLING:
    case WEBKIT_CONTEXT_MENU_ACTION_LEARN_SPELLING:
    case WEBKIT_CONTEXT_MENU_ACTION_IGNORE_GRAMMAR:
    case WEBKIT_CONTEXT_MENU_ACTION_COPY_LINK_TO_CLIPBOARD: return true;
    default: return false;
    }
}

gboolean keepOnlyTextEditing(WebKitWebView*, WebKitContextMenu* menu, WebKitHitTestResult*, gpointer) {
    for (GList* item = webkit_context_menu_get_items(menu); item;) {
        auto* entry = static_cast<WebKitContextMenuItem*>(item->data);
        item = item->next;  // removing frees the entry's link
        if (!editsText(webkit_context_menu_item_get_stock_action(entry))) webkit_context_menu_remove(menu, entry);
    }
    // Separators alone are no menu.
    bool anything = false;
    for (GList* item = webkit_context_menu_get_items(menu); item && !anything; item = item->next)
        anything = !webkit_context_menu_item_is_separator(static_cast<WebKitContextMenuItem*>(item->data));
    return anything ? FALSE : TRUE;
}

// Nothing the editor does downloads; a download could only come from a link in a map.
void refuseDownload(WebKitNetworkSession*, WebKitDownload* download, gpointer) { webkit_download_cancel(download); }

}  // namespace

WebKitWebViewBinding::WebKitWebViewBinding(const EditorWebConfiguration& configuration, MainQueue& mainQueue)
    : m_contentManager(GObjectHolder<WebKitUserContentManager>::adopt(webkit_user_content_manager_new())),
      m_cancellable(GObjectHolder<GCancellable>::adopt(g_cancellable_new())),
      m_mainQueue(mainQueue),
      m_seal(BridgeBootstrap::newSeal()) {
    std::vector<std::string> userScripts{BridgeBootstrap::sealingScript(m_seal, configuration.messageHandlers)};
    userScripts.insert(userScripts.end(), configuration.userScripts.begin(), configuration.userScripts.end());
    for (const std::string& source : userScripts) {
        WebKitUserScript* script =
            webkit_user_script_new(source.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                   WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
        webkit_user_content_manager_add_script(m_contentManager.get(), script);
        webkit_user_script_unref(script);
    }
    for (const std::string& handler : configuration.messageHandlers) {
        webkit_user_content_manager_register_script_message_handler(m_contentManager.get(), handler.c_str(), nullptr);
        std::string signal = "script-message-received::" + handler;
        g_signal_connect_data(m_contentManager.get(), signal.c_str(), G_CALLBACK(messageReceived),
                              new HandlerLink{this, handler}, freeHandlerLink, GConnectFlags(0));
    }

    WebKitSettings* settings = webkit_settings_new();
    webkit_settings_set_enable_javascript(settings, configuration.pageScriptsAllowed);
    if (openGLIsSoftware())
        webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    // WebKitGTK draws pages as they load and has no press-to-preview of links, so the other two
    // settings need nothing here.
    m_view = GObjectHolder<WebKitWebView>::sink(WEBKIT_WEB_VIEW(g_object_new(
        WEBKIT_TYPE_WEB_VIEW, "user-content-manager", m_contentManager.get(), "settings", settings, nullptr)));
    g_object_unref(settings);
    g_object_set_data(G_OBJECT(m_view.get()), bindingKey, this);

    // A web context answers a scheme through one callback, registered once; the callback finds
    // the binding of the view that asked.
    static bool schemeRegistered = false;
    if (!schemeRegistered) {
        webkit_web_context_register_uri_scheme(webkit_web_view_get_context(m_view.get()), configuration.scheme.c_str(),
                                               answerScheme, nullptr, nullptr);
        schemeRegistered = true;
    }

    g_signal_connect(m_view.get(), "decide-policy", G_CALLBACK(decidePolicy), this);
    g_signal_connect(m_view.get(), "load-changed", G_CALLBACK(loadChanged), this);
    g_signal_connect(m_view.get(), "load-failed", G_CALLBACK(loadFailed), this);
    g_signal_connect(m_view.get(), "web-process-terminated", G_CALLBACK(processTerminated), this);
    g_signal_connect(m_view.get(), "context-menu", G_CALLBACK(keepOnlyTextEditing), nullptr);
    static bool downloadsRefused = false;
    if (!downloadsRefused) {
        g_signal_connect(webkit_web_view_get_network_session(m_view.get()), "download-started", G_CALLBACK(refuseDownload), nullptr);
        downloadsRefused = true;
    }
}

WebKitWebViewBinding::~WebKitWebViewBinding() {
    cancelLoadTimeout();
    g_cancellable_cancel(m_cancellable.get());
    g_signal_handlers_disconnect_by_data(m_view.get(), this);
    // The per-handler links are freed by their closures when the manager lets them go.
    g_signal_handlers_disconnect_matched(m_contentManager.get(), G_SIGNAL_MATCH_FUNC, 0, 0, nullptr,
                                         reinterpret_cast<gpointer>(messageReceived), nullptr);
    g_object_set_data(G_OBJECT(m_view.get()), bindingKey, nullptr);
    webkit_web_view_terminate_web_process(m_view.get());
}

void WebKitWebViewBinding::attach(std::weak_ptr<EditorWebHost> host) { m_host = std::move(host); }

void WebKitWebViewBinding::evaluateScript(std::string_view script) {
    webkit_web_view_evaluate_javascript(m_view.get(), script.data(), static_cast<gssize>(script.size()), nullptr,
                                        nullptr, nullptr, nullptr, nullptr);
}

void WebKitWebViewBinding::callAsyncFunction(std::string_view body, std::function<void()> settled) {
    callAsyncFunctionForText(body, [settled = std::move(settled)](const Expected<std::string, std::string>&) { settled(); });
}

void WebKitWebViewBinding::callAsyncFunctionForText(std::string_view body, Result result) {
    struct Calling {
        Result result;
    };
    auto finished = [](GObject* source, GAsyncResult* outcome, gpointer data) {
        std::unique_ptr<Calling> calling(static_cast<Calling*>(data));
        GError* error = nullptr;
        JSCValue* value = webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(source), outcome, &error);
        if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
            g_clear_error(&error);
            return;
        }
        if (!value) {
            std::string message = error && error->message ? error->message : "The page gave no answer";
            g_clear_error(&error);
            // WebKit puts the exception's class before its message.
            for (std::string_view prefix : {"Error: ", "TypeError: "})
                if (message.starts_with(prefix)) message.erase(0, prefix.size());
            calling->result(Unexpected(std::move(message)));
            return;
        }
        std::optional<std::string> text;
        if (jsc_value_is_string(value)) {
            char* chars = jsc_value_to_string(value);
            text = chars ? std::string(chars) : std::string();
            g_free(chars);
        }
        g_object_unref(value);
        if (text) calling->result(std::move(*text));
        else calling->result(Unexpected(std::string("The page gave no text")));
    };
    webkit_web_view_call_async_javascript_function(m_view.get(), body.data(), static_cast<gssize>(body.size()),
                                                   nullptr, nullptr, nullptr, m_cancellable.get(), finished,
                                                   new Calling{std::move(result)});
}

void WebKitWebViewBinding::load(std::string_view url, std::chrono::milliseconds timeout) {
    cancelLoadTimeout();
    webkit_web_view_load_uri(m_view.get(), std::string(url).c_str());
    // WebKitGTK has no load time-out; stopping the load makes it fail like any other.
    m_loadTimeout = m_mainQueue.runAfter(timeout, [view = m_view] {
        if (webkit_web_view_is_loading(view.get())) webkit_web_view_stop_loading(view.get());
    });
}

void WebKitWebViewBinding::reload() { webkit_web_view_reload(m_view.get()); }

std::optional<std::string> WebKitWebViewBinding::currentURL() const {
    const char* uri = webkit_web_view_get_uri(m_view.get());
    if (!uri) return std::nullopt;
    return std::string(uri);
}

WebView::Size WebKitWebViewBinding::size() const {
    return Size{static_cast<double>(gtk_widget_get_width(widget())), static_cast<double>(gtk_widget_get_height(widget()))};
}

void WebKitWebViewBinding::snapshot(SnapshotArea area, SnapshotCompletion completion) {
    struct Taking {
        SnapshotArea area;
        double viewWidth;
        SnapshotCompletion completion;
    };
    auto finished = [](GObject* source, GAsyncResult* result, gpointer data) {
        std::unique_ptr<Taking> taking(static_cast<Taking*>(data));
        GError* error = nullptr;
        GdkTexture* texture = webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), result, &error);
        if (!texture) {
            bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
            g_clear_error(&error);
            // A cancelled snapshot belongs to a binding that is gone: nobody waits for it.
            if (!cancelled) taking->completion(std::nullopt);
            return;
        }
        // The picture is in device pixels; the area is in points.
        const double pixelsPerPoint =
            taking->viewWidth > 0 ? gdk_texture_get_width(texture) / taking->viewWidth : 1.0;
        auto png = TexturePNG::cropped(texture, taking->area, pixelsPerPoint);
        g_object_unref(texture);
        taking->completion(std::move(png));
    };
    webkit_web_view_get_snapshot(m_view.get(), WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_NONE,
                                 m_cancellable.get(), finished, new Taking{area, size().width, std::move(completion)});
}

std::optional<std::string> WebKitWebViewBinding::schemeOf(std::string_view url) {
    auto colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0) return std::nullopt;
    auto scheme = url.substr(0, colon);
    for (std::size_t i = 0; i < scheme.size(); ++i) {
        char c = scheme[i];
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!letter && !(i > 0 && other)) return std::nullopt;
    }
    std::string lower(scheme);
    for (char& c : lower) c = static_cast<char>(g_ascii_tolower(c));
    return lower;
}

void WebKitWebViewBinding::messageReceived(WebKitUserContentManager*, JSCValue* value, gpointer data) {
    auto* link = static_cast<HandlerLink*>(data);
    link->binding->receive(link->name.c_str(), value);
}

void WebKitWebViewBinding::receive(const char* handler, JSCValue* value) {
    auto target = host();
    if (!target) return;
    WebMessage message;
    message.handler = handler;
    bool isText = jsc_value_is_string(value);
    message.bodyKind = isText ? WebMessage::BodyKind::text : WebMessage::BodyKind::other;
    char* text = jsc_value_to_string(value);
    const std::string_view posted = text ? text : "";
    // Script messages do not say which frame sent them: only the top frame's bootstrap seals
    // what it posts (BridgeBootstrap::sealingScript), so a text without the seal came from a
    // frame inside the page. Every frame shows the view's page, so the scheme is that page's.
    const auto sealed = isText ? BridgeBootstrap::unsealed(posted, m_seal) : std::nullopt;
    message.isMainFrame = sealed.has_value();
    message.body = std::string(sealed.value_or(posted));
    g_free(text);
    auto url = currentURL();
    message.originScheme = url ? schemeOf(*url).value_or("") : "";
    // Only velk's own page may talk to the host.
    if (message.originScheme != EditorWebHost::scheme) return;
    target->receive(message);
}

gboolean WebKitWebViewBinding::decidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                            WebKitPolicyDecisionType type, gpointer data) {
    auto* binding = static_cast<WebKitWebViewBinding*>(data);
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
    auto* action = webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    auto url = optionalText(request ? webkit_uri_request_get_uri(request) : nullptr);
    auto target = binding->host();
    if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
        if (target) target->refuseNewWindow(url);
        webkit_policy_decision_ignore(decision);
        return TRUE;
    }
    if (target && target->decideNavigation(url) == NavigationPolicy::allow) {
        webkit_policy_decision_use(decision);
    } else {
        webkit_policy_decision_ignore(decision);
    }
    return TRUE;
}

void WebKitWebViewBinding::loadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
    auto* binding = static_cast<WebKitWebViewBinding*>(data);
    if (event != WEBKIT_LOAD_FINISHED) return;
    binding->cancelLoadTimeout();
    // A failed load finishes too; load-failed has told the host already.
    if (auto target = binding->host(); target && !webkit_web_view_is_loading(binding->m_view.get())) {
        if (!g_object_get_data(G_OBJECT(binding->m_view.get()), "velk-load-failed")) target->didFinishNavigation();
    }
    g_object_set_data(G_OBJECT(binding->m_view.get()), "velk-load-failed", nullptr);
}

gboolean WebKitWebViewBinding::loadFailed(WebKitWebView* view, WebKitLoadEvent event, char*, GError* error,
                                          gpointer data) {
    auto* binding = static_cast<WebKitWebViewBinding*>(data);
    g_object_set_data(G_OBJECT(view), "velk-load-failed", GINT_TO_POINTER(1));
    auto target = binding->host();
    if (!target) return FALSE;
    std::string_view reason = error && error->message ? error->message : "";
    if (event == WEBKIT_LOAD_STARTED || event == WEBKIT_LOAD_REDIRECTED) {
        target->didFailProvisionalNavigation(reason);
    } else {
        target->didFailNavigation(reason);
    }
    return FALSE;
}

void WebKitWebViewBinding::processTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                             gpointer data) {
    auto* binding = static_cast<WebKitWebViewBinding*>(data);
    // Ending the process ourselves (when the binding goes) is no crash to recover from.
    if (reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API) return;
    if (auto target = binding->host()) target->webContentProcessTerminated();
}

void WebKitWebViewBinding::answerScheme(WebKitURISchemeRequest* request, gpointer) {
    WebKitWebView* view = webkit_uri_scheme_request_get_web_view(request);
    auto* binding =
        view ? static_cast<WebKitWebViewBinding*>(g_object_get_data(G_OBJECT(view), bindingKey)) : nullptr;
    auto target = binding ? binding->host() : nullptr;
    if (!target) {
        GError* error = g_error_new_literal(urlErrorDomain(), SchemeHandler::URLError::fileDoesNotExist,
                                            "The editor of this view is gone.");
        webkit_uri_scheme_request_finish_error(request, error);
        g_error_free(error);
        return;
    }
    auto answer = target->answerScheme(optionalText(webkit_uri_scheme_request_get_uri(request)));
    if (!answer) {
        GError* error = g_error_new(urlErrorDomain(), answer.error().code, "velk-app request failed (%d)",
                                    answer.error().code);
        webkit_uri_scheme_request_finish_error(request, error);
        g_error_free(error);
        return;
    }
    const SchemeHandler::Response& response = *answer;
    GBytes* body = response.body ? g_bytes_new(response.body->data(), response.body->size()) : g_bytes_new(nullptr, 0);
    GInputStream* stream = g_memory_input_stream_new_from_bytes(body);
    WebKitURISchemeResponse* reply =
        webkit_uri_scheme_response_new(stream, static_cast<gint64>(g_bytes_get_size(body)));
    g_object_unref(stream);
    g_bytes_unref(body);
    webkit_uri_scheme_response_set_status(reply, static_cast<guint>(response.status), nullptr);
    SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
    for (const auto& [name, value] : response.headers) {
        soup_message_headers_append(headers, name.c_str(), value.c_str());
        if (g_ascii_strcasecmp(name.c_str(), "Content-Type") == 0) {
            webkit_uri_scheme_response_set_content_type(reply, value.c_str());
        }
    }
    // The response takes the headers over.
    webkit_uri_scheme_response_set_http_headers(reply, headers);
    webkit_uri_scheme_request_finish_with_response(request, reply);
    g_object_unref(reply);
}

void WebKitWebViewBinding::cancelLoadTimeout() {
    if (m_loadTimeout) m_mainQueue.cancel(*m_loadTimeout);
    m_loadTimeout.reset();
}

}  // namespace velk
