// velk-cli state, apply and media add: what the editor's load, save and media requests do to a
// package, without a window.

#include "CommandLine.h"
#include "OpenPackage.h"

#include "json/OrderedJSON.h"
#include "package/Media.h"

#include <cstdio>
#include <string>

namespace velk::cli {

namespace {

int usage(const Streams& streams, const char* text) {
    std::fprintf(streams.err, "usage: velk-cli %s\n", text);
    return 2;
}

void print(const std::string& text, const Streams& streams) { std::fwrite(text.data(), 1, text.size(), streams.out); }

// A body velk would write something of: a "maps" array with a map that has a path and a canvas.
// Anything else would be taken, change nothing, and still count as a save.
bool holdsAMap(const JSONValue& body) {
    const auto maps = body["maps"];
    if (!maps || !maps->arrayValue()) return false;
    for (const JSONValue map : maps->elements()) {
        const auto path = map["path"], canvas = map["canvas"];
        if (path && path->stringValue() && canvas && canvas->isObject()) return true;
    }
    return false;
}

}  // namespace

int runState(std::span<const std::string_view> arguments, const Streams& streams) {
    Pretty pretty = Pretty::yes;
    std::optional<std::string_view> folder;
    for (std::string_view argument : arguments) {
        if (argument == "--compact") {
            pretty = Pretty::no;
        } else if (!folder && !argument.starts_with("-")) {
            folder = argument;
        } else {
            return usage(streams, "state MAP.velk [--compact]");
        }
    }
    if (!folder) return usage(streams, "state MAP.velk [--compact]");
    auto package = openPackage(*folder, streams);
    if (!package) return 1;
    const auto state = loadedState(*package, streams);
    if (!state) return 1;
    print(OrderedJSON::write(*state, pretty), streams);
    return 0;
}

int runApply(std::span<const std::string_view> arguments, const Streams& streams) {
    if (arguments.size() != 2) return usage(streams, "apply MAP.velk BODY.json|-");
    std::string bodyText;
    if (!readInput(arguments[1], streams.in, bodyText)) {
        std::fprintf(streams.err, "velk-cli: cannot read %.*s\n", int(arguments[1].size()), arguments[1].data());
        return 1;
    }
    const auto body = OrderedJSON::parse(bodyText);
    if (!body || !body->isObject()) {
        std::fprintf(streams.err, "velk-cli: the save body is not a JSON object%s%s\n", body ? "" : ": ",
                     body ? "" : body.error().description().c_str());
        return 1;
    }
    if (!holdsAMap(*body)) {
        std::fprintf(streams.err, "velk-cli: the save body holds no map: a \"maps\" array of {\"path\", \"canvas\", \"sidecar\"}\n");
        return 1;
    }
    auto package = openPackage(arguments[0], streams);
    if (!package) return 1;
    // The editor always loads before it saves; that is where the core learns the known files.
    if (!loadedState(*package, streams)) return 1;
    const auto revision = package->core.apply(*body, package->store->notRead());
    if (!revision) {
        std::fprintf(streams.err, "%s\n", revision.error().description().c_str());
        return 1;
    }
    if (!savePackage(*package, streams)) return 1;
    std::fprintf(streams.out, "revision %lld\n", static_cast<long long>(*revision));
    for (const auto& [mapPath, file] : package->core.files()) std::fprintf(streams.out, "%s\t%s\n", mapPath.c_str(), file.c_str());
    return 0;
}

int runMedia(std::span<const std::string_view> arguments, const Streams& streams) {
    constexpr const char* text = "media add MAP.velk FILE [--type TYPE]";
    if (arguments.size() != 3 && arguments.size() != 5) return usage(streams, text);
    if (arguments[0] != "add" || (arguments.size() == 5 && arguments[3] != "--type")) return usage(streams, text);
    const std::string_view file = arguments[2];
    std::optional<std::string_view> type;
    if (arguments.size() == 5) type = arguments[4];
    if (!type) type = Media::mimeType(file);
    if (!type) {
        std::fprintf(streams.err, "velk-cli: cannot tell the image type of %.*s; pass --type\n", int(file.size()), file.data());
        return 1;
    }
    std::string bytes;
    if (!readInput(file, streams.in, bytes)) {
        std::fprintf(streams.err, "velk-cli: cannot read %.*s\n", int(file.size()), file.data());
        return 1;
    }
    auto package = openPackage(arguments[1], streams);
    if (!package) return 1;
    const auto path = package->core.storeMedia(bytes, *type, package->store->notRead());
    if (!path) {
        std::fprintf(streams.err, "%s\n", path.error().description().c_str());
        return 1;
    }
    if (!savePackage(*package, streams)) return 1;
    std::fprintf(streams.out, "%s\n", path->c_str());
    return 0;
}

}  // namespace velk::cli
