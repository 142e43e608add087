#pragma once

// One open map package: its MapDocumentCore in memory and the PackageStore that writes it back.
// It answers the editor page through EditorDocumentHost and keeps the disk close behind: every
// accepted change (a save from the page, a new image) schedules an autosave about a second later
// on the main queue, restarted by the next change, and close() writes whatever is still pending.
//
// Ownership: made by open() or createEmpty() and owned through a std::shared_ptr by its window;
// the editor host holds it weakly. The file system and the main queue belong to the caller and
// outlive the document. Main thread only.

#include "bridge/EditorDocumentHost.h"
#include "bridge/EditorWebHost.h"
#include "document/DocumentOptions.h"
#include "document/DocumentStatus.h"
#include "document/DocumentWindow.h"
#include "package/MapDocumentCore.h"
#include "package/PackageError.h"
#include "package/PackageStore.h"
#include "platform/MainQueue.h"
#include "platform/PackageMonitor.h"

#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace velk {

class VelkDocument final : public EditorDocumentHost, public std::enable_shared_from_this<VelkDocument> {
public:
    static constexpr std::chrono::milliseconds autosaveDelay{1000};

    // Reads the package at `folder`; entries that cannot be read are left out, as the store says.
    [[nodiscard]] static Expected<std::shared_ptr<VelkDocument>, PackageError> open(std::string folder,
                                                                                     FileSystem& fileSystem,
                                                                                     MainQueue& mainQueue);
    // Writes a new, empty map as the package `folder` (which must not exist yet) and opens it.
    [[nodiscard]] static Expected<std::shared_ptr<VelkDocument>, PackageError> createEmpty(std::string folder,
                                                                                            FileSystem& fileSystem,
                                                                                            MainQueue& mainQueue);

    // Writes `contents` (an empty map when absent) as the new package `folder`, in a folder made
    // for it alone, and opens it as a draft called `name`: a map the user has not given a place
    // yet. Saving it elsewhere or discarding it removes that whole folder.
    [[nodiscard]] static Expected<std::shared_ptr<VelkDocument>, PackageError> createDraft(
        std::string folder, std::string name, FileSystem& fileSystem, MainQueue& mainQueue,
        std::optional<DocumentTree> contents = std::nullopt);

    // Opens the draft package `folder` that was left by an earlier run, as a draft called `name`.
    [[nodiscard]] static Expected<std::shared_ptr<VelkDocument>, PackageError> reopenDraft(std::string folder,
                                                                                            std::string name,
                                                                                            FileSystem& fileSystem,
                                                                                            MainQueue& mainQueue);

    VelkDocument(const VelkDocument&) = delete;
    VelkDocument& operator=(const VelkDocument&) = delete;
    ~VelkDocument() override;

    [[nodiscard]] const std::string& folder() const noexcept { return m_store.folder(); }
    [[nodiscard]] const MapDocumentCore& core() const noexcept { return m_core; }
    // Whether the core holds changes that are not on disk yet.
    [[nodiscard]] bool hasUnsavedChanges() const noexcept { return m_savedRevision != m_core.revision(); }
    // Whether the page has asked for the document's state at least once.
    [[nodiscard]] bool wasLoadedByEditor() const noexcept { return m_loadedByEditor; }

    [[nodiscard]] bool isDraft() const noexcept { return m_draftName.has_value(); }
    // Whether the page changed anything since the document was opened (a duplicate starts changed).
    [[nodiscard]] bool wasEdited() const noexcept { return m_edited; }
    // The name the user sees: the draft's name, or the package folder's without its extension.
    [[nodiscard]] std::string displayName() const;
    // The package name a save dialog proposes.
    [[nodiscard]] std::string proposedPackageName() const;
    // Whether the map holds nothing but what a new map starts with (and perhaps its thumbnail).
    [[nodiscard]] bool isBlank() const;
    [[nodiscard]] DocumentStatus status() const;

    // The window that shows the document and the editor host inside it; both may be absent, and
    // the window calls showIn(nullptr, {}) before it goes.
    void showIn(DocumentWindow* window, std::weak_ptr<EditorWebHost> webHost) noexcept {
        m_window = window;
        m_webHost = std::move(webHost);
    }

    // Writes pending changes now (nothing when there are none) and stops the pending autosave.
    [[nodiscard]] Expected<void, PackageError> save();
    // Reads the package again, dropping what is not written yet, and has the page reload it.
    [[nodiscard]] Expected<void, PackageError> revertToSaved();
    // Writes the whole map as the new package `folder` (nothing may have that name) and goes on
    // there; the package it was at stays as it is, unless it was a draft, which is removed. On
    // failure the document is where it was, unchanged.
    [[nodiscard]] Expected<void, PackageError> saveAs(std::string folder);
    // Moves the package to `folder` (nothing may have that name) and goes on there. A draft is
    // saved there instead. On failure the package stays where it was.
    [[nodiscard]] Expected<void, PackageError> moveTo(std::string folder);
    // Removes a draft's package and the folder made for it, and with it whatever was not written
    // yet: nothing is saved after this. Does nothing for a saved map.
    void discardDraft();
    // The window is closing: write what is pending.
    [[nodiscard]] Expected<void, PackageError> close();
    // The error of the last save that failed, cleared by the next that succeeds.
    [[nodiscard]] const std::optional<PackageError>& lastSaveError() const noexcept { return m_lastSaveError; }
    // Why velk refused the page's last save, when it did (a submap opened from two cards and
    // edited differently under each): the page's edits since are nowhere else, and a window
    // that closes loses them. Cleared by the next save velk takes, or by dropRefusedEdits() once
    // the user chose to lose them.
    [[nodiscard]] const std::optional<std::string>& refusedEdits() const noexcept { return m_refusedEdits; }
    void dropRefusedEdits();

