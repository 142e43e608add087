// The desktop app's decisions that need no window.

#include "app/ClosingStep.h"
#include "app/EditedMark.h"
#include "app/HelpPages.h"
#include "app/MainMenu.h"
#include "app/OpenTarget.h"
#include "app/PageAlert.h"
#include "app/RecentMapList.h"
#include "app/WindowSizeMemory.h"
#include "document/RenamePlan.h"
#include "platform/JSONFileDefaults.h"
#include "platform/ManualMainQueue.h"
#include "platform/PosixFileSystem.h"
#include "platform/TempFolder.h"
#include "platform/WebKitWebViewBinding.h"

#include <glibmm/fileutils.h>
#include <gtk/gtk.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

namespace velk {
namespace {

using namespace std::chrono_literals;
using testing_support::TempFolder;
namespace fs = std::filesystem;

TEST(RenamePlan, SavedMapsMoveToThePackageOfTheSafeTypedNameDraftsOnlyChangeTheirName) {
    const std::set<std::string> taken{"/maps/Trip.velk", "/maps/Taken.velk"};
    const std::optional<std::string_view> saved = "/maps/Trip.velk", draft;
    const auto refused = [](const char* why) { return Unexpected(RenameError{why}); };
    const std::tuple<std::string, std::optional<std::string_view>, Expected<RenamePlan, RenameError>> cases[] = {
        {"a/b:c", saved, RenamePlan{"a-b-c", "/maps/a-b-c.velk"}},
        {"  Plan.velk  ", saved, RenamePlan{"Plan", "/maps/Plan.velk"}},
        {"Plan.canvas.velk", saved, RenamePlan{"Plan", "/maps/Plan.velk"}},
        {"../Up", saved, RenamePlan{"..-Up", "/maps/..-Up.velk"}},
        {std::string("Estuary\0x", 9), saved, RenamePlan{"Estuary-x", "/maps/Estuary-x.velk"}} /* once "/maps/Estuary" */,
        {"Trip.velk", "/maps/Trip.velk/", RenamePlan{"Trip", std::nullopt}},
        {"Taken: the sequel", draft, RenamePlan{"Taken- the sequel", std::nullopt}},
        {" \t ", saved, refused("a map needs a name")},
        {"   ", draft, refused("a map needs a name")},
        {"Taken.velk", saved, refused("a map called \u201cTaken\u201d already exists there")},
    };
    for (const auto& [typed, current, plan] : cases)
        EXPECT_EQ(planRename(typed, current, [&](const std::string& path) { return taken.contains(path); }), plan)
            << typed;
}

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
        EXPECT_EQ(packageToOpen(path, [&](const std::string& probe) { return existing.contains(probe); }), folder)
            << path;
}

// Changes written within the grace period never mark the window; a draft holding anything is
// marked at once.
TEST(EditedMark, ChangesLeftUnwrittenPastTheGraceMarkTheWindowUntilWritten) {
    testing_support::ManualMainQueue queue;
    int calls = 0;
    EditedMark mark{queue, [&] { ++calls; }};
    DocumentStatus status{"Trip", "/maps/Trip.velk", false, false, false};
    const auto set = [&](bool unsaved) {
        status.unsavedChanges = unsaved;
        status.edited = status.edited || unsaved;
        mark.update(status);
    };
    set(true);
    queue.advanceBy(1000ms);
    set(false);
    queue.advanceBy(EditedMark::grace);
    EXPECT_FALSE(mark.shown());
    EXPECT_EQ(queue.pending(), 0u);
    set(true);
    queue.advanceBy(EditedMark::grace - 1ms);
    set(true);  // a later change does not restart the grace period
    EXPECT_FALSE(mark.shown());
    queue.advanceBy(1ms);
    EXPECT_TRUE(mark.shown());
    EXPECT_EQ(calls, 1);
    set(false);
    EXPECT_FALSE(mark.shown());
    EXPECT_EQ(editorWindowTitle(status, false), "Trip");
    EXPECT_EQ(editorWindowTitle(status, true), "Trip \u2014 Edited");

    status = {"Untitled", "/drafts/Untitled.velk", true, false, false};
    set(false);
    EXPECT_FALSE(mark.shown());
    set(true);
    set(false);
    EXPECT_TRUE(mark.shown());
}

struct SizeRig {
    TempFolder folder{"window_size"};
    PosixFileSystem disk;
    JSONFileDefaults defaults{disk, folder / "velk/defaults.json"};
    WindowSizeMemory memory{defaults};
    [[nodiscard]] std::optional<std::string> stored() { return defaults.string(WindowSizeMemory::key); }
};

TEST(WindowSizeMemory, TheFirstWindowTakesTheRememberedSizeAndOnlyItWritesItsOwn) {
    using Opening = WindowSizeMemory::Opening;
    SizeRig rig;
    rig.defaults.setString(WindowSizeMemory::key, "900 700");
    const Opening first = rig.memory.open();
    EXPECT_EQ(first, (Opening{{900, 700}, true, true}));
    const Opening second = rig.memory.open();
    EXPECT_EQ(second, (Opening{{1200, 800}, false, false}));
    rig.memory.close(second, WindowSize{1000, 600});
    EXPECT_EQ(rig.stored(), "900 700");
    rig.memory.close(first, std::nullopt);  // closed without a size: the old one stays
    EXPECT_EQ(rig.stored(), "900 700");
    const Opening third = rig.memory.open();
    EXPECT_TRUE(third.holdsMemory);
    rig.memory.close(third, WindowSize{1024, 768});
    EXPECT_EQ(rig.memory.open(), (Opening{{1024, 768}, true, true}));
}

TEST(WindowSizeMemory, CollapsedDamagedOrMissingSizesGiveTheDefault) {
    const std::pair<std::optional<std::string>, bool> cases[] = {
        {std::nullopt, false}, {"480 320", false}, {"480 900", false}, {"900 320", false},
        {"481 321", true},     {"", false},        {"900 700 5", false}, {"-900 700", false},
        {"99999 700", false},  {"9x7", false},
    };
    for (const auto& [stored, restored] : cases) {
        SCOPED_TRACE(stored.value_or("(none)"));
        SizeRig rig;
        if (stored) rig.defaults.setString(WindowSizeMemory::key, *stored);
        const auto opening = rig.memory.open();
        EXPECT_TRUE(opening.holdsMemory);
        EXPECT_EQ(opening.restored, restored);
        if (!restored) { EXPECT_EQ(opening.size, (WindowSize{1200, 800})); }
    }
}

// The page is the share service's, below its base; only a web address with a host has one.
TEST(HelpPages, TheShortcutsPageSitsBelowTheServiceBase) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"https://share.example.org/velk/?x#y", "https://share.example.org/velk/shortcuts/"}, {"https://share.example.org", "https://share.example.org/shortcuts/"},
        {"http://share.example:8080/", "http://share.example:8080/shortcuts/"}, {"https:///", std::nullopt},
        {"ftp://share.example/", std::nullopt}, {"share.example/", std::nullopt}, {"https://", std::nullopt},
    };
    for (const auto& [base, page] : cases) EXPECT_EQ(HelpPages::shortcuts(base), page) << base;
}

