#include "CommandLine.h"

#include "core/WhiteSpace.h"
#include "share/SharedLink.h"

#include <charconv>

namespace velk::share {

const char* const usage =
    "usage: velk-share [serve] [--listen ADDRESS:PORT] [--base URL] [--db DATABASE] [--trust-proxy]\n"
    "                          [--writes-per-minute N] [--write-burst N]\n"
    "       velk-share migrate [--db DATABASE]\n"
    "       velk-share feedback list [--db DATABASE]\n"
    "       velk-share remove ID --reason TEXT [--db DATABASE]\n"
    "DATABASE is sqlite:PATH (default $XDG_DATA_HOME/velk-share/shares.sqlite) or postgresql://...\n";

namespace {

Unexpected<std::string> wrong(std::string text) { return Unexpected<std::string>(std::move(text)); }

std::string defaultDatabase(const std::map<std::string, std::string>& environment) {
    std::string data;
    if (auto found = environment.find("XDG_DATA_HOME"); found != environment.end() && found->second.starts_with('/')) data = found->second;
    else if (auto home = environment.find("HOME"); home != environment.end() && !home->second.empty()) data = home->second + "/.local/share";
    else data = ".";
    return "sqlite:" + data + "/velk-share/shares.sqlite";
}

// "127.0.0.1:8080" or "[::1]:8080".
bool readListen(std::string_view text, ServeCommand& into) {
    const std::size_t colon = text.rfind(':');
    if (colon == text.npos || colon == 0) return false;
    std::string_view host = text.substr(0, colon), port = text.substr(colon + 1);
    if (host.starts_with('[') && host.ends_with(']')) host = host.substr(1, host.size() - 2);
    else if (host.find(':') != host.npos) return false;
    unsigned value = 0;
    const auto [end, failed] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (failed != std::errc() || end != port.data() + port.size() || value == 0 || value > 65535 || host.empty()) return false;
    into.listenAddress = std::string(host);
    into.port = static_cast<unsigned short>(value);
    return true;
}

bool readRate(std::string_view text, double& into) {
    const auto [end, failed] = std::from_chars(text.data(), text.data() + text.size(), into);
    return failed == std::errc() && end == text.data() + text.size() && into >= 0;
}

}  // namespace

Expected<CommandLine, std::string> parseCommandLine(const std::vector<std::string>& arguments,
                                                   const std::map<std::string, std::string>& environment) {
    CommandLine line{ServeCommand{}, defaultDatabase(environment)};
    std::vector<std::string> words;
    ServeCommand serve;
    bool baseGiven = false;
    std::optional<std::string> reason;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!argument.starts_with("--")) {
            words.push_back(argument);
            continue;
        }
        if (argument == "--help") return CommandLine{HelpCommand{}, line.database};
        if (argument == "--trust-proxy") {
            serve.trustProxy = true;
            continue;
        }
        if (i + 1 >= arguments.size()) return wrong(argument + " needs a value");
        const std::string& value = arguments[++i];
        if (argument == "--db") {
            line.database = value;
        } else if (argument == "--listen") {
            if (!readListen(value, serve)) return wrong("--listen takes ADDRESS:PORT, such as 127.0.0.1:8080, not \"" + value + "\"");
        } else if (argument == "--base") {
            const bool web = value.starts_with("http://") || value.starts_with("https://");
            const std::string_view rest = web ? std::string_view(value).substr(value.find("://") + 3) : std::string_view();
            if (!web || rest.empty() || rest.front() == '/' || value.find_first_of("?# ") != value.npos)
                return wrong("--base takes an http or https URL without a query, not \"" + value + "\"");
            serve.service.base = value.ends_with('/') ? value : value + "/";
            baseGiven = true;
        } else if (argument == "--writes-per-minute") {
            if (!readRate(value, serve.service.writesPerMinute)) return wrong("--writes-per-minute takes a number, not \"" + value + "\"");
        } else if (argument == "--write-burst") {
            if (!readRate(value, serve.service.writeBurst) || serve.service.writeBurst < 1)
                return wrong("--write-burst takes a number of at least 1, not \"" + value + "\"");
        } else if (argument == "--reason") {
            reason = value;
        } else {
            return wrong("unknown option " + argument);
        }
    }
    if (!baseGiven) {
        const bool v6 = serve.listenAddress.find(':') != std::string::npos;
        serve.service.base = "http://" + (v6 ? "[" + serve.listenAddress + "]" : serve.listenAddress) + ":" + std::to_string(serve.port) + "/";
    }

    if (words.empty() || words == std::vector<std::string>{"serve"}) {
        line.command = serve;
    } else if (words == std::vector<std::string>{"migrate"}) {
        line.command = MigrateCommand{};
    } else if (words == std::vector<std::string>{"feedback", "list"}) {
        line.command = FeedbackListCommand{};
    } else if (words.size() == 2 && words[0] == "remove") {
        if (!SharedLink::isShareID(words[1])) return wrong("\"" + words[1] + "\" is not a share id");
        if (!reason || WhiteSpace::trimmedWithLineBreaks(*reason).empty()) return wrong("remove needs --reason TEXT: the share's page shows it to everyone");
        line.command = RemoveCommand{words[1], *reason};
    } else {
        return wrong("unknown command \"" + words[0] + "\"");
    }
    return line;
}

}  // namespace velk::share
