// The desktop app's decisions that need no window: what closing a window does, which folder a
// path opens, the help page, the page alert, the scheme of a view's URL, the recent packages and
// the start window's symbols.

#include "app/ClosingStep.h"
#include "app/HelpPages.h"
#include "app/OpenTarget.h"
#include "app/PageAlert.h"
#include "app/RecentMapList.h"
#include "platform/PosixFileSystem.h"
#include "platform/TempFolder.h"
#include "platform/WebKitWebViewBinding.h"
#include "start/StartSymbols.h"

#include <gtest/gtest.h>

#include <set>

namespace velk {
namespace {

TEST(ClosingStep, OnlyADraftWithContentHoldsTheWindow) {
    const std::tuple<bool, bool, bool, ClosingStep> cases[] = {
        {false, false, false, ClosingStep::writeThenClose}, {false, true, true, ClosingStep::writeThenClose},
        {true, false, false, ClosingStep::discardThenClose}, {true, true, false, ClosingStep::askWhereToSave},
        {true, true, true, ClosingStep::askWhereToSave},
    };
    for (const auto& [draft, edited, unsaved, step] : cases)
        EXPECT_EQ(closingStep(DocumentStatus{"Trip", "/maps/Trip.velk", draft, edited, unsaved}), step)
            << draft << edited << unsaved;
}

TEST(OpenTarget, PackagesByTheirFolderOrTheirMapCanvasNothingElse) {
    const std::set<std::string> existing{"/maps/Trip.velk/map.canvas", "/notes/plain/map.canvas"};
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"/maps/Trip.velk", "/maps/Trip.velk"}, {"/maps/Trip.velk/", "/maps/Trip.velk"},
        {"/maps/Trip.velk/map.canvas", "/maps/Trip.velk"}, {"/maps/New.VELK", "/maps/New.VELK"},
        {"/notes/plain/map.canvas", "/notes/plain"}, {"/notes/plain", "/notes/plain"}, {"/home/someone", std::nullopt},
        {"/home/someone/", std::nullopt}, {"/maps/.velk", std::nullopt}, {"/maps/report.pdf", std::nullopt},
        {"/", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& [path, folder] : cases)
        EXPECT_EQ(packageToOpen(path, [&](const std::string& probe) { return existing.contains(probe); }), folder) << path;
}

TEST(HelpPages, TheShortcutsPageSitsAtTheServiceRoot) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"https://share.velk.example/", "https://share.velk.example/shortcuts/"},
        {"https://share.example.org/velk/api/", "https://share.example.org/shortcuts/"},
        {"http://share.example:8080/", "http://share.example:8080/shortcuts/"},
        {"https://share.example?x=1", "https://share.example/shortcuts/"}, {"https:///", std::nullopt},
        {"ftp://share.example/", std::nullopt}, {"share.example/", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& [base, page] : cases) EXPECT_EQ(HelpPages::shortcuts(base), page) << base;
}

TEST(PageAlert, AMissingPageIsToldWithTheBundleMessageAPresentOneOpensTheWindow) {
    testing_support::TempFolder resources{"page-alert"};
    PosixFileSystem fileSystem;
    auto alert = pageAlert(EditorBundle::html(resources.path(), fileSystem));
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->detail, EditorBundle::Failure::missing().description());
    EXPECT_FALSE(alert->heading.empty());
    testing_support::put(resources / std::string(EditorBundle::pageName), "<!doctype html>");
    EXPECT_EQ(pageAlert(EditorBundle::html(resources.path(), fileSystem)), std::nullopt);
}

// Messages are accepted only from velk-app pages, so odd spellings must not fool the scheme.
TEST(WebKitWebViewBindingScheme, ReadsTheSchemeOfAURL) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"velk-app://editor/index.html", "velk-app"}, {"VELK-APP://editor/", "velk-app"},
        {"https://velk-app.example/", "https"}, {"about:blank", "about"}, {"velk-app", std::nullopt},
        {":velk-app//", std::nullopt}, {"1velk:x", std::nullopt}, {"velk app://x", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& [url, scheme] : cases) EXPECT_EQ(WebKitWebViewBinding::schemeOf(url), scheme) << url;
}

// The desktop's list holds anybody's files; the rows are made from velk's packages, newest first.
TEST(RecentPackages, VelkPackagesNewestFirstAsTheListNamesThem) {
    const std::vector<RecentFile> files{
        {"/maps/Old.velk", 100}, {"/maps/Trip.velk/", 300}, {"/maps/Trip.velk", 200}, {"/maps/notes", 500},
        {"", 600},               {"/maps/Plan.VELK", 250},  {"/maps/.velk", 700},     {"/maps/report.pdf", 800},
    };
    EXPECT_EQ(recentPackages(files),
              (std::vector<std::string>{"/maps/Trip.velk", "/maps/Plan.VELK", "/maps/Trip.velk", "/maps/Old.velk"}));
}

TEST(StartSymbols, EachShippedTemplateHasAFaceOfItsOwn) {
    std::set<std::string_view> faces;
    for (std::string_view id : {"scratch", "wardley", "estuarine", "multiverse", "anything else"})
        faces.insert(StartSymbols::forTemplate(id));
    EXPECT_EQ(faces.size(), 5u);
    EXPECT_EQ(StartSymbols::forTemplate("scratch"), StartSymbols::newMap);
}

}  // namespace
}  // namespace velk
