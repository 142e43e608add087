#pragma once

// Why a file-system operation failed: what went wrong and the path it went wrong on. Operating
// system codes are turned into these cases where the call is made (fromErrno), so nothing above
// the FileSystem interface looks at errno. description() is the text the user sees.

#include <string>
#include <utility>
#include <variant>

namespace velk {

class FileSystemError {
public:
    struct NotFound {
        bool operator==(const NotFound&) const = default;
    };
    struct AlreadyExists {
        bool operator==(const AlreadyExists&) const = default;
    };
    struct NotPermitted {
        bool operator==(const NotPermitted&) const = default;
    };
    struct ReadOnly {
        bool operator==(const ReadOnly&) const = default;
    };
    struct NoSpace {
        bool operator==(const NoSpace&) const = default;
    };
    struct NotADirectory {
        bool operator==(const NotADirectory&) const = default;
    };
    struct IsADirectory {
        bool operator==(const IsADirectory&) const = default;
    };
    struct DirectoryNotEmpty {
        bool operator==(const DirectoryNotEmpty&) const = default;
    };
    // The path names a symbolic link, which velk does not follow.
    struct SymbolicLink {
        bool operator==(const SymbolicLink&) const = default;
    };
    // A device, pipe or socket where a file was expected.
    struct NotARegularFile {
        bool operator==(const NotARegularFile&) const = default;
    };
    struct NameTooLong {
        bool operator==(const NameTooLong&) const = default;
    };
    // Any other operating-system error, by its errno code.
    struct Failed {
        int code;
        bool operator==(const Failed&) const = default;
    };
    using Case = std::variant<NotFound, AlreadyExists, NotPermitted, ReadOnly, NoSpace, NotADirectory, IsADirectory,
                              DirectoryNotEmpty, SymbolicLink, NotARegularFile, NameTooLong, Failed>;

    FileSystemError(Case reason, std::string path) : m_reason(std::move(reason)), m_path(std::move(path)) {}
    // The case for an errno code; codes without a case of their own become Failed.
    static FileSystemError fromErrno(int code, std::string path);

    [[nodiscard]] const Case& reason() const noexcept { return m_reason; }
    [[nodiscard]] const std::string& path() const noexcept { return m_path; }
    [[nodiscard]] std::string description() const;
    bool operator==(const FileSystemError&) const = default;

private:
    Case m_reason;
    std::string m_path;
};

}  // namespace velk
