#include "platform/FileSystemError.h"

#include "core/Overloaded.h"

#include <cerrno>
#include <system_error>

namespace velk {

FileSystemError FileSystemError::fromErrno(int code, std::string path) {
    const Case reason = [code]() -> Case {
        switch (code) {
        case ENOENT: return NotFound{};
        case EEXIST: return AlreadyExists{};
        case EACCES:
        case EPERM: return NotPermitted{};
        case EROFS: return ReadOnly{};
        case ENOSPC:
        case EDQUOT: return NoSpace{};
        case ENOTDIR: return NotADirectory{};
        case EISDIR: return IsADirectory{};
        case ENOTEMPTY: return DirectoryNotEmpty{};
        case ELOOP: return SymbolicLink{};
        case ENAMETOOLONG: return NameTooLong{};
        default: return Failed{code};
        }
    }();
    return FileSystemError(reason, std::move(path));
}

std::string FileSystemError::description() const {
    const std::string quoted = "\u201C" + m_path + "\u201D";
    return std::visit(
        Overloaded{
            [&](const NotFound&) { return quoted + " doesn\u2019t exist."; },
            [&](const AlreadyExists&) { return quoted + " already exists."; },
            [&](const NotPermitted&) { return "velk doesn\u2019t have permission to use " + quoted + "."; },
            [&](const ReadOnly&) { return quoted + " is on a volume that can only be read."; },
            [&](const NoSpace&) { return "There isn\u2019t enough space for " + quoted + "."; },
            [&](const NotADirectory&) { return quoted + " isn\u2019t a folder."; },
            [&](const IsADirectory&) { return quoted + " is a folder."; },
            [&](const DirectoryNotEmpty&) { return "The folder " + quoted + " isn\u2019t empty."; },
            [&](const SymbolicLink&) { return quoted + " is a symbolic link, which velk doesn\u2019t follow."; },
            [&](const NotARegularFile&) { return quoted + " isn\u2019t a regular file."; },
            [&](const NameTooLong&) { return "The name of " + quoted + " is too long."; },
            // std::error_code's message is the system's text for the code, made thread-safely.
            [&](const Failed& failed) {
                return quoted + " couldn\u2019t be used: " + std::error_code(failed.code, std::generic_category()).message() + ".";
            },
        },
        m_reason);
}

}  // namespace velk
