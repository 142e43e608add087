#pragma once

// Failures of the map package model. description() is the text the user or the editor page sees,
// unchanged; nothing else formats these messages.

#include <string>
#include <variant>
#include <vector>

namespace velk {

class MapDocumentError {
public:
    // The package has no readable root canvas holding a JSON object.
    struct NoRootCanvas {
        std::string named;
        bool operator==(const NoRootCanvas&) const = default;
    };
    // A submap opened from several cards was edited differently under each.
    struct SharedSubmapDiverged {
        std::string file;
        std::vector<std::string> paths;
        bool operator==(const SharedSubmapDiverged&) const = default;
    };
    using Case = std::variant<NoRootCanvas, SharedSubmapDiverged>;

    explicit MapDocumentError(Case value) : m_case(std::move(value)) {}
    static MapDocumentError noRootCanvas(std::string named) { return MapDocumentError(NoRootCanvas{std::move(named)}); }
    static MapDocumentError sharedSubmapDiverged(std::string file, std::vector<std::string> paths) {
        return MapDocumentError(SharedSubmapDiverged{std::move(file), std::move(paths)});
    }

    [[nodiscard]] const Case& value() const noexcept { return m_case; }
    [[nodiscard]] std::string description() const;
    bool operator==(const MapDocumentError&) const = default;

private:
    Case m_case;
};

}  // namespace velk
