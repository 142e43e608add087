#pragma once

// Pictures of the templates for the new-map sheet, made on the user's machine from the templates
// themselves: each template is loaded into the real editor page in a window nobody sees, and a
// picture of it is taken (TemplateRenderer). Pictures are kept for the run and cached per build
// on disk, so the editor is started once per template and build. Views that show pictures
// listen to signalChanged(), which fires when a picture arrives.
//
// Every failure (no tree, no editor page, no picture, an unwritable cache) only leaves the
// template without a picture, and the next prepare() tries again; the trace says what happened.
//
// One per application, living as long as it. Main thread only.

#include "package/DocumentTree.h"
#include "platform/FileSystem.h"
#include "start/Templates.h"
#include "trace/TraceSink.h"

#include <gdkmm/texture.h>
#include <sigc++/signal.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

class TemplatePreviews {
public:
    // Called once with the picture's PNG bytes, or with nothing when there is none.
    using Done = std::function<void(std::optional<std::string> png)>;

    // One template being drawn; letting go of it drops the drawing, and `done` is not called.
    class Rendering {
    public:
        virtual ~Rendering() = default;
        virtual void start() = 0;
    };
    // Makes the rendering of one template's tree (the grid already off) with the editor page.
    using RenderingFactory = std::function<std::shared_ptr<Rendering>(DocumentTree tree, SharedBytes page, Done done)>;

    struct Services {
        FileSystem& fileSystem;
        std::string resources;  // the folder of the editor page
        // The user's caches folder; absent keeps no cache.
        std::optional<std::string> cachesFolder;
        std::string applicationID;
        std::string version;  // the build; "-dirty" builds keep no cache
        TraceSink trace;
        RenderingFactory render;
    };

    explicit TemplatePreviews(Services services);
    TemplatePreviews(const TemplatePreviews&) = delete;
    TemplatePreviews& operator=(const TemplatePreviews&) = delete;
    ~TemplatePreviews();

    // Starts the pictures of `templates` (in `directory`) that are missing and not under way;
    // returns at once. Nothing happens without a directory.
    void prepare(const std::vector<MapTemplate>& templates, const std::optional<std::string>& directory);
    // The finished picture of the template, or nothing.
    [[nodiscard]] Glib::RefPtr<Gdk::Texture> image(std::string_view id) const;
    [[nodiscard]] std::size_t imageCount() const noexcept { return m_images.size(); }
    [[nodiscard]] const std::set<std::string, std::less<>>& rendering() const noexcept { return m_rendering; }
    [[nodiscard]] sigc::signal<void()>& signalChanged() noexcept { return m_changed; }

    // The picture of `png`, or nothing when it is not an image.
    [[nodiscard]] static Glib::RefPtr<Gdk::Texture> texture(std::string_view png);

private:
    void finished(const std::string& id, std::optional<std::string> png, std::chrono::steady_clock::time_point began);
    [[nodiscard]] std::optional<std::string> cacheFile(std::string_view id) const;
    void keep(const std::string& file, const std::string& png);
    void pruneOtherBuilds(const std::string& build);

    Services m_services;
    std::map<std::string, Glib::RefPtr<Gdk::Texture>, std::less<>> m_images;
    std::set<std::string, std::less<>> m_rendering;
    std::map<std::string, std::shared_ptr<Rendering>, std::less<>> m_renderers;
    bool m_prunedOtherBuilds = false;
    sigc::signal<void()> m_changed;
    // Completions that arrive after the previews are gone do nothing.
    std::shared_ptr<TemplatePreviews*> m_alive;
};

}  // namespace velk
