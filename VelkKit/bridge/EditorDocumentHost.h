#pragma once

// EditorDocumentHost is how an editor web host reaches the document it edits: the open map's
// document, or the read-only renderer behind a template preview. The host holds it weakly
// (std::weak_ptr), so a document may go away while its editor still runs; implement it on an
// object owned by a std::shared_ptr.
//
// The first four operations are what every document must do. The last four have defaults for
// documents that do not offer them: no name, going home does nothing, and rename and save-as
// fail with HostUnsupported.
//
// Main thread only.

#include "bridge/EditorDocumentError.h"
#include "core/Expected.h"
#include "json/JSONValue.h"
#include "package/DocumentTree.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velk {

class EditorDocumentHost {
public:
    virtual ~EditorDocumentHost() = default;

    // The whole editor state of the document.
    [[nodiscard]] virtual Expected<JSONValue, EditorDocumentError> editorLoad() = 0;

    // Applies a save body (always a JSON object) and returns the document's revision after it.
    [[nodiscard]] virtual Expected<std::int64_t, EditorDocumentError> editorSave(const JSONValue& body) = 0;

    // Stores one image of the media type `type` and returns its path inside the package, such
    // as "velk-media/" followed by its content name.
    [[nodiscard]] virtual Expected<std::string, EditorDocumentError> editorStoreMedia(std::string_view bytes,
                                                                                     std::string_view type) = 0;

    // The stored image `name` in the media directory `directory`, or null when there is none.
    [[nodiscard]] virtual SharedBytes editorMedia(std::string_view name, std::string_view directory) = 0;

    // The name the editor shows for the document; absent by default.
    [[nodiscard]] virtual std::optional<std::string> editorDocumentName();

    // Shows the start window; does nothing by default.
    virtual void editorGoHome();

    // Renames the document to `name`; fails with HostUnsupported "Rename" by default.
    [[nodiscard]] virtual Expected<void, EditorDocumentError> editorRename(std::string_view name);

    // Starts saving the document under a new name and place; fails with HostUnsupported
    // "Save as" by default.
    [[nodiscard]] virtual Expected<void, EditorDocumentError> editorSaveAs();

    // Starts exporting the map on screen as a picture or PDF (only the selected cards when
    // `selection`); fails with HostUnsupported "Export" by default.
    [[nodiscard]] virtual Expected<void, EditorDocumentError> editorExport(bool selection);
};

}  // namespace velk
