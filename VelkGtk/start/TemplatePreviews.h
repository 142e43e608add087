#pragma once

// Pictures of the templates for the new-map sheet, made on the user's machine from the templates
// themselves. The renderer that makes them is not built yet: prepare() starts nothing and image()
// has no picture, so the sheet shows each template's symbol face. Views that show pictures listen
// to signalChanged(), which fires when a picture arrives.
//
// One per application, living as long as it. Main thread only.

#include "start/Templates.h"

#include <gdkmm/texture.h>
#include <sigc++/signal.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

class TemplatePreviews {
public:
    // Starts the pictures of `templates` (in `directory`) that are missing; returns at once.
    void prepare(const std::vector<MapTemplate>& templates, const std::optional<std::string>& directory);
    // The finished picture of the template, or nothing.
    [[nodiscard]] Glib::RefPtr<Gdk::Texture> image(std::string_view id) const;
    [[nodiscard]] sigc::signal<void()>& signalChanged() noexcept { return m_changed; }

private:
    std::map<std::string, Glib::RefPtr<Gdk::Texture>, std::less<>> m_images;
    sigc::signal<void()> m_changed;
};

}  // namespace velk
