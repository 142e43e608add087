#pragma once

// Why a share document could not be opened. description() is the text the user sees, unchanged;
// nothing else formats it.

#include <string>
#include <variant>

namespace velk {

class SharedLinkFailure {
public:
    // The document is not JSON, not an object, or holds no editor state with maps that velk can
    // turn into a package.
    struct NotAMap {
        bool operator==(const NotAMap&) const = default;
    };
    using Case = std::variant<NotAMap>;

    explicit SharedLinkFailure(Case value) : m_case(value) {}
    static SharedLinkFailure notAMap() { return SharedLinkFailure(NotAMap{}); }

    [[nodiscard]] const Case& value() const noexcept { return m_case; }
    [[nodiscard]] std::string description() const;
    bool operator==(const SharedLinkFailure&) const = default;

private:
    Case m_case;
};

}  // namespace velk
