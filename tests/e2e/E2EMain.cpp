// The e2e test program's entry. Each run gets homes of its own for configuration, data, cache
// and state, so nothing the app or WebKit writes touches the user's, and tests running in
// parallel do not share them either.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class IsolatedHomes final : public ::testing::Environment {
public:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "velk_e2e_homes_XXXXXX";
        if (!::mkdtemp(pattern.data())) FAIL() << "cannot make a folder in " << ::testing::TempDir();
        m_root = pattern;
        for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
            const std::string home = m_root + "/" + variable;
            std::filesystem::create_directories(home);
            ::setenv(variable, home.c_str(), 1);
        }
    }
    void TearDown() override {
        std::error_code ignored;
        if (!m_root.empty()) std::filesystem::remove_all(m_root, ignored);
    }

private:
    std::string m_root;
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new IsolatedHomes);
    return RUN_ALL_TESTS();
}
