#pragma once

// A fresh folder below the test temporary directory, removed with everything in it when the
// test ends, passed or failed; and the two file helpers tests on the real disk need.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace velk::testing_support {

class TempFolder {
public:
    explicit TempFolder(const std::string& purpose)
        : m_path(::testing::TempDir() + "velk_" + purpose + "_" + std::to_string(::getpid()) + "_" + std::to_string(++s_made)) {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    [[nodiscard]] const std::string& path() const noexcept { return m_path; }
    [[nodiscard]] std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    static inline int s_made = 0;
    std::string m_path;
};

inline void put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
// Read in blocks: e2e cases poll multi-megabyte maps with it, on the thread velk draws on.
inline std::string contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    if (in) bytes << in.rdbuf();
    return std::move(bytes).str();
}

}  // namespace velk::testing_support
