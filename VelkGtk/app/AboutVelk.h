#pragma once

// The About velk window: name, icon, version with its build, the beta note, the website and the
// licence. Main thread only.

#include <gtkmm/aboutdialog.h>

#include <memory>
#include <string>

namespace velk {

// A new About window over `parent` (may be null); the caller keeps it while it is shown.
[[nodiscard]] std::unique_ptr<Gtk::AboutDialog> makeAboutVelk(Gtk::Window* parent);

// The build text of this build: "velk VERSION (COMMIT)".
[[nodiscard]] std::string buildText();

}  // namespace velk
