#pragma once

// MapDocumentCore holds one open map package in memory and answers what the editor asks of it:
// its state, saves, images and the thumbnail. Besides the package tree it keeps what it learned
// at the last load (the file behind each map path, fingerprints of submaps opened from several
// cards) and a revision that grows with every change, so the editor can be told when the
// document changed. It knows nothing of windows, web views or disks.
//
// A failed operation leaves the core exactly as it was. The core takes no locks: it belongs to
// the thread that made it (the main thread for an open document), and debug builds assert that.

#include "core/Expected.h"
#include "json/JSONValue.h"
#include "package/DocumentTree.h"
#include "package/MapDocument.h"
#include "package/MapDocumentError.h"
#include "package/MediaError.h"
#include "package/ParsedFiles.h"
#include "package/SharedSubmapCopies.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

namespace velk {

class MapDocumentCore {
public:
    // Where the thumbnail that file browsers show is kept.
    static constexpr std::string_view previewPath = "QuickLook/Thumbnail.png";

    // A new, empty map.
    MapDocumentCore();
    explicit MapDocumentCore(DocumentTree tree);

    [[nodiscard]] const DocumentTree& tree() const noexcept { return m_tree; }
    [[nodiscard]] const MapDocument::KnownFiles& files() const noexcept { return m_files; }
    [[nodiscard]] std::int64_t revision() const noexcept { return m_revision; }

    // The editor state of the whole package; remembers the file behind each map and the
    // fingerprints of shared submaps for the saves that follow.
    [[nodiscard]] Expected<JSONValue, MapDocumentError> state();

    // Applies a save body and returns the new revision, or refuses a save that would overwrite
    // diverging copies of a shared submap. New and moved files are named around `notRead`, the
    // package paths the disk holds but the tree does not.
    [[nodiscard]] Expected<std::int64_t, MapDocumentError> apply(const JSONValue& saveBody,
                                                               const std::vector<std::string>& notRead = {});

    // Stores an image and returns its package path. The revision grows only when a new file was
    // written.
    [[nodiscard]] Expected<std::string, MediaError> storeMedia(std::string_view bytes, std::string_view type,
                                                               const std::vector<std::string>& notRead = {});
    [[nodiscard]] SharedBytes mediaData(std::string_view name, std::string_view directory) const;

    // Takes a tree read from disk (again); what was learned at the last load is forgotten.
    void replace(DocumentTree tree);

    [[nodiscard]] SharedBytes previewData() const;
    // A new thumbnail is not an edit of the map: the revision stays.
    void setPreview(std::string png);
    // Puts the thumbnail back as `kept` (the one on disk), or removes it, with its folder when
    // that is left empty, when there is none.
    void restorePreview(SharedBytes kept);

private:
    void checkThread() const;
    // Loads the tree and remembers what the saves that follow need: the file behind each map,
    // the canvases as parsed and the fingerprints of shared submaps.
    [[nodiscard]] Expected<std::vector<LoadedMap>, MapDocumentError> learn();

    DocumentTree m_tree;
    MapDocument::KnownFiles m_files;
    // Cards the editor still shows under a file's old name; forgotten when it gets a new state.
    MapDocument::FollowedRenames m_followed;
    std::int64_t m_revision = 0;
    SharedSubmapCopies m_sharedCopies;
    ParsedFiles m_parsed;  // the canvases as last loaded or saved
    bool m_learned = false;  // since the tree was last replaced
    std::thread::id m_owner = std::this_thread::get_id();
};

}  // namespace velk
