// The e2e test program's entry. Each run gets homes of its own for configuration, data, cache
// and state, so nothing the app or WebKit writes touches the user's, and tests running in
// parallel do not share them either.

#include "platform/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const velk::testing_support::TempFolder homes("e2e_homes");
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
        std::filesystem::create_directories(homes / variable);
        ::setenv(variable, (homes / variable).c_str(), 1);
    }
    return RUN_ALL_TESTS();
}
