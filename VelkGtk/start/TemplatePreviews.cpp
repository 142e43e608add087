#include "TemplatePreviews.h"

namespace velk {

void TemplatePreviews::prepare(const std::vector<MapTemplate>&, const std::optional<std::string>&) {}

Glib::RefPtr<Gdk::Texture> TemplatePreviews::image(std::string_view id) const {
    const auto found = m_images.find(id);
    return found == m_images.end() ? Glib::RefPtr<Gdk::Texture>() : found->second;
}

}  // namespace velk
