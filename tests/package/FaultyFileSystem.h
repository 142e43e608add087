#pragma once

// Passes every call on to another FileSystem, except the calls it is told to fail: one chosen
// call, every call from a chosen one on (the program died there), or every call naming a path.
// A failed call does nothing and reports an input/output error. It also keeps a log of the calls
// that went through, "write <path>", "sync <path>", and so on.
//
// One thread only.

#include "platform/FileSystem.h"

#include <cerrno>
#include <optional>
#include <set>

namespace velk::testing_support {

class FaultyFileSystem final : public FileSystem {
public:
    explicit FaultyFileSystem(FileSystem& inner) : m_inner(inner) {}

    // Call number `n`, counting from 0 at the last heal(), fails.
    void failCall(std::size_t n) { m_failCall = n; }
    // Call number `n` and every one after it fail.
    void dieAtCall(std::size_t n) { m_dieAt = n; }
    void failPath(std::string path) { m_failPaths.insert(std::move(path)); }
    void heal() {
        m_failCall.reset();
        m_dieAt.reset();
        m_failPaths.clear();
        m_calls = 0;
    }
    [[nodiscard]] std::size_t calls() const noexcept { return m_calls; }
    [[nodiscard]] const std::vector<std::string>& log() const noexcept { return m_log; }
    void clearLog() { m_log.clear(); }

    Expected<std::vector<DirectoryEntry>, FileSystemError> list(const std::string& path) override {
        if (fails(path)) return failure(path);
        return passed("list " + path, m_inner.list(path));
    }
    Expected<std::string, FileSystemError> read(const std::string& path) override {
        if (fails(path)) return failure(path);
        return passed("read " + path, m_inner.read(path));
    }
    Expected<void, FileSystemError> writeAtomically(const std::string& path, std::string_view bytes) override {
        if (fails(path)) return failure(path);
        return passed("write " + path, m_inner.writeAtomically(path, bytes));
    }
    Expected<void, FileSystemError> makeDirectory(const std::string& path) override {
        if (fails(path)) return failure(path);
        return passed("mkdir " + path, m_inner.makeDirectory(path));
    }
    Expected<void, FileSystemError> rename(const std::string& from, const std::string& to, Replace replace) override {
        if (fails(from) || m_failPaths.contains(to)) return failure(from);
        return passed("rename " + from + " " + to, m_inner.rename(from, to, replace));
    }
    Expected<void, FileSystemError> removeFile(const std::string& path) override {
        if (fails(path)) return failure(path);
        return passed("remove " + path, m_inner.removeFile(path));
    }
    Expected<void, FileSystemError> removeDirectory(const std::string& path) override {
        if (fails(path)) return failure(path);
        return passed("rmdir " + path, m_inner.removeDirectory(path));
    }
    Expected<void, FileSystemError> syncDirectory(const std::string& path) override {
        if (fails(path)) return failure(path);
        return passed("sync " + path, m_inner.syncDirectory(path));
    }

private:
    bool fails(const std::string& path) {
        const std::size_t call = m_calls++;
        return call == m_failCall || (m_dieAt && call >= *m_dieAt) || m_failPaths.contains(path);
    }
    static Unexpected<FileSystemError> failure(const std::string& path) {
        return Unexpected<FileSystemError>(FileSystemError(FileSystemError::Failed{EIO}, path));
    }
    template <class Result>
    Result passed(std::string entry, Result result) {
        if (result) m_log.push_back(std::move(entry));
        return result;
    }

    FileSystem& m_inner;
    std::optional<std::size_t> m_failCall;
    std::optional<std::size_t> m_dieAt;
    std::set<std::string> m_failPaths;
    std::size_t m_calls = 0;
    std::vector<std::string> m_log;
};

}  // namespace velk::testing_support
