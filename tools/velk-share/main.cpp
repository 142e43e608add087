// velk-share: the share service velk publishes maps to, and its operator's commands.

#include "CommandLine.h"
#include "Serve.h"
#include "store/OpenStore.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

extern char** environ;

namespace {

using namespace velk::share;

int fail(const std::string& text) {
    std::fprintf(stderr, "velk-share: %s\n", text.c_str());
    return 1;
}

std::int64_t secondsNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// The file of a "sqlite:PATH" setting; absent for a PostgreSQL URI.
std::optional<std::filesystem::path> sqliteFile(std::string_view database) {
    constexpr std::string_view scheme = "sqlite:";
    if (!database.starts_with(scheme)) return std::nullopt;
    return std::filesystem::path(database.substr(scheme.size()));
}

// A SQLite file's folder is made on first use, so the default setting works on a fresh machine.
void makeFolderFor(const std::filesystem::path& file) {
    std::error_code ignored;
    if (!file.parent_path().empty()) std::filesystem::create_directories(file.parent_path(), ignored);
}

std::string utcTime(std::int64_t seconds) {
    const std::time_t at = seconds;
    std::tm parts{};
    gmtime_r(&at, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

// One feedback per paragraph: a header line, then the message indented, so a message's own line
// breaks cannot pass for another entry.
void printFeedback(const std::vector<Feedback>& all) {
    for (const Feedback& entry : all) {
        std::printf("%s  tester=%s client=%s version=%s\n", utcTime(entry.receivedAt).c_str(), entry.tester.c_str(),
                    entry.client.c_str(), entry.version.c_str());
        std::string indented = "    ";
        for (const char c : entry.message) {
            if (c == '\r') continue;
            indented += c;
            if (c == '\n') indented += "    ";
        }
        std::printf("%s\n\n", indented.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view text(*entry);
        const std::size_t equals = text.find('=');
        if (equals != text.npos) environment.emplace(text.substr(0, equals), text.substr(equals + 1));
    }
    const auto line = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc), environment);
    if (!line) {
        std::fputs(usage, stderr);
        return fail(line.error());
    }
    if (std::holds_alternative<HelpCommand>(line->command)) {
        std::fputs(usage, stdout);
        return 0;
    }

    if (const auto file = sqliteFile(line->database)) {
        // Only serving and migrating make a database: a mistyped --db for the operator's other
        // commands would otherwise make an empty one and answer from it ("no feedback").
        std::error_code unknown;
        const bool makesDatabase = std::holds_alternative<ServeCommand>(line->command) || std::holds_alternative<MigrateCommand>(line->command);
        if (!makesDatabase && !std::filesystem::exists(*file, unknown))
            return fail("there is no database at " + file->string() + " (velk-share migrate makes one)");
        makeFolderFor(*file);
    }
    auto store = openStore(line->database);
    if (!store) return fail(store.error().message);
    // Every command migrates first: the schema is the service's own, never set up by hand.
    if (auto migrated = (*store)->migrate(); !migrated) return fail(migrated.error().message);

    if (std::holds_alternative<MigrateCommand>(line->command)) {
        const auto version = (*store)->schemaVersion();
        if (!version) return fail(version.error().message);
        std::printf("velk-share: the database is at schema version %d\n", *version);
        return 0;
    }
    if (std::holds_alternative<FeedbackListCommand>(line->command)) {
        const auto all = (*store)->feedback();
        if (!all) return fail(all.error().message);
        printFeedback(*all);
        return 0;
    }
    if (const auto* remove = std::get_if<RemoveCommand>(&line->command)) {
        const auto removed = (*store)->remove(remove->id, remove->reason, secondsNow());
        if (!removed) return fail(removed.error().message);
        if (!*removed) return fail("no live share " + remove->id + " (unknown, withdrawn or already removed)");
        std::printf("velk-share: removed %s; it now answers 410 with the reason\n", remove->id.c_str());
        return 0;
    }
    const auto& command = std::get<ServeCommand>(line->command);
    ShareService service(**store, command.service);
    return serve(command, service);
}
