#include "bridge/BridgeBootstrap.h"

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

}  // namespace velk::BridgeBootstrap
