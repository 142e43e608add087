#include "bridge/EditorDocumentHost.h"

namespace velk {

std::optional<std::string> EditorDocumentHost::editorDocumentName() { return std::nullopt; }

void EditorDocumentHost::editorGoHome() {}

Expected<void, EditorDocumentError> EditorDocumentHost::editorRename(std::string_view) {
    return Unexpected<EditorDocumentError>(HostUnsupported{"Rename"});
}

Expected<void, EditorDocumentError> EditorDocumentHost::editorSaveAs() {
    return Unexpected<EditorDocumentError>(HostUnsupported{"Save as"});
}

Expected<void, EditorDocumentError> EditorDocumentHost::editorExport(bool) {
    return Unexpected<EditorDocumentError>(HostUnsupported{"Export"});
}

}  // namespace velk