    Expected<JSONValue, EditorDocumentError> editorLoad() override;
    Expected<std::int64_t, EditorDocumentError> editorSave(const JSONValue& body) override;
    Expected<std::string, EditorDocumentError> editorStoreMedia(std::string_view bytes, std::string_view type) override;
    SharedBytes editorMedia(std::string_view name, std::string_view directory) override;
    std::optional<std::string> editorDocumentName() override;
    void editorGoHome() override;
    Expected<void, EditorDocumentError> editorRename(std::string_view name) override;
    Expected<void, EditorDocumentError> editorSaveAs() override;
    Expected<void, EditorDocumentError> editorExport(bool selection) override;

    // Replaces the delays and trace the document was made with, and watches the package anew.
    void setOptions(DocumentOptions options);
    // Something touched the package on disk: reads it again and takes another program's changes,
    // keeping velk's unsaved ones as a conflict copy beside it. The package monitor calls this once
    // things settle; calling it when nothing changed does nothing.
    // `touchedFiles`, when given, are the only files the monitor saw change.
    void rereadAfterOutsideChange(const std::set<std::string>* touchedFiles = nullptr);

private:
    struct Key {};

public:
    VelkDocument(Key, std::string folder, FileSystem& fileSystem, MainQueue& mainQueue);

private:
    // Saves, then moves the package to `folder` and reads it there; tells nobody.
    [[nodiscard]] Expected<void, PackageError> relocate(std::string folder);
    void scheduleAutosave();
    // Tells the window when what it shows of the document (name, place, edited state) changed.
    void noteStatus();
    // The page's change was accepted.
    void noteEdit();
    // The name or place changed: the page and the window show it again.
    void announceName();
    // Removes the draft package `draft`, and the folder made for it when nothing else is left there;
    // nothing when `savedAt` (where the map was saved) is in that folder.
    void discardDraftHome(const std::string& draft, const std::string& savedAt = {});
    void cancelAutosave();
    void becomeDraft(std::string name);

    // Thumbnails.
    void schedulePreview(std::chrono::milliseconds after, bool markEdited);
    void capturePreview(bool markEdited);
    void storePreview(std::string png, bool markEdited);
    // Drops the pending capture: a picture of a window that is going shows nothing worth keeping.
    void cancelPreview();

    // Changes from outside.
    void watchPackage();
    void followPackage();
    void packageTouched(const PackageMonitor::Touched& touched);
    [[nodiscard]] bool onlyOwnWritesAt(const std::set<std::string>& paths);
    void adopt(DocumentTree tree);
    void takeReread(PackageStore reader, DocumentTree tree);
    void keepBothVersions(PackageStore reader, DocumentTree theirs);
    // A save the page made on the version from before a reread: kept as a conflict copy.
    [[nodiscard]] Expected<std::int64_t, EditorDocumentError> keepLateEdits(const JSONValue& body);
    void endReread();
    [[nodiscard]] static bool madeBeforeReload(const JSONValue& body);
    // velk's version was kept as the conflict copy `copy`.
    void tellConflictCopy(const std::string& name, const std::string& copy);
    // No conflict copy could be made: velk's version stays and will be saved over the other's.
    void tellNoConflictCopy(const std::string& name, const PackageError& why);
    void tellPackageIsGone(const PackageError& why);
    [[nodiscard]] bool changedUnderneath();
    // Whether a save stopped at writing the thumbnail.
    [[nodiscard]] bool failedOnPreview(const PackageError& error) const;
    [[nodiscard]] std::string shownName();

    PackageStore m_store;
    DocumentWindow* m_window = nullptr;
    std::weak_ptr<EditorWebHost> m_webHost;
    MainQueue& m_mainQueue;
    MapDocumentCore m_core;
    std::int64_t m_savedRevision = 0;
    std::optional<MainQueue::Ticket> m_autosave;
    std::optional<PackageError> m_lastSaveError;
    std::optional<std::string> m_refusedEdits;
    bool m_loadedByEditor = false;
    // The last state asked for could not be made: the root canvas is unreadable.
    bool m_rootUnreadable = false;
    DocumentOptions m_options;
    std::optional<MainQueue::Ticket> m_preview;
    bool m_previewUnsaved = false;      // a thumbnail not written yet; not an edit of the map
    std::unique_ptr<PackageMonitor> m_monitor;
    bool m_toldPackageIsGone = false;
    bool m_keepingOwnVersion = false;  // no conflict copy could be made; the user was told
    // From a reread until the page loads again: the map as it was before, and the conflict copy
    // made of it, if any.
    std::optional<DocumentTree> m_beforeReread;
    std::optional<std::string> m_rereadCopy;
    // The page has been sent the map as read again: only what it says it made before that
    // arrived goes to the copy; its first other save is the map's, and ends the reread.
    bool m_rereadSent = false;
    // After a revert, what the page saves before it loads is what the user threw away; once it
    // was sent the reverted map, so is what it says it made before that arrived.
    enum class Reverted { no, pageNotLoaded, mapSent };
    Reverted m_reverted = Reverted::no;
    std::optional<std::string> m_draftName;
    std::optional<std::string> m_draftHome;  // the folder made for a draft's package
    bool m_edited = false;
    DocumentStatus m_shownStatus;
};

}  // namespace velk
