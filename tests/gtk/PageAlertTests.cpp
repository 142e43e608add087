#include "app/PageAlert.h"

#include "platform/PosixFileSystem.h"
#include "platform/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace velk {
namespace {

using testing_support::TempFolder;

TEST(PageAlert, MissingPageIsToldWithTheBundleMessage) {
    TempFolder resources{"page-alert"};
    PosixFileSystem fileSystem;
    auto alert = pageAlert(EditorBundle::html(resources.path(), fileSystem));
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->detail, EditorBundle::Failure::missing().description());
    EXPECT_FALSE(alert->heading.empty());
}

TEST(PageAlert, PresentPageOpensTheWindow) {
    TempFolder resources{"page-alert"};
    std::ofstream(resources / std::string(EditorBundle::pageName)) << "<!doctype html>";
    PosixFileSystem fileSystem;
    EXPECT_EQ(pageAlert(EditorBundle::html(resources.path(), fileSystem)), std::nullopt);
}

}  // namespace
}  // namespace velk
