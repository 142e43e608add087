// velk-cli ink: renders the drawing of an ink card's sidecar record as the SVG velk stores for
// it, sized to the drawing's padded bounds.

#include "CommandLine.h"

#include "ink/InkSVG.h"
#include "json/OrderedJSON.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace velk::cli {

int runInk(std::span<const std::string_view> arguments, const Streams& streams) {
    if (arguments.size() != 1 || (arguments[0].starts_with("-") && arguments[0] != "-")) {
        std::fprintf(streams.err, "usage: velk-cli ink RECORD.json|-\n");
        return 2;
    }
    const std::string_view path = arguments[0];
    std::string input;
    if (!readInput(path, streams.in, input)) {
        std::fprintf(streams.err, "velk-cli: cannot read %.*s: %s\n", int(path.size()), path.data(), std::strerror(errno));
        return 1;
    }
    auto record = OrderedJSON::parse(input);
    if (!record) {
        std::fprintf(streams.err, "%s\n", record.error().description().c_str());
        return 1;
    }
    const std::optional<InkSVG::Source> source = InkSVG::source(*record);
    const std::optional<InkSVG::Bounds> box = source ? InkSVG::bounds(*source) : std::nullopt;
    if (!box) {
        std::fputs("velk-cli: the ink record has no drawing\n", streams.err);
        return 1;
    }
    const std::string output = InkSVG::svg(*source, box->x, box->y, box->width, box->height);
    std::fwrite(output.data(), 1, output.size(), streams.out);
    return std::fflush(streams.out) == 0 ? 0 : 1;
}

}  // namespace velk::cli
