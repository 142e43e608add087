#pragma once

// Watches one map package folder for changes made by other programs (another editor, a sync
// tool, a shell) and says what was touched once things have settled: a short while after the
// last event, so that a program writing twenty files is reported once.
//
// It watches the package folder and every folder inside it, folders made later included, and the
// package's own name in the folder that holds it, so a package that is deleted, moved away or
// replaced as a whole is reported too. Events about velk's temporary files are left out; anything
// else is reported, velk's own saves included: only the content tells an outside change from an
// own write, and the document compares it when it rereads.
//
// Reports run on the main loop, through the MainQueue; none comes after the monitor is gone.
// Main thread only: the GLib default main context delivers the events.

#include "platform/GObjectHolder.h"
#include "platform/MainQueue.h"

#include <gio/gio.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace velk {

class PackageMonitor {
public:
    // What was touched since the last report: package paths of files ("map/Ideas.canvas"), or
    // possibly everything (a folder came or went, the package itself moved).
    struct Touched {
        bool everything = false;
        std::set<std::string> paths;
    };
    using Changed = std::function<void(const Touched& touched)>;

    // `settle` is how long the package must stay quiet before `changed` runs.
    PackageMonitor(std::string folder, MainQueue& mainQueue, std::chrono::milliseconds settle, Changed changed);
    ~PackageMonitor();
    PackageMonitor(const PackageMonitor&) = delete;
    PackageMonitor& operator=(const PackageMonitor&) = delete;

    [[nodiscard]] const std::string& folder() const noexcept { return m_folder; }

private:
    static void eventArrived(GFileMonitor* monitor, GFile* file, GFile* other, GFileMonitorEvent event,
                             gpointer self);

    void watchEverything();
    void watchTree(const std::string& folder);
    void watch(const std::string& folder);
    void stopWatching();
    [[nodiscard]] bool isParent(GFileMonitor* monitor) const;
    [[nodiscard]] bool matters(bool fromParent, GFile* file, GFile* other, GFileMonitorEvent event) const;
    void note(GFile* file, bool fromParent);
    void restartSettling();
    void settled();

    std::string m_folder;
    std::string m_parent;
    std::string m_name;
    MainQueue& m_mainQueue;
    std::chrono::milliseconds m_settle;
    Changed m_changed;
    std::map<std::string, GObjectHolder<GFileMonitor>> m_monitors;  // by folder path
    std::optional<MainQueue::Ticket> m_settling;
    Touched m_touched;
};

}  // namespace velk
