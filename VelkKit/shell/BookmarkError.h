#pragma once

// Why a folder could not be remembered, or a remembered one could not be read back.
// description() is the text the user sees in the alert.

#include <string>
#include <variant>

namespace velk {

class BookmarkError {
public:
    // Only a full path says which folder is meant wherever velk is started from.
    struct NotAbsolute {
        std::string path;
        bool operator==(const NotAbsolute&) const = default;
    };
    // Bookmarks are kept as UTF-8 text, which a name in another encoding is not.
    struct NotUTF8 {
        bool operator==(const NotUTF8&) const = default;
    };
    // The stored bytes do not name a folder.
    struct Unreadable {
        bool operator==(const Unreadable&) const = default;
    };
    using Case = std::variant<NotAbsolute, NotUTF8, Unreadable>;

    BookmarkError(Case reason) : m_reason(std::move(reason)) {}

    [[nodiscard]] const Case& reason() const noexcept { return m_reason; }
    [[nodiscard]] std::string description() const;
    bool operator==(const BookmarkError&) const = default;

private:
    Case m_reason;
};

}  // namespace velk
