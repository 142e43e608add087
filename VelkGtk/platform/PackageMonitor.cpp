#include "PackageMonitor.h"

#include "platform/TemporaryName.h"

#include <filesystem>
#include <utility>

namespace velk {

namespace {

std::string baseName(GFile* file) {
    if (!file) return {};
    char* name = g_file_get_basename(file);
    std::string result = name ? name : "";
    g_free(name);
    return result;
}

std::string pathOf(GFile* file) {
    char* path = g_file_get_path(file);
    std::string result = path ? path : "";
    g_free(path);
    return result;
}

bool isRealDirectory(const std::string& path) {
    std::error_code error;
    return std::filesystem::symlink_status(path, error).type() == std::filesystem::file_type::directory;
}

// The file an event leaves behind: the new name of a rename, else the file itself.
GFile* resultingFile(GFile* file, GFile* other, GFileMonitorEvent event) {
    return (event == G_FILE_MONITOR_EVENT_RENAMED || event == G_FILE_MONITOR_EVENT_MOVED_OUT) && other ? other : file;
}

}  // namespace

PackageMonitor::PackageMonitor(std::string folder, MainQueue& mainQueue, std::chrono::milliseconds settle,
                               Changed changed)
    : m_folder(std::move(folder)), m_mainQueue(mainQueue), m_settle(settle), m_changed(std::move(changed)) {
    while (m_folder.size() > 1 && m_folder.ends_with('/')) m_folder.pop_back();
    const std::filesystem::path path(m_folder);
    m_parent = path.has_parent_path() ? path.parent_path().string() : ".";
    m_name = path.filename().string();
    watchEverything();
}

PackageMonitor::~PackageMonitor() {
    if (m_settling) m_mainQueue.cancel(*m_settling);
    stopWatching();
}

void PackageMonitor::watchEverything() {
    stopWatching();
    watch(m_parent);
    watchTree(m_folder);
}

void PackageMonitor::watchTree(const std::string& folder) {
    watch(folder);
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string path = entry->path().string();
        if (!TemporaryName::isTemporary(entry->path().filename().string()) && isRealDirectory(path)) watchTree(path);
    }
}

void PackageMonitor::watch(const std::string& folder) {
    if (m_monitors.contains(folder)) return;
    GFile* file = g_file_new_for_path(folder.c_str());
    GFileMonitor* monitor = g_file_monitor_directory(file, G_FILE_MONITOR_WATCH_MOVES, nullptr, nullptr);
    g_object_unref(file);
    // A folder that cannot be watched (gone already, out of watches) is still reread whenever
    // anything else reports a change.
    if (!monitor) return;
    g_signal_connect(monitor, "changed", G_CALLBACK(eventArrived), this);
    m_monitors.emplace(folder, GObjectHolder<GFileMonitor>::adopt(monitor));
}

void PackageMonitor::stopWatching() {
    for (auto& [folder, monitor] : m_monitors) {
        g_signal_handlers_disconnect_by_data(monitor.get(), this);
        g_file_monitor_cancel(monitor.get());
    }
    m_monitors.clear();
}

void PackageMonitor::eventArrived(GFileMonitor* monitor, GFile* file, GFile* other, GFileMonitorEvent event,
                                  gpointer self) {
    auto* packageMonitor = static_cast<PackageMonitor*>(self);
    const bool fromParent = packageMonitor->isParent(monitor);
    if (!packageMonitor->matters(fromParent, file, other, event)) return;
    packageMonitor->note(file, fromParent);
    if (other) packageMonitor->note(other, fromParent);
    // A folder made inside the package is watched at once, so what lands in it next is seen.
    const std::string landed = pathOf(resultingFile(file, other, event));
    const bool inside = landed.size() > packageMonitor->m_folder.size() &&
                        landed.starts_with(packageMonitor->m_folder + "/");
    if (inside && isRealDirectory(landed)) packageMonitor->watchTree(landed);
    packageMonitor->restartSettling();
}

void PackageMonitor::note(GFile* file, bool fromParent) {
    const std::string path = pathOf(file);
    const std::string prefix = m_folder + "/";
    // A folder that is gone is known by its watch.
    const bool folder = isRealDirectory(path) || m_monitors.contains(path);
    if (fromParent || !path.starts_with(prefix) || folder) {
        // The package as a whole, a folder, or something outside it: only a full look will do.
        if (fromParent || path.starts_with(prefix) || path == m_folder) m_touched.everything = true;
        return;
    }
    std::string relative = path.substr(prefix.size());
    const std::size_t slash = relative.rfind('/');
    if (!TemporaryName::isTemporary(slash == std::string::npos ? relative : relative.substr(slash + 1)))
        m_touched.paths.insert(std::move(relative));
}

bool PackageMonitor::isParent(GFileMonitor* monitor) const {
    const auto parent = m_monitors.find(m_parent);
    return parent != m_monitors.end() && parent->second.get() == monitor && m_parent != m_folder;
}

bool PackageMonitor::matters(bool fromParent, GFile* file, GFile* other, GFileMonitorEvent event) const {
    if (event == G_FILE_MONITOR_EVENT_ATTRIBUTE_CHANGED || event == G_FILE_MONITOR_EVENT_CHANGES_DONE_HINT) return false;
    if (fromParent) {
        // The folder holding the package: only the package's own name matters there.
        return baseName(file) == m_name || baseName(other) == m_name;
    }
    const bool fileIsTemporary = TemporaryName::isTemporary(baseName(file));
    const bool otherIsTemporary = !other || TemporaryName::isTemporary(baseName(other));
    return !(fileIsTemporary && otherIsTemporary);
}

void PackageMonitor::restartSettling() {
    if (m_settling) m_mainQueue.cancel(*m_settling);
    m_settling = m_mainQueue.runAfter(m_settle, [this] { settled(); });
}

void PackageMonitor::settled() {
    m_settling.reset();
    // Folders may have come and gone, or the package been replaced as a whole: watch what is
    // there now, before the owner rereads, so nothing after the reread goes unseen. Changes of
    // files alone (every save of velk's) leave the watches as they are.
    if (m_touched.everything) watchEverything();
    Touched touched = std::exchange(m_touched, {});
    m_changed(touched);
}

}  // namespace velk
