#include "TemplatePreviews.h"

#include "bridge/EditorBundle.h"
#include "document/PackagePlacement.h"
#include "start/TemplatePreviewLayout.h"

#include <gdk/gdk.h>

#include <utility>

namespace velk {

TemplatePreviews::TemplatePreviews(Services services)
    : m_services(std::move(services)), m_alive(std::make_shared<TemplatePreviews*>(this)) {}

TemplatePreviews::~TemplatePreviews() {
    *m_alive = nullptr;
    m_renderers.clear();
}

void TemplatePreviews::prepare(const std::vector<MapTemplate>& templates, const std::optional<std::string>& directory) {
    if (!directory || !m_services.render) return;
    bool changed = false;
    for (const MapTemplate& entry : templates) {
        const std::string& id = entry.id;
        // The blank map has nothing to show.
        if (id == Templates::blankID || m_images.contains(id) || m_rendering.contains(id)) continue;
        const auto began = std::chrono::steady_clock::now();
        const auto file = cacheFile(id);
        if (file) {
            if (auto cached = m_services.fileSystem.read(*file)) {
                if (auto picture = texture(*cached)) {
                    m_images[id] = picture;
                    changed = true;
                    m_services.trace([&] {
                        return "template preview: " + id + " from the cache in " +
                               std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                  std::chrono::steady_clock::now() - began).count()) + " ms";
                    });
                    continue;
                }
            }
        }
        auto tree = Templates::tree(id, *directory, m_services.fileSystem);
        auto page = EditorBundle::html(m_services.resources, m_services.fileSystem);
        if (!tree || !page) continue;
        m_rendering.insert(id);
        auto rendering = m_services.render(
            TemplatePreviewLayout::withoutGrid(std::move(*tree)), *page,
            [alive = std::weak_ptr(m_alive), id, began](std::optional<std::string> png) {
                auto previews = alive.lock();
                if (previews && *previews) (*previews)->finished(id, std::move(png), began);
            });
        m_renderers[id] = rendering;
        rendering->start();
    }
    if (changed) m_changed.emit();
}

void TemplatePreviews::finished(const std::string& id, std::optional<std::string> png,
                                std::chrono::steady_clock::time_point began) {
    m_rendering.erase(id);
    // Dropped last: the renderer may be the one calling.
    auto renderer = std::move(m_renderers[id]);
    m_renderers.erase(id);
    auto picture = png ? texture(*png) : Glib::RefPtr<Gdk::Texture>();
    if (!picture) {
        m_services.trace([&] { return "template preview: " + id + " gave no picture"; });
        return;
    }
    if (auto file = cacheFile(id)) keep(*file, *png);
    m_images[id] = picture;
    m_services.trace([&] { return "template preview: " + id + " " + std::to_string(png->size()) + " bytes"; });
    m_services.trace([&] {
        return "template preview: " + id + " rendered in " +
               std::to_string(
                   std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began).count()) +
               " ms";
    });
    m_changed.emit();
}

std::optional<std::string> TemplatePreviews::cacheFile(std::string_view id) const {
    return TemplatePreviewLayout::cacheFile(m_services.cachesFolder, m_services.applicationID, m_services.version, id);
}

void TemplatePreviews::keep(const std::string& file, const std::string& png) {
    // Each folder on the way, from the top; those that exist already fail harmlessly.
    for (std::size_t slash = file.find('/', 1); slash != std::string::npos; slash = file.find('/', slash + 1))
        (void)m_services.fileSystem.makeDirectory(file.substr(0, slash));
    if (auto written = m_services.fileSystem.writeAtomically(file, png); !written) {
        m_services.trace([&] { return "template preview: cache not written: " + written.error().description(); });
        return;
    }
    if (!std::exchange(m_prunedOtherBuilds, true)) pruneOtherBuilds(PackagePlacement::parentFolder(file));
}

void TemplatePreviews::pruneOtherBuilds(const std::string& build) {
    // Each build keeps pictures of its own; those of the builds before it would stay for good.
    const std::string builds = PackagePlacement::parentFolder(build);
    auto entries = m_services.fileSystem.list(builds);
    if (!entries) return;
    for (const DirectoryEntry& entry : *entries) {
        const std::string folder = builds + "/" + entry.name;
        if (entry.kind == EntryKind::directory && folder != build) (void)PackagePlacement::removeTree(m_services.fileSystem, folder);
    }
}

Glib::RefPtr<Gdk::Texture> TemplatePreviews::texture(std::string_view png) {
    if (png.empty()) return {};
    GBytes* bytes = g_bytes_new(png.data(), png.size());
    GdkTexture* made = gdk_texture_new_from_bytes(bytes, nullptr);
    g_bytes_unref(bytes);
    if (!made) return {};
    return Glib::wrap(made);
}

Glib::RefPtr<Gdk::Texture> TemplatePreviews::image(std::string_view id) const {
    const auto found = m_images.find(id);
    return found == m_images.end() ? Glib::RefPtr<Gdk::Texture>() : found->second;
}

}  // namespace velk