// Without the editor page a window would open blank; velk says why instead.
TEST(PageAlert, AMissingPageIsToldAPresentOneOpensTheWindow) {
    TempFolder resources{"page-alert"};
    PosixFileSystem fileSystem;
    EXPECT_TRUE(pageAlert(EditorBundle::html(resources.path(), fileSystem)));
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

// GTK reads a damaged list file as empty; velk's next entry was once written over every other
// program's.
TEST(RecentMapList, OnlyASoundMissingOrEmptyListFileMayBeWritten) {
    TempFolder folder{"recent_list"};
    const std::string entry = "<bookmark href=\"file:///notes/report.pdf\" added=\"2026-01-01T00:00:00Z\" "
                              "modified=\"2026-01-01T00:00:00Z\" visited=\"2026-01-01T00:00:00Z\"/>\n";
    const std::string sound = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xbel version=\"1.0\">\n" + entry + "</xbel>\n";
    const std::tuple<const char*, std::optional<std::string>, bool> cases[] = {
        {"missing", std::nullopt, true},
        {"empty", "", true},
        {"sound", sound, true},
        {"cut short", sound.substr(0, sound.size() - 9), false},
        {"an entry twice", "<?xml version=\"1.0\"?>\n<xbel version=\"1.0\">\n" + entry + entry + "</xbel>\n", false},
    };
    for (const auto& [name, text, writable] : cases) {
        const std::string file = folder.path() + "/" + name + ".xbel";
        if (text) Glib::file_set_contents(file, *text);
        EXPECT_EQ(isSoundRecentList(file), writable) << name;
    }
}

// A card said "Edited 2 months ago" of a map whose submap was saved a minute before.
TEST(RecentMapList, AMapWasLastWrittenWhenItsNewestFolderWas) {
    TempFolder folder{"last_written"};
    const std::string package = folder.path() + "/Trip.velk";
    fs::create_directories(package + "/map/plan");
    const auto at = [](int days) { return fs::file_time_type::clock::now() - std::chrono::days(days); };
    fs::last_write_time(package, at(60));
    fs::last_write_time(package + "/map", at(50));
    fs::last_write_time(package + "/map/plan", at(1));
    const auto written = lastWritten(package);
    ASSERT_TRUE(written);
    const auto age = std::chrono::duration_cast<std::chrono::hours>(std::chrono::system_clock::now() - *written);
    EXPECT_EQ(age.count(), 24);
    EXPECT_FALSE(lastWritten(folder.path() + "/Gone.velk"));
}

// Open Recent once showed the map "Q3_plan_v2" as "Q3planv2".
TEST(MainMenu, ItemsNamedAfterMapsShowEveryUnderscore) {
    for (const auto& [name, label] : {std::pair{"Q3_plan", "Q3__plan"}, {"_x", "__x"}, {"a__b", "a____b"}, {"Trip", "Trip"}})
        EXPECT_EQ(MainMenu::literalLabel(name), label) << name;
}

// The app registers every key the menu shows but the Edit keys, which are the page's, and each is a
// Ctrl key GTK can read (anything else would be a dead entry).
TEST(MainMenu, TheAppRegistersEveryShownKeyButThePagesAsCtrlKeysGTKReads) {
    std::map<std::string, std::vector<std::string>> shown, registered;
    for (const auto& entry : MainMenu::entries())
        if (!entry.keys.empty() && !entry.keysBelongToPage) shown[std::string(entry.action)] = {std::string(entry.keys)};
    for (const auto& accelerator : MainMenu::accelerators())
        for (const auto& keys : accelerator.keys) registered[accelerator.action].push_back(keys);
    for (auto& [action, keys] : registered) {
        for (const auto& key : keys) {
            guint keyval = 0;
            GdkModifierType modifiers{};
            EXPECT_TRUE(gtk_accelerator_parse(key.c_str(), &keyval, &modifiers) && (modifiers & GDK_CONTROL_MASK)) << key;
        }
        keys.resize(1);  // further keys are spares for keyboards that spell the key otherwise
    }
    EXPECT_EQ(registered, shown);
}

}  // namespace
}  // namespace velk
