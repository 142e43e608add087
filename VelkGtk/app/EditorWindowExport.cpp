// The editor window's Export: the dialog, then the picture from the page, written where chosen.

#include "EditorWindow.h"

#include "document/PackagePlacement.h"
#include "export/MapExport.h"

namespace velk {

void EditorWindow::runExport(bool selection) {
    // Beside the map, as Save As proposes; a draft has no place yet.
    const std::string folder = m_document->isDraft() ? std::string() : PackagePlacement::parentFolder(m_document->folder());
    m_exportChooser.run(*this, m_document->displayName(), folder, selection, [this](ExportChooser::Choice choice) {
        const ExportRequest request{choice.format, choice.selection, std::nullopt};
        MapExport::run(*m_binding, request, choice.file,
                       [this, alive = std::weak_ptr<int>(m_lifetime)](Expected<void, std::string> exported) {
                           if (!exported && !alive.expired())
                               presentAlert("The map could not be exported", exported.error());
                       });
    });
}

}  // namespace velk
