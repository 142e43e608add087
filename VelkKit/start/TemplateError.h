#pragma once

// Why a template could not be listed or read. description() is the text the start window shows
// the user, unchanged; nothing else formats these messages.

#include <string>
#include <variant>

namespace velk {

class TemplateError {
public:
    // The manifest lists no template with this id (ids compare exactly, letter case included).
    struct UnknownTemplate {
        std::string id;
        bool operator==(const UnknownTemplate&) const = default;
    };
    // The template's folder has no root canvas: it is missing, or its "map.canvas" is a folder.
    struct EmptyTemplate {
        std::string id;
        bool operator==(const EmptyTemplate&) const = default;
    };
    // Templates/manifest.json cannot be read at all.
    struct MissingManifest {
        bool operator==(const MissingManifest&) const = default;
    };
    // The manifest was read but is not a list of templates; `reason` is the manifest reader's own
    // account of what is wrong, shown as it is.
    struct BadManifest {
        std::string reason;
        bool operator==(const BadManifest&) const = default;
    };
    using Case = std::variant<UnknownTemplate, EmptyTemplate, MissingManifest, BadManifest>;

    explicit TemplateError(Case value) : m_case(std::move(value)) {}
    static TemplateError unknownTemplate(std::string id) { return TemplateError(UnknownTemplate{std::move(id)}); }
    static TemplateError emptyTemplate(std::string id) { return TemplateError(EmptyTemplate{std::move(id)}); }
    static TemplateError missingManifest() { return TemplateError(MissingManifest{}); }
    static TemplateError badManifest(std::string reason) { return TemplateError(BadManifest{std::move(reason)}); }

    [[nodiscard]] const Case& value() const noexcept { return m_case; }
    [[nodiscard]] std::string description() const;
    bool operator==(const TemplateError&) const = default;

private:
    Case m_case;
};

}  // namespace velk
