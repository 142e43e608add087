#pragma once

// Why a document refused what the editor page asked of it. It carries the document's own error
// unchanged; description() is that error's text, which the page shows as it is.

#include "bridge/HostUnsupported.h"
#include "package/MapDocumentError.h"
#include "package/MediaError.h"
#include "shell/RenameError.h"

#include <string>
#include <utility>
#include <variant>

namespace velk {

class EditorDocumentError {
public:
    using Case = std::variant<HostUnsupported, MapDocumentError, MediaError, RenameError>;

    // Implicit, so a document returns its own error as it is.
    EditorDocumentError(HostUnsupported value) : m_case(std::move(value)) {}
    EditorDocumentError(MapDocumentError value) : m_case(std::move(value)) {}
    EditorDocumentError(MediaError value) : m_case(std::move(value)) {}
    EditorDocumentError(RenameError value) : m_case(std::move(value)) {}

    [[nodiscard]] const Case& value() const noexcept { return m_case; }
    [[nodiscard]] std::string description() const;
    bool operator==(const EditorDocumentError&) const = default;

private:
    Case m_case;
};

}  // namespace velk
