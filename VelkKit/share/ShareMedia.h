#pragma once

// The images a published map takes along. A shared map is opened by others from its state alone,
// so every image file its maps name ("velk-media/…" or "plovet-media/…") travels beside the state
// in the publish body; without them the copy shows broken image cards.
//
// Pure functions over a lookup the caller supplies (the editor host reads its document's media
// store). Safe from any thread the lookup is safe from.

#include "core/Expected.h"
#include "json/JSONValue.h"
#include "package/DocumentTree.h"
#include "package/Media.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velk::ShareMedia {

// What the share service takes: each file up to the media store's own limit, all of them together
// up to 200 MiB (decoded bytes).
inline constexpr std::uint64_t maxFileBytes = Media::maxBytes;
inline constexpr std::uint64_t maxTotalBytes = 200 * 1048576;

// Why a map's images cannot go with it. description() is the text the editor page shows.
class Error {
public:
    struct FileTooLarge {
        std::string path;
        bool operator==(const FileTooLarge&) const = default;
    };
    struct TooLargeInAll {
        bool operator==(const TooLargeInAll&) const = default;
    };
    using Case = std::variant<FileTooLarge, TooLargeInAll>;

    explicit Error(Case value) : m_case(std::move(value)) {}
    [[nodiscard]] const Case& value() const noexcept { return m_case; }
    [[nodiscard]] std::string description() const;
    bool operator==(const Error&) const = default;

private:
    Case m_case;
};

struct File {
    std::string path;  // "velk-media/" or "plovet-media/" and the file's name
    SharedBytes bytes;
};

struct Collected {
    std::vector<File> files;
    // Referenced but not in the package (or unreadable); the map goes without them.
    std::vector<std::string> missing;
};

// The stored image `name` in the media directory `directory`, or null when there is none.
using Lookup = std::function<SharedBytes(std::string_view name, std::string_view directory)>;

// The package paths of the images the state's maps name, once each, in the order first met. Any
// string anywhere in a map (a file card, a group's background, a link card's preview in the
// sidecar) counts when it is exactly a media directory, "/" and a name the media store serves.
[[nodiscard]] std::vector<std::string> references(const JSONValue& state);

// The referenced files with their bytes; fails when one is over maxFileBytes or all of them
// together are over maxTotalBytes, before anything is encoded.
[[nodiscard]] Expected<Collected, Error> collect(const JSONValue& state, const Lookup& lookup);

}  // namespace velk::ShareMedia
