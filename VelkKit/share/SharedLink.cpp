#include "share/SharedLink.h"

#include "core/Base64.h"
#include "core/Graphemes.h"
#include "core/Utf8.h"
#include "core/WhiteSpace.h"
#include "json/OrderedJSON.h"
#include "package/FileWrapperTree.h"
#include "package/MapDocumentCore.h"
#include "package/MapNaming.h"
#include "package/Media.h"
#include "share/ShareBase.h"
#include "share/ShareRecord.h"
#include "share/ShareServiceContract.h"

#include <unicode/uchar.h>

#include <algorithm>

namespace velk::SharedLink {
namespace {

bool isIDCharacter(char c) noexcept { return (c >= 'a' && c <= 'z') || (c >= '2' && c <= '9'); }

bool isID(std::string_view text, std::size_t length) noexcept {
    return text.size() == length && std::ranges::all_of(text, isIDCharacter);
}

char lowered(char c) noexcept { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool equalsLowered(std::string_view text, std::string_view lower) noexcept {
    return text.size() == lower.size() && std::ranges::equal(text, lower, {}, lowered);
}

// Just enough of a URL for velk's own links: scheme, host and path. Text a URL could not hold
// (spaces, control characters, bytes beyond ASCII) makes it no URL at all.
struct LinkParts {
    std::string_view scheme, host, path;
};

std::optional<LinkParts> linkParts(std::string_view url) {
    if (std::ranges::any_of(url, [](char c) { return static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F; }))
        return std::nullopt;
    const std::size_t colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0) return std::nullopt;
    LinkParts parts;
    parts.scheme = url.substr(0, colon);
    std::string_view rest = url.substr(colon + 1);
    rest = rest.substr(0, rest.find_first_of("?#"));
    if (!rest.starts_with("//")) return std::nullopt;  // no authority, so no host
    rest.remove_prefix(2);
    const std::size_t pathStart = std::min(rest.find('/'), rest.size());
    std::string_view authority = rest.substr(0, pathStart);
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
    if (const std::size_t port = authority.find(':'); port != std::string_view::npos) authority = authority.substr(0, port);
    parts.host = authority;
    parts.path = rest.substr(pathStart);
    return parts;
}

std::string joined(std::string_view base, std::string_view path, std::string_view id) {
    std::string url(base);
    url += path;
    url += id;
    return url;
}

// `text` (UTF-8) with every control character (Unicode's Cc: C0, DEL and C1) turned into a
// space. A NUL in a name would cut it short wherever it is passed on as a C string.
std::string controlsAsSpaces(std::string_view text) {
    std::string spaced;
    spaced.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto [scalar, length] = Utf8::decode(text, i);
        if (u_charType(static_cast<UChar32>(scalar)) == U_CONTROL_CHAR) {
            spaced.push_back(' ');
        } else {
            spaced.append(text.substr(i, length));
        }
        i += length;
    }
    return spaced;
}

// The name a map opened from a document is given: its own, tidied, or the default.
std::string openedName(const JSONValue& document) {
    const auto name = document["name"];
    const auto text = name ? name->stringValue() : std::nullopt;
    if (!text) return std::string(defaultName);
    const std::string spaced = controlsAsSpaces(*text);
    std::string_view trimmed = WhiteSpace::trimmedWithLineBreaks(spaced);
    if (trimmed.empty()) return std::string(defaultName);
    const std::vector<std::size_t> boundaries = Graphemes::boundaries(trimmed);
    if (boundaries.size() > nameLimit + 1) trimmed = trimmed.substr(0, boundaries[nameLimit]);
    return std::string(trimmed);
}

// The bytes of one media member of a share document, or absent when it must be skipped. A key is
// accepted only as "<served directory>/<servable name>", exactly two pieces, so no member can
// reach outside the media folders, hide a file or write anything but an image.
std::optional<std::string> mediaMember(std::string_view key, const JSONValue& value) {
    const std::size_t slash = key.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string_view directory = key.substr(0, slash), name = key.substr(slash + 1);
    if (std::ranges::find(Media::servedDirectories, directory) == Media::servedDirectories.end()) return std::nullopt;
    if (!Media::isServableName(name)) return std::nullopt;  // a second "/" fails here
    // A name no disk takes would fail the whole map as it is written.
    if (name.size() > MapNaming::longestFileName) return std::nullopt;
    // Control characters (NUL above all) have no place in a file name velk writes.
    if (std::ranges::any_of(name, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
        return std::nullopt;
    const auto text = value.stringValue();
    if (!text) return std::nullopt;
    // Judged before decoding, so an oversized member costs no allocation.
    const auto size = Base64::decodedSize(*text);
    if (!size || *size == 0 || *size > Media::maxBytes) return std::nullopt;
    return Base64::decode(*text);
}

}  // namespace

std::string_view defaultBase() noexcept { return defaultShareBase(); }

bool isShareID(std::string_view text) noexcept { return isID(text, shareIDLength); }
bool isHandoffID(std::string_view text) noexcept { return isID(text, handoffIDLength); }

std::optional<Link> link(std::string_view url) {
    const auto parts = linkParts(url);
    if (!parts || !equalsLowered(parts->scheme, scheme) || parts->host.empty()) return std::nullopt;
    const std::vector<std::string_view> pieces = DocumentTree::segments(parts->path);
    if (pieces.size() != 1) return std::nullopt;
    const std::string_view id = pieces.front();
    if (equalsLowered(parts->host, ShareServiceContract::shareLinkHost) && isShareID(id)) return Share{std::string(id)};
    if (equalsLowered(parts->host, ShareServiceContract::handoffLinkHost) && isHandoffID(id)) return Handoff{std::string(id)};
    return std::nullopt;
}

std::optional<std::string> shareID(std::string_view url) {
    auto found = link(url);
    if (!found) return std::nullopt;
    if (auto* share = std::get_if<Share>(&*found)) return std::move(share->id);
    return std::nullopt;
}

std::string apiURL(const Link& link, std::string_view base) {
    if (const auto* handoff = std::get_if<Handoff>(&link))
        return joined(base, std::string(ShareServiceContract::handoffPath) + "/", handoff->id);
    return apiURL(std::get<Share>(link).id, base);
}

std::string apiURL(std::string_view id, std::string_view base) {
    return joined(base, std::string(ShareServiceContract::sharePath) + "/", id);
}

std::string pageURL(std::string_view id, std::string_view base) {
    return joined(base, ShareServiceContract::sharePagePath, id);
}

Expected<Opened, SharedLinkFailure> open(std::string_view shareJSON) {
    const auto failure = [] { return Unexpected<SharedLinkFailure>(SharedLinkFailure::notAMap()); };
    // The reader keeps member order, which the state's maps and cards depend on.
    const auto document = OrderedJSON::parse(shareJSON);
    if (!document || !document->isObject()) return failure();
    const auto state = (*document)["state"];
    if (!state) return failure();
    const auto maps = (*state)["maps"];
    if (!maps || maps->kind() != JSONValue::Kind::array) return failure();

    // The state goes in as a save from the editor would, so the package's canvases, sidecars and
    // ink files are the ones velk itself writes. The core reads its state once first, as loading
    // does, so the save has what it compares with.
    MapDocumentCore core(FileWrapperTree::emptyDocument());
    if (!core.state()) return failure();
    if (!core.apply(*state)) return failure();

    // A share is published without its record; one in the document was put there by someone else.
    DocumentTree tree = ShareRecord::removed(core.tree());
    if (const auto media = (*document)["media"]; media && media->isObject()) {
        for (const JSONMemberRef member : media->members()) {
            if (auto bytes = mediaMember(member.key, member.value)) tree.write(std::move(*bytes), member.key);
        }
    }
    return Opened{openedName(*document), std::move(tree)};
}

}  // namespace velk::SharedLink
