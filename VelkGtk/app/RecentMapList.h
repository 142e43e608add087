#pragma once

// The maps behind File ▸ Open Recent, kept in the desktop's list of recently used files through a
// Gtk::RecentManager, so that file choosers and other tools see them too. velk adds a map when it
// opens it and again when it is saved elsewhere, moved or renamed. The start window's grid and
// the menu show the same rows (RecentMaps::rows: velk packages that still exist, newest first,
// each once, at most ten); "Remove from Recents" takes every spelling of one map off the list,
// and "Clear Menu" removes velk's entries and nobody else's. A list file GTK cannot read is never
// written over.
//
// GtkRecentManager keeps its list only once GTK has a display (it asks the display's settings
// whether recent files are enabled), so the choice of entries is a function of its own.
//
// Main thread only.

#include "start/RecentMaps.h"

#include <gtkmm/recentmanager.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velk {

// One entry of the desktop's list, as much of it as the choice needs.
struct RecentFile {
    std::string path;       // empty for a URI that is not a local file
    std::int64_t modified;  // microseconds since the epoch
    bool operator==(const RecentFile&) const = default;
};

// The velk packages among `files`, newest first, as the recent list names them.
[[nodiscard]] std::vector<std::string> recentPackages(std::vector<RecentFile> files);

// When a package was last written: the newest time of it and its folders. A save of a submap
// changes only the submap's folder.
[[nodiscard]] std::optional<TimePoint> lastWritten(std::string_view package);

// Whether the list's file may be written: it is missing, empty or one GLib reads. GTK reads a
// damaged one (cut short, an entry twice) as empty, and its next write would keep only velk's new
// entry: every other recent file, of every program, would be gone.
[[nodiscard]] bool isSoundRecentList(const std::string& file);

class RecentMapList {
public:
    explicit RecentMapList(Glib::RefPtr<Gtk::RecentManager> manager);

    void add(const std::string& package);
    // The package moved: its old entry goes, the new one is added.
    void moved(const std::string& from, const std::string& to);
    // The rows of the recent maps that still exist; folders inside `home` are written "~".
    [[nodiscard]] std::vector<RecentMap> rows(std::string_view home) const;
    // Takes every spelling of `package` off the list.
    void remove(const std::string& package);
    void clear();

    // Called when the desktop's list changed, by velk or by anyone else.
    [[nodiscard]] Glib::SignalProxy<void()> signalChanged() { return m_manager->signal_changed(); }

private:
    struct Entry {
        std::string uri;
        RecentFile file;
        bool addedByVelk;
    };
    [[nodiscard]] std::vector<Entry> entries() const;
    // False while the list's file is there but damaged: velk then changes nothing in it.
    [[nodiscard]] bool mayWrite() const;

    Glib::RefPtr<Gtk::RecentManager> m_manager;
};

}  // namespace velk
