#pragma once

// The editor page as the app ships it: index.html in the resources folder, copied there when the
// app is built. Every editor window and every template preview is served this one file.
//
// Reads through the FileSystem it is given; call it wherever that file system may be used.

#include "core/Expected.h"
#include "package/DocumentTree.h"
#include "platform/FileSystem.h"

#include <string>
#include <string_view>
#include <variant>

namespace velk::EditorBundle {

inline constexpr std::string_view pageName = "index.html";

// Why there is no editor page. description() is what the user is shown, three lines that say how
// to put the page back.
class Failure {
public:
    struct Missing {
        bool operator==(const Missing&) const = default;
    };
    using Case = std::variant<Missing>;

    static Failure missing() { return Failure(Missing{}); }
    [[nodiscard]] const Case& value() const noexcept { return m_case; }
    [[nodiscard]] std::string description() const;
    bool operator==(const Failure&) const = default;

private:
    explicit Failure(Case value) : m_case(value) {}
    Case m_case;
};

// The bytes of the editor page in `resourcesFolder`. Any read error, a missing file included, is
// Failure::missing: the user can do the same about each of them.
[[nodiscard]] Expected<SharedBytes, Failure> html(const std::string& resourcesFolder, FileSystem& fileSystem);

}  // namespace velk::EditorBundle
