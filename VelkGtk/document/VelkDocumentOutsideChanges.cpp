// Changes other programs make to an open package. The package is watched while it is open; once
// things settle it is read again, and only a difference in content that velk did not write counts.
// velk then takes the other program's version; when it holds unsaved changes of its own, it first
// keeps them as a conflict copy beside the package, so neither side is ever dropped. A package
// that disappears stays open in memory, is not recreated, and the user is told once.

#include "VelkDocument.h"

#include "package/ConflictCopy.h"
#include "package/MapNaming.h"
#include "package/OutsideChange.h"

#include <utility>

namespace velk {

void VelkDocument::setOptions(DocumentOptions options) {
    const bool settleChanged = options.outsideChangeSettle != m_options.outsideChangeSettle;
    m_options = std::move(options);
    if (!m_monitor || settleChanged) watchPackage();
}

void VelkDocument::watchPackage() {
    m_monitor.reset();
    m_monitor = std::make_unique<PackageMonitor>(folder(), m_mainQueue, m_options.outsideChangeSettle,
                                                 [weak = weak_from_this()](const PackageMonitor::Touched& touched) {
                                                     if (auto document = weak.lock()) document->packageTouched(touched);
                                                 });
}

void VelkDocument::followPackage() {
    // Saved elsewhere or moved by velk itself: watch where the package is now.
    if (!m_monitor || m_monitor->folder() != folder()) watchPackage();
}

void VelkDocument::packageTouched(const PackageMonitor::Touched& touched) {
    followPackage();
    // After velk's own saves only the files it wrote were touched: reading those few back is
    // enough, where a whole reread of a package full of images would stall the window.
    if (touched.everything) return rereadAfterOutsideChange();
    if (onlyOwnWritesAt(touched.paths)) return;
    rereadAfterOutsideChange(&touched.paths);
}

bool VelkDocument::onlyOwnWritesAt(const std::set<std::string>& paths) {
    DocumentTree onDisk;
    for (const std::string& path : paths) {
        auto bytes = m_store.fileSystem().read(folder() + "/" + path);
        if (bytes) {
            onDisk.write(std::move(*bytes), path);
        } else if (!std::holds_alternative<FileSystemError::NotFound>(bytes.error().reason())) {
            return false;  // a folder, or unreadable: the whole reread sorts it out
        }
    }
    return OutsideChange::ownWritesAt({paths.begin(), paths.end()}, onDisk, m_store.knownTree(), m_core.tree());
}

void VelkDocument::rereadAfterOutsideChange(const std::set<std::string>* touchedFiles) {
    // A store of its own, so a reread that finds nothing new leaves the saving store's record of
    // the disk as it was. When the monitor named the files another program touched, only those
    // are read: a package full of images is not read through for one canvas a sync tool wrote.
    PackageStore probe = m_store;
    std::optional<DocumentTree> onDisk = touchedFiles ? probe.readAgainAt(*touchedFiles) : std::nullopt;
    if (!onDisk) {
        probe = PackageStore(m_store.fileSystem(), folder());
        auto contents = probe.read();
        if (!contents) {
            tellPackageIsGone(contents.error());
            return;
        }
        onDisk = std::move(contents->tree);
    }
    m_toldPackageIsGone = false;
    switch (OutsideChange::judge(*onDisk, m_store.knownTree(), m_core.tree(), hasUnsavedChanges())) {
    case OutsideChange::Verdict::none:
        // Back after it was gone: write what could not be written meanwhile.
        if (m_lastSaveError && hasUnsavedChanges()) scheduleAutosave();
        return;
    case OutsideChange::Verdict::conflict:
        keepBothVersions(std::move(probe), std::move(*onDisk));
        return;
    case OutsideChange::Verdict::take:
        m_options.trace([] { return std::string("outside change: taking the package as it is now"); });
        takeReread(std::move(probe), std::move(*onDisk));
        return;
    }
}

void VelkDocument::takeReread(PackageStore reader, DocumentTree tree) {
    // What the reader found on disk is what the next save compares with.
    m_store = std::move(reader);
    // Until the page has the map as it is now, what it saves was made on the map as it was; a
    // reread the page was already sent is over.
    if (!m_beforeReread || m_rereadSent) {
        endReread();
        m_beforeReread = m_core.tree();
    }
    adopt(std::move(tree));
}

// The page saves what it holds before it loads the other program's version, so that nothing
// typed is lost; written into the map, those edits would put the version before back over the
// other program's. They go into the conflict copy of this reread, made now if there is none.
Expected<std::int64_t, EditorDocumentError> VelkDocument::keepLateEdits(const JSONValue& body) {
    MapDocumentCore ours(*m_beforeReread);
    (void)ours.state();  // the copies of shared submaps, as the page had them
    if (auto applied = ours.apply(body, m_store.notRead()); !applied) return Unexpected<EditorDocumentError>(applied.error());
    if (m_rereadCopy) {
        PackageStore copy(m_store.fileSystem(), *m_rereadCopy);
        if (copy.read() && copy.save(ours.tree())) return m_core.revision();
    }
    const std::string name = shownName();
    auto copy = ConflictCopy::write(m_store.fileSystem(), folder(), ours.tree(), std::chrono::system_clock::now());
    if (!copy) {
        // Nowhere to keep them: they go into the map after all, as when velk's own version could
        // not be kept (see keepBothVersions), and the user is told.
        endReread();
        tellNoConflictCopy(name, copy.error());
        return editorSave(body);
    }
    m_rereadCopy = *copy;
    m_options.trace([&] { return "outside change: the page's late edits kept as " + *copy; });
    tellConflictCopy(name, *copy);
    return m_core.revision();
}

void VelkDocument::endReread() {
    m_beforeReread.reset();
    m_rereadCopy.reset();
    m_rereadSent = false;
}

// Whether the page says it made this body before the map it was last sent arrived.
bool VelkDocument::madeBeforeReload(const JSONValue& body) {
    const auto said = body["madeBeforeReload"];
    return said && said->boolValue().value_or(false);
}

void VelkDocument::adopt(DocumentTree tree) {
    cancelAutosave();
    m_core.replace(std::move(tree));
    m_savedRevision = m_core.revision();
    m_previewUnsaved = false;
    if (auto host = m_webHost.lock()) host->notifyChanged(m_core.revision(), "file");
    // The window hears of every reread, and what it shows is what the document is now.
    m_shownStatus = status();
    if (m_window) m_window->documentDidChange();
}

void VelkDocument::keepBothVersions(PackageStore reader, DocumentTree theirs) {
    const std::string name = shownName();
    auto copy = ConflictCopy::write(m_store.fileSystem(), folder(), m_core.tree(), std::chrono::system_clock::now());
    if (!copy) {
        // velk's version cannot be put anywhere else: it stays open and unsaved rather than lost,
        // and the user chooses. What the disk holds now is what its save will replace.
        m_store = std::move(reader);
        tellNoConflictCopy(name, copy.error());
        return;
    }
    m_options.trace([&] { return "outside change: velk's version kept as " + *copy; });
    takeReread(std::move(reader), std::move(theirs));
    m_rereadCopy = *copy;
    tellConflictCopy(name, *copy);
}

void VelkDocument::tellConflictCopy(const std::string& name, const std::string& copy) {
    if (!m_window) return;
    const std::string copyName = MapNaming::displayName(std::string_view(copy).substr(copy.rfind('/') + 1));
    m_window->presentAlert("“" + name + "” was changed by another program while you edited it",
                           "velk now shows the other program's version. Your changes are kept in “" + copyName + "” beside it.");
}

void VelkDocument::tellNoConflictCopy(const std::string& name, const PackageError& why) {
    m_options.trace([&] { return "outside change: no conflict copy: " + why.description(); });
    m_keepingOwnVersion = true;
    if (!m_window) return;
    m_window->presentAlert("“" + name + "” was changed by another program",
                           "velk could not keep your changes as a copy beside it (" + why.description() +
                               "). They are still open in this window and will be saved over the other program's "
                               "version; use Revert To Saved to take that version instead.");
}

void VelkDocument::tellPackageIsGone(const PackageError& why) {
    if (m_toldPackageIsGone) return;
    m_toldPackageIsGone = true;
    m_options.trace([&] { return "outside change: the package is gone from " + folder(); });
    if (!m_window) return;
    // A package still there that velk may no longer read (its permissions changed) is not gone.
    const auto* cannotOpen = std::get_if<PackageError::CannotOpen>(&why.value());
    if (cannotOpen && !std::holds_alternative<FileSystemError::NotFound>(cannotOpen->cause.reason())) {
        m_window->presentAlert("velk can no longer read \u201c" + shownName() + "\u201d",
                               cannotOpen->cause.description() + " velk keeps the map open with everything in it; once it may "
                                                                 "read the package again, the next save writes it all.");
        return;
    }
    m_window->presentAlert("“" + shownName() + "” was moved or deleted by another program",
                           "velk keeps the map open with everything in it, but cannot save it until its package is "
                           "back where it was. Save it under a new name to keep it.");
}

bool VelkDocument::changedUnderneath() {
    FileSystem& fileSystem = m_store.fileSystem();
    const DocumentTree known = m_store.knownTree();
    for (const std::string& path : OutsideChange::filesAboutToChange(known, m_core.tree())) {
        const SharedBytes expected = known.data(path);
        auto onDisk = fileSystem.read(folder() + "/" + path);
        if (!onDisk) {
            // Gone, or replaced by something velk cannot read: either way not what velk wrote.
            if (expected || !std::holds_alternative<FileSystemError::NotFound>(onDisk.error().reason())) return true;
            continue;
        }
        if (!expected || *onDisk != *expected) return true;
    }
    return false;
}

std::string VelkDocument::shownName() { return *editorDocumentName(); }

}  // namespace velk
