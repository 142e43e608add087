#include "RecentMapList.h"

#include "document/PackagePlacement.h"
#include "package/MapNaming.h"
#include "start/StartGrid.h"
#include "trace/Trace.h"

#include <glibmm/convert.h>
#include <glibmm/fileutils.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <unordered_set>

namespace velk {
namespace {

constexpr const char* applicationName = "velk";

bool isPackagePath(std::string_view path) { return PackagePlacement::isPackageName(PackagePlacement::lastComponent(path)); }

std::string uriOf(const std::string& path) {
    try {
        return Glib::filename_to_uri(path);
    } catch (const Glib::Error&) {
        return {};
    }
}

std::string pathOf(const Glib::ustring& uri) {
    try {
        return Glib::filename_from_uri(uri);
    } catch (const Glib::Error&) {
        return {};
    }
}

}  // namespace

std::optional<TimePoint> lastWritten(std::string_view package) {
    const auto timeOf = [](const struct stat& status) {
        return std::chrono::system_clock::from_time_t(status.st_mtim.tv_sec) +
               std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::nanoseconds(status.st_mtim.tv_nsec));
    };
    struct stat status {};
    if (::stat(std::string(package).c_str(), &status) != 0) return std::nullopt;
    TimePoint newest = timeOf(status);
    // Every file velk writes is renamed into its folder, which that changes: the newest folder is
    // the last save, a submap's included. A few hundred folders are plenty for any map.
    std::error_code error;
    int folders = 0;
    for (std::filesystem::recursive_directory_iterator entry(package, error), end; !error && entry != end && folders < 500;
         entry.increment(error)) {
        if (!entry->is_directory(error) || entry->is_symlink(error)) continue;
        ++folders;
        if (::lstat(entry->path().c_str(), &status) == 0) newest = std::max(newest, timeOf(status));
    }
    return newest;
}

bool isSoundRecentList(const std::string& file) {
    struct stat status {};
    if (file.empty() || ::stat(file.c_str(), &status) != 0 || status.st_size == 0) return true;
    GBookmarkFile* list = g_bookmark_file_new();
    GError* error = nullptr;
    const bool sound = g_bookmark_file_load_from_file(list, file.c_str(), &error);
    if (!sound) {
        trace([&] { return "recent maps: " + file + " cannot be read, so velk leaves it alone: " + error->message; });
        g_error_free(error);
    }
    g_bookmark_file_free(list);
    return sound;
}

bool RecentMapList::mayWrite() const {
    gchar* file = nullptr;
    g_object_get(m_manager->gobj(), "filename", &file, nullptr);
    const bool sound = isSoundRecentList(file ? file : "");
    g_free(file);
    return sound;
}

std::vector<std::string> recentPackages(std::vector<RecentFile> files) {
    std::ranges::stable_sort(files, std::greater<>(), &RecentFile::modified);
    std::vector<std::string> packages;
    for (auto& file : files) {
        std::string path = PackagePlacement::withoutTrailingSlash(file.path);
        if (!path.empty() && isPackagePath(path)) packages.push_back(std::move(path));
    }
    return packages;
}

RecentMapList::RecentMapList(Glib::RefPtr<Gtk::RecentManager> manager) : m_manager(std::move(manager)) {}

void RecentMapList::add(const std::string& package) {
    const std::string uri = uriOf(package);
    if (uri.empty() || !mayWrite()) return;
    Gtk::RecentManager::Data data;
    data.display_name = MapNaming::displayName(PackagePlacement::lastComponent(package));
    data.mime_type = "inode/directory";
    data.app_name = applicationName;
    data.app_exec = std::string(applicationName) + " %u";
    data.is_private = false;
    m_manager->add_item(uri, data);
}

void RecentMapList::moved(const std::string& from, const std::string& to) {
    if (!mayWrite()) return;
    // An entry that is not in the list has nothing to take out.
    if (const std::string uri = uriOf(from); !uri.empty()) gtk_recent_manager_remove_item(m_manager->gobj(), uri.c_str(), nullptr);
    add(to);
}

std::vector<RecentMapList::Entry> RecentMapList::entries() const {
    // Read through GTK's own calls: the wrapped modification time is released once too often.
    std::vector<Entry> entries;
    GList* items = gtk_recent_manager_get_items(m_manager->gobj());
    for (GList* item = items; item; item = item->next) {
        auto* info = static_cast<GtkRecentInfo*>(item->data);
        GDateTime* modified = gtk_recent_info_get_modified(info);
        // To the microsecond: maps opened together (a session brought back) would tie by the second.
        const std::int64_t microseconds = modified ? g_date_time_to_unix(modified) * 1'000'000 + g_date_time_get_microsecond(modified) : 0;
        entries.push_back({gtk_recent_info_get_uri(info), {pathOf(gtk_recent_info_get_uri(info)), microseconds},
                           static_cast<bool>(gtk_recent_info_has_application(info, applicationName))});
    }
    g_list_free_full(items, reinterpret_cast<GDestroyNotify>(gtk_recent_info_unref));
    return entries;
}

std::vector<RecentMap> RecentMapList::rows(std::string_view home) const {
    std::vector<RecentFile> files;
    for (auto& entry : entries()) files.push_back(std::move(entry.file));
    const auto exists = [](std::string_view path) { return Glib::file_test(std::string(path), Glib::FileTest::IS_DIR); };
    return RecentMaps::rows(recentPackages(std::move(files)), home, exists, lastWritten);
}

void RecentMapList::remove(const std::string& package) {
    if (!mayWrite()) return;
    std::vector<std::string> paths;
    const auto listed = entries();
    for (const auto& entry : listed) paths.push_back(entry.file.path);
    const auto recents = StartGrid::recents(paths, package);
    // A set: the list holds every program's files, thousands of them.
    const std::unordered_set<std::string> kept(recents.begin(), recents.end());
    for (const auto& entry : listed) {
        if (entry.file.path.empty() || kept.contains(entry.file.path)) continue;
        gtk_recent_manager_remove_item(m_manager->gobj(), entry.uri.c_str(), nullptr);
    }
}

void RecentMapList::clear() {
    if (!mayWrite()) return;
    for (const auto& entry : entries()) {
        if (!isPackagePath(entry.file.path) && !entry.addedByVelk) continue;
        gtk_recent_manager_remove_item(m_manager->gobj(), entry.uri.c_str(), nullptr);
    }
}

}  // namespace velk
