#pragma once

// Passes every call on to another FileSystem, except the calls it is told to fail: one chosen
// call, every call from a chosen one on (the program died there), or every call naming a path.
// A failed call does nothing and reports an input/output error. It also keeps a log of the calls
// that went through, "write <path>", "sync <path>", and so on. One thread only.

#include "platform/FileSystem.h"

#include <cerrno>
#include <optional>
#include <functional>
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
    void heal() { m_failCall.reset(), m_dieAt.reset(), m_failPaths.clear(), m_calls = 0; }
    [[nodiscard]] std::size_t calls() const noexcept { return m_calls; }
    [[nodiscard]] const std::vector<std::string>& log() const noexcept { return m_log; }
    void clearLog() { m_log.clear(); }
    // Run before every call that is not failed, and after every call that went through, as
    // another program working meanwhile would.
    std::function<void(const std::string& call, const std::string& path)> before, after;

    Expected<std::vector<DirectoryEntry>, FileSystemError> list(const std::string& path) override {
        return pass("list", path, [&] { return m_inner.list(path); });
    }
    Expected<std::string, FileSystemError> read(const std::string& path) override {
        return pass("read", path, [&] { return m_inner.read(path); });
    }
    Expected<void, FileSystemError> writeAtomically(const std::string& path, std::string_view bytes) override {
        return pass("write", path, [&] { return m_inner.writeAtomically(path, bytes); });
    }
    Expected<bool, FileSystemError> replaceIfHolding(const std::string& path, std::string_view bytes,
                                                     std::string_view expected) override {
        return pass("write", path, [&] { return m_inner.replaceIfHolding(path, bytes, expected); });
    }
    Expected<void, FileSystemError> makeDirectory(const std::string& path) override {
        return pass("mkdir", path, [&] { return m_inner.makeDirectory(path); });
    }
    Expected<void, FileSystemError> rename(const std::string& from, const std::string& to, Replace replace) override {
        return pass("rename", from, [&] { return m_inner.rename(from, to, replace); }, to);
    }
    Expected<void, FileSystemError> removeFile(const std::string& path) override {
        return pass("remove", path, [&] { return m_inner.removeFile(path); });
    }
    Expected<void, FileSystemError> removeDirectory(const std::string& path) override {
        return pass("rmdir", path, [&] { return m_inner.removeDirectory(path); });
    }
    Expected<void, FileSystemError> syncDirectory(const std::string& path) override {
        return pass("sync", path, [&] { return m_inner.syncDirectory(path); });
    }

private:
    // Fails the call, or makes it and logs it when it went through. A rename also fails when the
    // name it goes to is one that fails.
    template <class Call>
    auto pass(const char* what, const std::string& path, Call call, const std::string& to = {}) -> decltype(call()) {
        const std::size_t number = m_calls++;
        if (number == m_failCall || (m_dieAt && number >= *m_dieAt) || m_failPaths.contains(path) || m_failPaths.contains(to))
            return Unexpected<FileSystemError>(FileSystemError(FileSystemError::Failed{EIO}, path));
        if (before) before(what, path);
        auto result = call();
        if (result) m_log.push_back(std::string(what) + " " + path + (to.empty() ? "" : " " + to));
        if (result && after) after(what, path);
        return result;
    }

    FileSystem& m_inner;
    std::optional<std::size_t> m_failCall, m_dieAt;
    std::set<std::string> m_failPaths;
    std::size_t m_calls = 0;
    std::vector<std::string> m_log;
};

}  // namespace velk::testing_support
