// Where a VelkDocument lives and what it is called: drafts, the name the user sees, saving as a
// new package, moving and renaming, and telling the window when any of it changed.

#include "VelkDocument.h"

#include "document/PackagePlacement.h"
#include "document/RenamePlan.h"
#include "package/MapNaming.h"

#include <utility>

namespace velk {

Expected<std::shared_ptr<VelkDocument>, PackageError> VelkDocument::createDraft(std::string folder, std::string name,
                                                                                FileSystem& fileSystem,
                                                                                MainQueue& mainQueue,
                                                                                std::optional<DocumentTree> contents) {
    auto document = std::make_shared<VelkDocument>(Key{}, std::move(folder), fileSystem, mainQueue);
    if (contents) {
        document->m_core.replace(std::move(*contents));
        document->m_edited = true;
    }
    auto created = document->m_store.create(document->m_core.tree());
    if (!created) return Unexpected(created.error());
    document->m_savedRevision = document->m_core.revision();
    document->becomeDraft(std::move(name));
    return document;
}

Expected<std::shared_ptr<VelkDocument>, PackageError> VelkDocument::reopenDraft(std::string folder, std::string name,
                                                                                FileSystem& fileSystem,
                                                                                MainQueue& mainQueue) {
    auto document = open(std::move(folder), fileSystem, mainQueue);
    if (!document) return document;
    // It outlived the window it was made in, so it holds what the user could lose.
    (*document)->m_edited = !(*document)->isBlank();
    (*document)->becomeDraft(std::move(name));
    return document;
}

void VelkDocument::becomeDraft(std::string name) {
    m_draftName = std::move(name);
    m_draftHome = PackagePlacement::parentFolder(folder());
    m_shownStatus = status();
}

bool VelkDocument::isBlank() const {
    // The thumbnail taken of a draft nobody touched is a picture of nothing.
    MapDocumentCore blank;
    if (const SharedBytes preview = m_core.previewData()) blank.setPreview(*preview);
    return m_core.tree() == blank.tree();
}

std::string VelkDocument::displayName() const {
    if (m_draftName) return *m_draftName;
    return MapNaming::displayName(PackagePlacement::lastComponent(folder()));
}

std::string VelkDocument::proposedPackageName() const { return MapNaming::packageFileName(displayName()); }

DocumentStatus VelkDocument::status() const {
    return DocumentStatus{displayName(), folder(), isDraft(), m_edited, hasUnsavedChanges() || m_refusedEdits};
}

void VelkDocument::noteStatus() {
    auto now = status();
    if (now == m_shownStatus) return;
    m_shownStatus = std::move(now);
    if (m_window) m_window->documentDidChange();
}

void VelkDocument::noteEdit() {
    if (hasUnsavedChanges()) m_edited = true;
    noteStatus();
}

void VelkDocument::announceName() {
    if (auto host = m_webHost.lock()) host->setDocumentName(MapNaming::displayName(displayName()));
    noteStatus();
}

Expected<void, PackageError> VelkDocument::saveAs(std::string destination) {
    PackageStore next(m_store.fileSystem(), std::move(destination));
    if (auto created = next.create(m_core.tree()); !created) return Unexpected(created.error());
    cancelAutosave();
    const std::string draft = folder();
    m_store = std::move(next);
    m_savedRevision = m_core.revision();
    m_lastSaveError.reset();
    discardDraftHome(draft, folder());
    announceName();
    return {};
}

Expected<void, PackageError> VelkDocument::moveTo(std::string destination) {
    if (isDraft()) return saveAs(std::move(destination));
    if (auto moved = relocate(std::move(destination)); !moved) return moved;
    announceName();
    return {};
}

Expected<void, PackageError> VelkDocument::relocate(std::string destination) {
    if (auto saved = save(); !saved) return saved;
    const std::string from = folder();
    auto moved = PackagePlacement::move(m_store.fileSystem(), from, destination);
    if (!moved) return Unexpected(moved.error());
    if (*moved && m_window) {
        m_window->presentAlert("\u201c" + shownName() + "\u201d was copied, not moved",
                               "The map is whole at both places; this window now shows the one at \u201c" + destination +
                                   "\u201d. velk could not remove the one at \u201c" + from + "\u201d: " +
                                   (*moved)->cause.description());
    }
    PackageStore next(m_store.fileSystem(), std::move(destination));
    // Reading gives the new store its record of the disk. The package has moved either way:
    // without a record, the next save simply writes every file.
    auto found = next.read();
    m_store = std::move(next);
    // The map was saved just before, so whatever else the disk holds (a file another program put
    // in the package, one that could not be read when the map opened) is the user's too. The map
    // in memory takes it in, or the next save would remove it as left over.
    if (found && found->tree != m_core.tree()) adopt(std::move(found->tree));
    return {};
}

void VelkDocument::discardDraft() {
    if (!isDraft()) return;
    // Its package goes on purpose: nothing to watch, nobody to tell, nothing to picture.
    m_monitor.reset();
    cancelPreview();
    cancelAutosave();
    m_savedRevision = m_core.revision();
    discardDraftHome(folder());
}

void VelkDocument::cancelAutosave() {
    if (!m_autosave) return;
    m_mainQueue.cancel(*m_autosave);
    m_autosave.reset();
}

void VelkDocument::discardDraftHome(const std::string& draft, const std::string& savedAt) {
    m_draftName.reset();
    if (!m_draftHome) return;
    // The folder was made for the draft, so nothing of the user's is in it, unless the map was just
    // saved there, or velk kept a conflict copy beside the draft: the folder then stays with those.
    const std::string home = *std::exchange(m_draftHome, std::nullopt);
    if (savedAt == home || savedAt.starts_with(home + "/")) return;
    (void)PackagePlacement::removeTree(m_store.fileSystem(), draft);
    (void)m_store.fileSystem().removeDirectory(home);
}

void VelkDocument::editorGoHome() {
    if (m_window) m_window->showStartWindow();
}

Expected<void, EditorDocumentError> VelkDocument::editorRename(std::string_view name) {
    std::optional<std::string_view> current;
    if (!isDraft()) current = folder();
    auto plan = planRename(name, current, [this](const std::string& path) {
        return PackagePlacement::exists(m_store.fileSystem(), path);
    });
    if (!plan) return Unexpected<EditorDocumentError>(plan.error());
    if (isDraft()) {
        m_draftName = plan->displayName;
        // The draft's package takes the name too: a draft reopened after a crash is named after it.
        // Should that fail, the name still holds for as long as velk runs.
        const std::string named = *m_draftHome + "/" + MapNaming::packageFileName(*m_draftName);
        if (named != folder()) (void)relocate(named);
        announceName();
        return {};
    }
    if (!plan->folder) return {};
    // The page asked and is answered at once; a move that fails is the user's to hear about.
    if (auto moved = moveTo(*plan->folder); !moved && m_window)
        m_window->presentAlert("The map could not be renamed", moved.error().description());
    return {};
}

Expected<void, EditorDocumentError> VelkDocument::editorSaveAs() {
    if (m_window) m_window->runSaveAs();
    return {};
}

Expected<void, EditorDocumentError> VelkDocument::editorExport(bool selection) {
    if (m_window) m_window->runExport(selection);
    return {};
}

}  // namespace velk
