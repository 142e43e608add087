#include "VelkDocument.h"

#include "document/PackagePlacement.h"
#include "package/MapDocument.h"
#include "package/MapNaming.h"
#include "package/Media.h"

#include <utility>

namespace velk {

VelkDocument::VelkDocument(Key, std::string folder, FileSystem& fileSystem, MainQueue& mainQueue)
    : m_store(fileSystem, std::move(folder)), m_mainQueue(mainQueue) {}

VelkDocument::~VelkDocument() {
    if (m_autosave) m_mainQueue.cancel(*m_autosave);
    if (m_preview) m_mainQueue.cancel(*m_preview);
}

Expected<std::shared_ptr<VelkDocument>, PackageError> VelkDocument::open(std::string folder, FileSystem& fileSystem,
                                                                         MainQueue& mainQueue) {
    auto document = std::make_shared<VelkDocument>(Key{}, std::move(folder), fileSystem, mainQueue);
    auto contents = document->m_store.read();
    if (!contents) return Unexpected(contents.error());
    document->m_core.replace(std::move(contents->tree));
    document->m_savedRevision = document->m_core.revision();
    document->watchPackage();
    return document;
}

Expected<std::shared_ptr<VelkDocument>, PackageError> VelkDocument::createEmpty(std::string folder,
                                                                                FileSystem& fileSystem,
                                                                                MainQueue& mainQueue) {
    auto document = std::make_shared<VelkDocument>(Key{}, std::move(folder), fileSystem, mainQueue);
    auto created = document->m_store.create(document->m_core.tree());
    if (!created) return Unexpected(created.error());
    document->m_savedRevision = document->m_core.revision();
    document->watchPackage();
    return document;
}

Expected<void, PackageError> VelkDocument::save() {
    cancelAutosave();
    if (!hasUnsavedChanges() && !m_previewUnsaved) return {};
    // Another program's write that the file monitor has not reported yet must not be overwritten.
    if (!m_keepingOwnVersion && changedUnderneath()) {
        rereadAfterOutsideChange();
        if (!hasUnsavedChanges() && !m_previewUnsaved) return {};
    }
    auto revision = m_core.revision();
    auto saved = m_store.save(m_core.tree());
    if (!saved && failedOnPreview(saved.error())) {
        // The thumbnail is written last and can be made again: on a disk too full for it, the
        // map's edits are on disk already, and the picture waits for the next save.
        m_core.restorePreview(m_store.knownTree().data(MapDocumentCore::previewPath));
        m_previewUnsaved = false;
        saved = m_store.save(m_core.tree());
    }
    if (!saved) {
        m_lastSaveError = saved.error();
        // Another program wrote while velk saved: sorted out now, as any outside change is.
        if (std::holds_alternative<PackageError::ChangedOnDisk>(saved.error().value())) {
            rereadAfterOutsideChange();
            if (!hasUnsavedChanges()) return {};
        }
        return Unexpected(saved.error());
    }
    m_lastSaveError.reset();
    m_savedRevision = revision;
    m_previewUnsaved = false;
    m_keepingOwnVersion = false;
    followPackage();
    noteStatus();
    return {};
}

bool VelkDocument::failedOnPreview(const PackageError& error) const {
    const auto* notSaved = std::get_if<PackageError::NotSaved>(&error.value());
    const std::string preview = folder() + "/" + std::string(MapDocumentCore::previewPath);
    return notSaved && (notSaved->cause.path() == preview || notSaved->cause.path() == PackagePlacement::parentFolder(preview));
}

Expected<void, PackageError> VelkDocument::revertToSaved() {
    auto contents = m_store.read();
    if (!contents) return Unexpected(contents.error());
    adopt(std::move(contents->tree));
    m_reverted = Reverted::pageNotLoaded;
    endReread();
    m_refusedEdits.reset();
    noteStatus();
    return {};
}

Expected<void, PackageError> VelkDocument::close() {
    cancelPreview();
    return save();
}

void VelkDocument::scheduleAutosave() {
    if (m_autosave) m_mainQueue.cancel(*m_autosave);
    m_autosave = m_mainQueue.runAfter(autosaveDelay, [weak = weak_from_this()] {
        auto document = weak.lock();
        if (!document) return;
        document->m_autosave.reset();
        // A failure is kept in lastSaveError(); the next change or the close tries again.
        (void)document->save();
    });
}

Expected<JSONValue, EditorDocumentError> VelkDocument::editorLoad() {
    if (!m_core.previewData()) schedulePreview(m_options.firstThumbnailDelay, true);
    auto state = m_core.state();
    m_rootUnreadable = !state;
    if (!state) return Unexpected<EditorDocumentError>(state.error());
    m_loadedByEditor = true;
    if (m_reverted == Reverted::pageNotLoaded) m_reverted = Reverted::mapSent;
    m_rereadSent = m_beforeReread.has_value();
    return *state;
}

Expected<std::int64_t, EditorDocumentError> VelkDocument::editorSave(const JSONValue& body) {
    // A map velk could not read (cut short, half synced) stays as it is on disk: a page that
    // saves anyway saves a map it never saw, over the user's file.
    if (m_rootUnreadable) {
        return Unexpected<EditorDocumentError>(MapDocumentError::noRootCanvas(std::string(MapDocument::rootCanvasName)));
    }
    // The page sends what it holds before it loads the reverted map; kept, it would undo the revert.
    if (m_reverted == Reverted::pageNotLoaded || (m_reverted == Reverted::mapSent && madeBeforeReload(body)))
        return m_core.revision();
    m_reverted = Reverted::no;
    if (m_beforeReread) {
        if (!m_rereadSent || madeBeforeReload(body)) return keepLateEdits(body);
        endReread();
    }
    auto revision = m_core.apply(body, m_store.notRead());
    if (!revision) {
        m_refusedEdits = revision.error().description();
        noteStatus();
        return Unexpected<EditorDocumentError>(revision.error());
    }
    m_refusedEdits.reset();
    if (hasUnsavedChanges()) scheduleAutosave();
    schedulePreview(m_options.thumbnailAfterSaveDelay, false);
    noteEdit();
    return *revision;
}

void VelkDocument::dropRefusedEdits() {
    m_refusedEdits.reset();
    noteStatus();
}

Expected<std::string, EditorDocumentError> VelkDocument::editorStoreMedia(std::string_view bytes,
                                                                          std::string_view type) {
    // Pasted into the map the user reverted: its card goes with it, and so does the image.
    if (m_reverted == Reverted::pageNotLoaded) {
        DocumentTree untouched = m_core.tree();
        auto stored = Media::store(untouched, bytes, type, m_store.notRead());
        if (!stored) return Unexpected<EditorDocumentError>(stored.error());
        return stored->path;
    }
    auto path = m_core.storeMedia(bytes, type, m_store.notRead());
    if (!path) return Unexpected<EditorDocumentError>(path.error());
    // Pasted before the page has loaded another program's version: the card goes with the page's
    // late edits into the conflict copy, and its image with it.
    if (m_beforeReread) (void)Media::store(*m_beforeReread, bytes, type, m_store.notRead());
    if (hasUnsavedChanges()) scheduleAutosave();
    noteEdit();
    return *path;
}

SharedBytes VelkDocument::editorMedia(std::string_view name, std::string_view directory) {
    return m_core.mediaData(name, directory);
}

std::optional<std::string> VelkDocument::editorDocumentName() { return MapNaming::displayName(displayName()); }

}  // namespace velk
