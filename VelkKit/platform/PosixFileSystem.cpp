#include "platform/PosixFileSystem.h"

#include "platform/TemporaryName.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace velk {

namespace {

// Closes the descriptor it owns when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) noexcept : m_fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    [[nodiscard]] int get() const noexcept { return m_fd; }
    [[nodiscard]] bool valid() const noexcept { return m_fd >= 0; }
    // Closes now, reporting the error that a deferred write may only show here.
    [[nodiscard]] int close() noexcept {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

Unexpected<FileSystemError> failure(const std::string& path, int code = errno) {
    return Unexpected<FileSystemError>(FileSystemError::fromErrno(code, path));
}

// The system takes a path up to its first NUL: a path holding one would name another file.
bool holdsNul(const std::string& path) { return path.find('\0') != std::string::npos; }

// "a/b/c" → {"a/b", "c"}; "c" → {".", "c"}; "/c" → {"/", "c"}.
std::pair<std::string, std::string> splitParent(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

EntryKind kindOfMode(mode_t mode) {
    if (S_ISREG(mode)) return EntryKind::regularFile;
    if (S_ISDIR(mode)) return EntryKind::directory;
    if (S_ISLNK(mode)) return EntryKind::symbolicLink;
    return EntryKind::other;
}

int openDirectory(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    // Linux reports a link refused here as "not a directory"; say what it is.
    struct stat status;
    if (fd < 0 && errno == ENOTDIR && ::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) errno = ELOOP;
    return fd;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The whole content of the regular file `name` in `directory`; `file` is what errors name.
Expected<std::string, FileSystemError> readAt(int directory, const char* name, const std::string& file) {
    // Not blocking, so that a pipe put in place of a file cannot hang the reader before fstat
    // refuses it; reads of regular files are unaffected.
    Descriptor fd(::openat(directory, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.valid()) return failure(file);
    struct stat status;
    if (::fstat(fd.get(), &status) != 0) return failure(file);
    if (S_ISDIR(status.st_mode)) return Unexpected<FileSystemError>(FileSystemError(FileSystemError::IsADirectory{}, file));
    if (!S_ISREG(status.st_mode)) return Unexpected<FileSystemError>(FileSystemError(FileSystemError::NotARegularFile{}, file));

    // Read straight into the string, not into bytes zeroed first: images make most of a package.
    // The first room is one byte more than the file, to notice a file that grows meanwhile.
    std::string bytes;
    std::size_t size = 0;
    int error = 0;
    bool ended = false;
    for (std::size_t room = static_cast<std::size_t>(status.st_size) + 1; !ended && error == 0; room *= 2) {
        bytes.resize_and_overwrite(room, [&](char* data, std::size_t capacity) {
            while (size < capacity) {
                const ssize_t got = ::read(fd.get(), data + size, capacity - size);
                if (got < 0 && errno == EINTR) continue;
                if (got < 0) error = errno;
                if (got <= 0) {
                    ended = true;
                    break;
                }
                size += static_cast<std::size_t>(got);
            }
            return size;
        });
    }
    if (error != 0) return failure(file, error);
    return bytes;
}

bool holdsAt(int directory, const std::string& name, std::string_view expected) {
    const auto bytes = readAt(directory, name.c_str(), name);
    return bytes && *bytes == expected;
}

// Writes `bytes` durably to a new file beside `file`, with the permissions of the file it
// replaces, and renames it over `file`. With `expected`, only over a file that still holds that
// once the new bytes are durable: false, with everything as it was, when it does not. The look
// comes right before the rename, so the write and the sync, which take long, are no time for
// another program's write to land unseen. (Trading the two files in one step would close the last
// instant too, but programs watching the file would see it taken away at every save.)
Expected<bool, FileSystemError> writeOver(const std::string& file, std::string_view bytes,
                                          std::optional<std::string_view> expected) {
    if (holdsNul(file)) return failure(file, EINVAL);
    const auto [parent, name] = splitParent(file);
    if (name.empty() || name == "." || name == "..") return failure(file, EISDIR);
    const Descriptor directory(openDirectory(parent));
    if (!directory.valid()) return failure(parent);

    // A replaced file keeps its permissions, except that its owner can always read and write what
    // was written (another program's file of mode 0 would otherwise make the map unreadable); a
    // new one gets the usual ones, less the umask.
    std::optional<mode_t> keptMode;
    struct stat existing;
    if (::fstatat(directory.get(), name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(existing.st_mode)) return failure(file, EISDIR);
        if (S_ISREG(existing.st_mode)) keptMode = (existing.st_mode & 07777) | S_IRUSR | S_IWUSR;
    }

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = TemporaryName::forSibling(name);
        fd = ::openat(directory.get(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return failure(file);
    }
    if (fd < 0) return failure(file, EEXIST);
    Descriptor output(fd);

    const auto discard = [&](int code) {
        ::unlinkat(directory.get(), temporary.c_str(), 0);
        return failure(file, code);
    };
    if (keptMode && ::fchmod(output.get(), *keptMode) != 0) return discard(errno);
    if (!writeAll(output.get(), bytes)) return discard(errno);
    if (::fsync(output.get()) != 0) return discard(errno);
    if (output.close() != 0) return discard(errno);
    const bool holds = !expected || holdsAt(directory.get(), name, *expected);
    if (holds && ::renameat(directory.get(), temporary.c_str(), directory.get(), name.c_str()) == 0) return true;
    if (!holds) {
        ::unlinkat(directory.get(), temporary.c_str(), 0);
        return false;
    }
    return discard(errno);
}

}  // namespace

Expected<std::vector<DirectoryEntry>, FileSystemError> PosixFileSystem::list(const std::string& directory) {
    if (holdsNul(directory)) return failure(directory, EINVAL);
    const int fd = openDirectory(directory);
    if (fd < 0) return failure(directory);
    DIR* stream = ::fdopendir(fd);
    if (!stream) {
        const int code = errno;
        ::close(fd);
        return failure(directory, code);
    }
    std::vector<DirectoryEntry> entries;
    int code = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(stream);
        if (!entry) {
            code = errno;
            break;
        }
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        EntryKind kind = EntryKind::other;
        switch (entry->d_type) {
        case DT_REG: kind = EntryKind::regularFile; break;
        case DT_DIR: kind = EntryKind::directory; break;
        case DT_LNK: kind = EntryKind::symbolicLink; break;
        case DT_UNKNOWN: {
            // Some file systems do not say; ask for the entry itself, never what a link points to.
            struct stat status;
            if (::fstatat(::dirfd(stream), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
            kind = kindOfMode(status.st_mode);
            break;
        }
        default: break;
        }
        entries.push_back({std::string(name), kind});
    }
    ::closedir(stream);
    if (code != 0) return failure(directory, code);
    return entries;
}

Expected<std::string, FileSystemError> PosixFileSystem::read(const std::string& file) {
    if (holdsNul(file)) return failure(file, EINVAL);
    return readAt(AT_FDCWD, file.c_str(), file);
}

Expected<void, FileSystemError> PosixFileSystem::writeAtomically(const std::string& file, std::string_view bytes) {
    if (auto written = writeOver(file, bytes, std::nullopt); !written) return Unexpected<FileSystemError>(written.error());
    return {};
}

Expected<bool, FileSystemError> PosixFileSystem::replaceIfHolding(const std::string& file, std::string_view bytes,
                                                                  std::string_view expected) {
    return writeOver(file, bytes, expected);
}

Expected<void, FileSystemError> PosixFileSystem::makeDirectory(const std::string& directory) {
    if (holdsNul(directory)) return failure(directory, EINVAL);
    if (::mkdir(directory.c_str(), 0777) != 0) return failure(directory);
    return {};
}

Expected<void, FileSystemError> PosixFileSystem::rename(const std::string& from, const std::string& to, Replace replace) {
    if (holdsNul(from) || holdsNul(to)) return failure(holdsNul(to) ? to : from, EINVAL);
    int result = 0;
    if (replace == Replace::yes) {
        result = ::rename(from.c_str(), to.c_str());
    } else {
        result = ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
        if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // The file system cannot refuse atomically. A plain rename never replaces a file by a
            // folder nor a folder that has anything in it, so a check just before is enough.
            struct stat existing;
            if (::lstat(to.c_str(), &existing) == 0) return failure(to, EEXIST);
            result = ::rename(from.c_str(), to.c_str());
        }
    }
    if (result != 0) {
        const int code = errno;
        const auto nameLength = [](const std::string& path) { return path.size() - path.find_last_of('/') - 1; };
        // A name too long is, nearly always, the new one.
        const bool aboutTarget = code == EEXIST || code == ENOTEMPTY || code == EISDIR ||
                                 (code == ENAMETOOLONG && nameLength(to) >= nameLength(from));
        return failure(aboutTarget ? to : from, code);
    }
    return {};
}

Expected<void, FileSystemError> PosixFileSystem::removeFile(const std::string& file) {
    if (holdsNul(file)) return failure(file, EINVAL);
    if (::unlink(file.c_str()) != 0) return failure(file);
    return {};
}

Expected<void, FileSystemError> PosixFileSystem::removeDirectory(const std::string& directory) {
    if (holdsNul(directory)) return failure(directory, EINVAL);
    if (::rmdir(directory.c_str()) != 0) return failure(directory, errno == EEXIST ? ENOTEMPTY : errno);
    return {};
}

Expected<void, FileSystemError> PosixFileSystem::syncDirectory(const std::string& directory) {
    if (holdsNul(directory)) return failure(directory, EINVAL);
    Descriptor fd(openDirectory(directory));
    if (!fd.valid()) return failure(directory);
    if (::fsync(fd.get()) != 0) return failure(directory);
    if (fd.close() != 0) return failure(directory);
    return {};
}

}  // namespace velk
