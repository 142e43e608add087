#include "package/MapDocumentCore.h"

#include "package/MapTree.h"
#include "package/FileWrapperTree.h"
#include "package/Media.h"

#include <cassert>

namespace velk {

MapDocumentCore::MapDocumentCore() : m_tree(FileWrapperTree::emptyDocument()) {}

MapDocumentCore::MapDocumentCore(DocumentTree tree) : m_tree(std::move(tree)) {}

void MapDocumentCore::checkThread() const {
    assert(std::this_thread::get_id() == m_owner && "a MapDocumentCore is used from the thread that made it");
}

Expected<JSONValue, MapDocumentError> MapDocumentCore::state() {
    checkThread();
    auto maps = learn();
    if (!maps) return Unexpected<MapDocumentError>(maps.error());
    return MapDocument::state(*maps);
}

Expected<std::vector<LoadedMap>, MapDocumentError> MapDocumentCore::learn() {
    auto maps = MapDocument::load(m_tree, MapDocument::rootCanvasName);
    if (!maps) return Unexpected<MapDocumentError>(maps.error());
    MapDocument::KnownFiles files;
    ParsedFiles parsed;
    for (const LoadedMap& map : *maps) {
        files.try_emplace(map.path, map.file);
        parsed.remember(map.file, m_tree.data(map.file), map.canvas);
    }
    m_files = std::move(files);
    m_parsed = std::move(parsed);
    m_followed.clear();
    m_sharedCopies = SharedSubmapCopies::fromLoaded(*maps);
    m_learned = true;
    return maps;
}

Expected<std::int64_t, MapDocumentError> MapDocumentCore::apply(const JSONValue& saveBody,
                                                                const std::vector<std::string>& notRead) {
    checkThread();
    // A body for a tree read again before anyone asked for its state (a page that saves what it
    // had before it loads the map anew): without the files behind the maps, each map the body
    // holds would get a new file beside its own, and copies of a shared submap would part.
    if (!m_learned) (void)learn();
    auto resolved = MapDocument::resolveSharedFiles(saveBody, m_files, m_sharedCopies);
    if (!resolved) return Unexpected<MapDocumentError>(resolved.error());
    auto saved =
        MapDocument::apply(resolved->body, m_tree, m_files, MapDocument::rootCanvasName, m_followed, m_parsed, notRead);

    // A shared submap whose file was renamed keeps its fingerprint under the new name.
    SharedSubmapCopies copies = std::move(resolved->copies);
    for (const auto& [mapPath, newFile] : saved.files) {
        const auto old = m_files.find(mapPath);
        if (old == m_files.end()) continue;
        const std::string oldKey = MapTree::canonicalPath(old->second), newKey = MapTree::canonicalPath(newFile);
        if (oldKey == newKey) continue;
        if (const auto fingerprint = copies.current.find(oldKey); fingerprint != copies.current.end()) {
            copies.current.insert_or_assign(newKey, fingerprint->second);
        }
    }

    m_tree = std::move(saved.tree);
    m_files = std::move(saved.files);
    m_followed = std::move(saved.followed);
    m_sharedCopies = std::move(copies);
    m_parsed.merge(std::move(saved.written));
    return ++m_revision;
}

Expected<std::string, MediaError> MapDocumentCore::storeMedia(std::string_view bytes, std::string_view type,
                                                              const std::vector<std::string>& notRead) {
    checkThread();
    auto stored = Media::store(m_tree, bytes, type, notRead);
    if (!stored) return Unexpected<MediaError>(stored.error());
    if (stored->written) ++m_revision;
    return stored->path;
}

SharedBytes MapDocumentCore::mediaData(std::string_view name, std::string_view directory) const {
    checkThread();
    return Media::data(m_tree, name, directory);
}

void MapDocumentCore::replace(DocumentTree tree) {
    checkThread();
    m_tree = std::move(tree);
    m_files.clear();
    m_followed.clear();
    m_sharedCopies = {};
    m_parsed = {};
    m_learned = false;
    ++m_revision;
}

SharedBytes MapDocumentCore::previewData() const {
    checkThread();
    return m_tree.data(previewPath);
}

void MapDocumentCore::setPreview(std::string png) {
    checkThread();
    m_tree.write(std::move(png), previewPath);
}

void MapDocumentCore::restorePreview(SharedBytes kept) {
    checkThread();
    if (kept) return m_tree.write(std::move(kept), previewPath);
    m_tree.remove(previewPath);
    // Its folder goes too when that leaves it empty: a disk too full for the picture may be too
    // full for the folder.
    const std::string folder(previewPath.substr(0, previewPath.find('/')));
    if (const auto quickLook = m_tree.child(folder); quickLook && quickLook->isDirectory() && quickLook->children().empty()) {
        DocumentTree::Children children = m_tree.children();
        children.erase(folder);
        m_tree = DocumentTree::directory(std::move(children));
    }
}

}  // namespace velk
