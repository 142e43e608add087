#pragma once

// What `velk-share` was asked to do, read from its arguments and environment. Pure, so every
// spelling is tested without starting anything.

#include "service/ShareService.h"

#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace velk::share {

struct ServeCommand {
    std::string listenAddress = "127.0.0.1";
    unsigned short port = 8080;
    bool trustProxy = false;  // take the client's address from X-Forwarded-For
    ShareServiceOptions service;
};
struct MigrateCommand {};
struct FeedbackListCommand {};
struct RemoveCommand {
    std::string id, reason;
};
struct HelpCommand {};

struct CommandLine {
    std::variant<ServeCommand, MigrateCommand, FeedbackListCommand, RemoveCommand, HelpCommand> command;
    std::string database;  // "sqlite:PATH" or a postgresql:// URI
};

// The command line, or a sentence saying what is wrong with it. `environment` supplies
// XDG_DATA_HOME and HOME for the default database.
[[nodiscard]] Expected<CommandLine, std::string> parseCommandLine(const std::vector<std::string>& arguments,
                                                                  const std::map<std::string, std::string>& environment);

extern const char* const usage;

}  // namespace velk::share
