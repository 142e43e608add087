#pragma once

// The maps behind File ▸ Open Recent, kept in the desktop's list of recently used files through a
// Gtk::RecentManager, so that file choosers and other tools see them too. velk adds a map when it
// opens it and again when it is saved elsewhere, moved or renamed; the menu lists only velk
// packages that still exist, newest first; "Clear Menu" removes velk's entries and nobody else's.
//
// GtkRecentManager keeps its list only once GTK has a display (it asks the display's settings
// whether recent files are enabled), so the choice of entries is a function of its own.
//
// Main thread only.

#include <gtkmm/recentmanager.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velk {

// One entry of the desktop's list, as much of it as the choice needs.
struct RecentFile {
    std::string path;       // empty for a URI that is not a local file
    std::int64_t modified;  // seconds since the epoch
    bool operator==(const RecentFile&) const = default;
};

// The velk packages among `files` that are folders on disk, newest first, each once, at most
// `limit` of them.
[[nodiscard]] std::vector<std::string> recentPackages(std::vector<RecentFile> files,
                                                      const std::function<bool(const std::string&)>& isDirectory,
                                                      std::size_t limit);

class RecentMapList {
public:
    static constexpr std::size_t menuLimit = 10;

    explicit RecentMapList(Glib::RefPtr<Gtk::RecentManager> manager);

    void add(const std::string& package);
    // The package moved: its old entry goes, the new one is added.
    void moved(const std::string& from, const std::string& to);
    [[nodiscard]] std::vector<std::string> packages() const;
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

    Glib::RefPtr<Gtk::RecentManager> m_manager;
};

}  // namespace velk
