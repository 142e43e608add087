#pragma once

// Why an image could not be stored in a map package. description() is the text the editor page
// shows, unchanged; nothing else formats these messages.

#include <string>
#include <variant>

namespace velk {

class MediaError {
public:
    // The media type (in its bare, lowercased form) is not one velk stores.
    struct UnsupportedType {
        std::string type;
        bool operator==(const UnsupportedType&) const = default;
    };
    struct Empty {
        bool operator==(const Empty&) const = default;
    };
    // One image over the single-image limit.
    struct TooLarge {
        bool operator==(const TooLarge&) const = default;
    };
    // The package's images would pass the total limit.
    struct DirectoryFull {
        bool operator==(const DirectoryFull&) const = default;
    };
    // The package's media folder is something velk cannot write in: a file, a link, or a folder
    // or file there that velk could not read. Writing anyway would replace the user's file, or
    // leave a card whose image never reaches the disk.
    struct Unwritable {
        bool operator==(const Unwritable&) const = default;
    };
    using Case = std::variant<UnsupportedType, Empty, TooLarge, DirectoryFull, Unwritable>;

    explicit MediaError(Case value) : m_case(std::move(value)) {}
    static MediaError unsupportedType(std::string type) { return MediaError(UnsupportedType{std::move(type)}); }
    static MediaError empty() { return MediaError(Empty{}); }
    static MediaError tooLarge() { return MediaError(TooLarge{}); }
    static MediaError directoryFull() { return MediaError(DirectoryFull{}); }
    static MediaError unwritable() { return MediaError(Unwritable{}); }

    [[nodiscard]] const Case& value() const noexcept { return m_case; }
    [[nodiscard]] std::string description() const;
    bool operator==(const MediaError&) const = default;

private:
    Case m_case;
};

}  // namespace velk
