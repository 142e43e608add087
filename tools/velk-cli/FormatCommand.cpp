// velk-cli fmt: reads JSON with velk's reader and writes it back with velk's writer.

#include "CommandLine.h"

#include "json/OrderedJSON.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace velk::cli {

int runFormat(std::span<const std::string_view> arguments, const Streams& streams) {
    Pretty pretty = Pretty::yes;
    std::string_view path = "-";
    bool havePath = false;
    for (std::string_view argument : arguments) {
        if (argument == "--compact") {
            pretty = Pretty::no;
        } else if (!havePath && (argument == "-" || !argument.starts_with("-"))) {
            path = argument;
            havePath = true;
        } else {
            std::fprintf(streams.err, "usage: velk-cli fmt [--compact] [FILE|-]\n");
            return 2;
        }
    }

    std::string input;
    if (!readInput(path, streams.in, input)) {
        std::fprintf(streams.err, "velk-cli: cannot read %.*s: %s\n", int(path.size()), path.data(), std::strerror(errno));
        return 1;
    }
    auto value = OrderedJSON::parse(input);
    if (!value) {
        std::fprintf(streams.err, "%s\n", value.error().description().c_str());
        return 1;
    }
    const std::string output = OrderedJSON::write(*value, pretty);
    std::fwrite(output.data(), 1, output.size(), streams.out);
    return std::fflush(streams.out) == 0 ? 0 : 1;
}

}  // namespace velk::cli
