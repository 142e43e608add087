#include "bridge/BridgeBootstrap.h"

#include "bridge/BridgeScript.h"

#include <cstdint>
#include <random>

namespace velk::BridgeBootstrap {

// Twenty-one lines joined by line feeds, with none after the last.
const std::string_view logForwardingScript =
    "(function () {\n"
    "  var post = function (kind, args) {\n"
    "    try {\n"
    "      var text = Array.prototype.map.call(args, function (a) {\n"
    "        if (a && a.stack) return String(a.stack);\n"
    "        try { return typeof a === \"string\" ? a : JSON.stringify(a); }\n"
    "        catch (_) { return String(a); }\n"
    "      }).join(\" \");\n"
    "      window.webkit.messageHandlers.velkLog.postMessage(kind + \": \" + text);\n"
    "    } catch (_) {}\n"
    "  };\n"
    "  var err = console.error, warn = console.warn;\n"
    "  console.error = function () { post(\"console.error\", arguments); return err.apply(console, arguments); };\n"
    "  console.warn = function () { post(\"console.warn\", arguments); return warn.apply(console, arguments); };\n"
    "  window.addEventListener(\"error\", function (e) {\n"
    "    post(\"uncaught\", [e.message + \" @ \" + e.filename + \":\" + e.lineno]);\n"
    "  });\n"
    "  window.addEventListener(\"unhandledrejection\", function (e) {\n"
    "    post(\"unhandledrejection\", [e.reason]);\n"
    "  });\n"
    "})();";

std::string newSeal() {
    // 128 bits from the system's random source, as hexadecimal digits.
    std::random_device random;
    std::string seal = "velk-seal-";
    for (int i = 0; i < 4; ++i) {
        const auto word = static_cast<std::uint32_t>(random());
        for (int shift = 28; shift >= 0; shift -= 4) seal.push_back("0123456789abcdef"[(word >> shift) & 0xF]);
    }
    return seal + ":";
}

std::string sealingScript(std::string_view seal, std::span<const std::string> handlers) {
    std::string names;
    for (const std::string& handler : handlers) names += (names.empty() ? "" : ", ") + BridgeScript::quote(handler);
    // The original postMessage is bound before the page can replace anything it would call, and
    // the sealed handlers are kept from window so their wrappers, holding the seal, live on.
    return "(function () {\n"
           "  var seal = " + BridgeScript::quote(seal) + ";\n"
           "  var handlers = window.webkit && window.webkit.messageHandlers;\n"
           "  if (!handlers) return;\n"
           "  var sealed = [];\n"
           "  [" + names + "].forEach(function (name) {\n"
           "    var handler = handlers[name];\n"
           "    if (!handler) return;\n"
           "    var post = handler.postMessage.bind(handler);\n"
           "    Object.defineProperty(handler, \"postMessage\", { value: function (body) {\n"
           "      post(typeof body === \"string\" ? seal + body : body);\n"
           "    } });\n"
           "    sealed.push(handler);\n"
           "  });\n"
           "  Object.defineProperty(window, \"__velkSealedHandlers\", { value: sealed });\n"
           "})();";
}

std::optional<std::string_view> unsealed(std::string_view body, std::string_view seal) {
    if (seal.empty() || !body.starts_with(seal)) return std::nullopt;
    return body.substr(seal.size());
}

}  // namespace velk::BridgeBootstrap
