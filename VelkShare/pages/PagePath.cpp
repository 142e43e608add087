#include "pages/PagePath.h"

#include "package/Media.h"
#include "service/FormFields.h"
#include "share/SharedLink.h"

namespace velk::share::PagePath {
namespace {

// The query goes into a Location header: bytes that may not stand there raw (controls, spaces,
// non-ASCII) are percent-encoded, which leaves its meaning as it was.
std::string withQuery(std::string to, std::string_view target) {
    static constexpr char hex[] = "0123456789ABCDEF";
    const std::string_view q = query(target);
    if (q.empty()) return to;
    to += '?';
    for (const char c : q) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x20 && byte < 0x7F) {
            to += c;
        } else {
            to += '%';
            to += hex[byte >> 4];
            to += hex[byte & 15];
        }
    }
    return to;
}

}  // namespace

std::string_view query(std::string_view target) {
    const std::size_t mark = target.find('?');
    if (mark == target.npos) return {};
    std::string_view rest = target.substr(mark + 1);
    return rest.substr(0, rest.find('#'));
}

std::string queryEncoded(std::string_view text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 15];
        }
    }
    return out;
}

Page parse(std::string_view target, std::string_view basePath) {
    std::string_view path = target.substr(0, target.find_first_of("?#"));
    if (!path.starts_with(basePath)) return Unknown{};
    path.remove_prefix(basePath.size());

    if (path == "feedback/") return Feedback{};
    if (path == "shortcuts/") return Shortcuts{};
    if (path == "feedback" || path == "shortcuts") return Redirect{withQuery(std::string(path) + "/", target)};
    if (!path.starts_with("s/")) return Unknown{};
    path.remove_prefix(2);

    const std::size_t slash = path.find('/');
    const std::string_view id = path.substr(0, slash);
    if (id.empty()) return Unknown{};
    if (slash == path.npos) return Viewer{std::string(id)};
    std::string_view rest = path.substr(slash + 1);
    if (rest.empty()) return SharedLink::isShareID(id) ? Page{Redirect{withQuery("s/" + std::string(id), target)}} : Page{Unknown{}};
    if (!rest.starts_with("media/")) return Unknown{};
    rest.remove_prefix(6);

    const std::size_t folderEnd = rest.find('/');
    if (folderEnd == rest.npos) return Unknown{};
    const std::string_view folder = rest.substr(0, folderEnd);
    if (folder != "velk-media" && folder != "plovet-media") return Unknown{};
    const auto name = FormFields::percentDecoded(rest.substr(folderEnd + 1), false);
    if (!name || !velk::Media::isServableName(*name)) return Unknown{};
    return Media{std::string(id), std::string(folder) + "/" + *name};
}

}  // namespace velk::share::PagePath
