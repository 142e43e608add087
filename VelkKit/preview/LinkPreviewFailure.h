#pragma once

// Why a link got no preview. description() is the text the editor page shows, unchanged;
// nothing else formats these messages. A value type; safe from any thread.

#include <string>
#include <utility>
#include <variant>

namespace velk::LinkPreview {

class Failure {
public:
    // The link, its host or a redirect is not something velk fetches.
    struct Blocked {
        std::string reason;
        bool operator==(const Blocked&) const = default;
    };
    // The page could not be read: no address, a transfer error, an HTTP error status.
    struct Unreachable {
        std::string reason;
        bool operator==(const Unreachable&) const = default;
    };
    // The answer is not a web page; `contentType` is its bare media type.
    struct NotHTML {
        std::string contentType;
        bool operator==(const NotHTML&) const = default;
    };
    struct TooBig {
        bool operator==(const TooBig&) const = default;
    };
    using Case = std::variant<Blocked, Unreachable, NotHTML, TooBig>;

    explicit Failure(Case value) : m_case(std::move(value)) {}
    static Failure blocked(std::string reason) { return Failure(Blocked{std::move(reason)}); }
    static Failure unreachable(std::string reason) { return Failure(Unreachable{std::move(reason)}); }
    static Failure notHTML(std::string contentType) { return Failure(NotHTML{std::move(contentType)}); }
    static Failure tooBig() { return Failure(TooBig{}); }

    [[nodiscard]] const Case& value() const noexcept { return m_case; }
    [[nodiscard]] std::string description() const;
    bool operator==(const Failure&) const = default;

private:
    Case m_case;
};

}  // namespace velk::LinkPreview
