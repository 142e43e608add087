#include "CommandLine.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

namespace velk::cli {

int runFormat(std::span<const std::string_view> arguments, const Streams& streams);
int runInk(std::span<const std::string_view> arguments, const Streams& streams);
int runState(std::span<const std::string_view> arguments, const Streams& streams);
int runApply(std::span<const std::string_view> arguments, const Streams& streams);
int runMedia(std::span<const std::string_view> arguments, const Streams& streams);
int runTemplates(std::span<const std::string_view> arguments, const Streams& streams);
int runNew(std::span<const std::string_view> arguments, const Streams& streams);
int runPreview(std::span<const std::string_view> arguments, const Streams& streams);
int runOpenShare(std::span<const std::string_view> arguments, const Streams& streams);
int runExport(std::span<const std::string_view> arguments, const Streams& streams);

const std::vector<Command>& commands() {
    static const std::vector<Command> table{
        {"fmt", "[--compact] [FILE|-]",
         "read JSON and write it back, pretty (tabs, final line feed) or compact, keeping member order and "
         "number text",
         runFormat},
        {"ink", "RECORD.json|-",
         "write the SVG of an ink card's sidecar record, sized to the drawing's padded bounds", runInk},
        {"state", "MAP.velk [--compact]", "print the editor state of a map package, as the editor receives it", runState},
        {"apply", "MAP.velk BODY.json|-",
         "apply a save body to a map package as the editor's save does, then print the revision and each map's file",
         runApply},
        {"media", "add MAP.velk FILE [--type TYPE]",
         "store an image in a map package (type from the file's extension unless given) and print its path", runMedia},
        {"templates", "", "list the map templates that ship with velk: id, title and blurb, tab-separated", runTemplates},
        {"new", "[--template ID] [--folder DIR] [NAME]",
         "make a new map package in DIR (else VELK_MAPS_FOLDER or the maps folder velk remembers) from a template (the blank map unless given), named after NAME or the "
         "template, and print its path",
         runNew},
        {"preview", "URL [--image-out FILE]",
         "fetch a link's preview under the public-address policy and print the card the editor would get, or why "
         "there is none; --image-out writes the page's image",
         runPreview},
        {"open-share", "FILE.json|- [--folder DIR]",
         "turn a share document into a new map package in DIR (else VELK_MAPS_FOLDER or the maps folder velk "
         "remembers), named after the shared map as opening a share "
         "link names it, and print its path",
         runOpenShare},
        {"export", "MAP.velk [--map /ID/…] [--format svg|png|pdf] [--scale 1|2] -o FILE",
         "draw a map of a package (the root unless --map names a submap's path) as the app's Export does: PNG "
         "(--scale 2 for 2×), SVG or PDF, the format from -o's extension unless given; needs a display (use "
         "xvfb-run where there is none)",
         runExport},
    };
    return table;
}

namespace {

void printHelp(std::FILE* out) {
    std::fputs("usage: velk-cli COMMAND [ARGUMENTS]\n\ncommands:\n", out);
    for (const Command& command : commands()) {
        std::fprintf(out, "  %.*s%s%.*s\n      %.*s\n", int(command.name.size()), command.name.data(),
                     command.usage.empty() ? "" : " ", int(command.usage.size()), command.usage.data(),
                     int(command.summary.size()), command.summary.data());
    }
}

}  // namespace

int runCommandLine(std::span<const std::string_view> arguments, const Streams& streams) {
    if (arguments.empty()) {
        printHelp(streams.err);
        return 2;
    }
    if (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help") {
        printHelp(streams.out);
        return 0;
    }
    for (const Command& command : commands()) {
        if (command.name == arguments[0]) return command.run(arguments.subspan(1), streams);
    }
    std::fprintf(streams.err, "velk-cli: unknown command '%.*s' (see velk-cli --help)\n", int(arguments[0].size()),
                 arguments[0].data());
    return 2;
}

bool readInput(std::string_view path, std::FILE* standardInput, std::string& contents) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> owned(nullptr, std::fclose);
    std::FILE* file = standardInput;
    if (path != "-") {
        owned.reset(std::fopen(std::string(path).c_str(), "rb"));
        file = owned.get();
        if (!file) return false;
    }
    char buffer[64 * 1024];
    contents.clear();
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, file);
        contents.append(buffer, n);
        if (n < sizeof buffer) return !std::ferror(file);
    }
}

}  // namespace velk::cli
