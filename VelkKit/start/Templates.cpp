#include "start/Templates.h"

#include "json/OrderedJSON.h"
#include "package/MapDocument.h"

#include <utility>

namespace velk::Templates {

namespace {

std::string inFolder(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (path.empty() || path.back() != '/') path += '/';
    return path + std::string(name);
}

Unexpected<TemplateError> badManifest(std::string reason) {
    return Unexpected<TemplateError>(TemplateError::badManifest(std::move(reason)));
}

Expected<std::vector<MapTemplate>, TemplateError> decode(std::string_view text) {
    const auto manifest = OrderedJSON::parse(text);
    if (!manifest) return badManifest(std::string(manifestName) + ": " + manifest.error().description());
    if (!manifest->arrayValue()) return badManifest(std::string(manifestName) + " is not a JSON array");
    std::vector<MapTemplate> templates;
    std::size_t position = 0;
    for (const JSONValue element : manifest->elements()) {
        ++position;
        MapTemplate entry;
        const std::pair<const char*, std::string*> fields[] = {{"id", &entry.id}, {"title", &entry.title}, {"blurb", &entry.blurb}};
        for (const auto& [key, field] : fields) {
            const auto member = element[key];
            const auto text = member ? member->stringValue() : std::nullopt;
            if (!text) {
                return badManifest("template " + std::to_string(position) + " in " + std::string(manifestName) +
                                   " has no text \"" + key + "\"");
            }
            *field = std::string(*text);
        }
        templates.push_back(std::move(entry));
    }
    return templates;
}

}  // namespace

Expected<std::vector<MapTemplate>, TemplateError> list(const std::string& templatesFolder, FileSystem& fileSystem) {
    const auto bytes = fileSystem.read(inFolder(templatesFolder, manifestName));
    if (!bytes) return Unexpected<TemplateError>(TemplateError::missingManifest());
    return decode(*bytes);
}

Expected<DocumentTree, TemplateError> tree(std::string_view id, const std::string& templatesFolder, FileSystem& fileSystem) {
    const auto templates = list(templatesFolder, fileSystem);
    if (!templates) return Unexpected<TemplateError>(templates.error());
    bool listed = false;
    for (const MapTemplate& entry : *templates) listed = listed || entry.id == id;
    if (!listed) return Unexpected<TemplateError>(TemplateError::unknownTemplate(std::string(id)));
    DocumentTree content = read(inFolder(templatesFolder, id), fileSystem);
    if (!content.data(MapDocument::rootCanvasName)) return Unexpected<TemplateError>(TemplateError::emptyTemplate(std::string(id)));
    return content;
}

DocumentTree read(const std::string& folder, FileSystem& fileSystem) {
    // Folders are walked with a stack of their own, not by recursion, so a deep folder cannot
    // exhaust the call stack.
    struct Frame {
        std::string path;
        std::string name;
        std::vector<DirectoryEntry> entries;
        std::size_t next = 0;
        DocumentTree::Children children;
    };
    auto frame = [&](std::string path, std::string name) {
        auto entries = fileSystem.list(path);
        return Frame{std::move(path), std::move(name), entries ? std::move(*entries) : std::vector<DirectoryEntry>{}, 0, {}};
    };
    std::vector<Frame> stack;
    stack.push_back(frame(folder, ""));
    for (;;) {
        Frame& top = stack.back();
        if (top.next == top.entries.size()) {
            DocumentTree made = DocumentTree::directory(std::move(top.children));
            std::string name = std::move(top.name);
            stack.pop_back();
            if (stack.empty()) return made;
            stack.back().children.insert_or_assign(std::move(name), std::move(made));
            continue;
        }
        const DirectoryEntry& entry = top.entries[top.next++];
        if (entry.name.empty() || entry.name.starts_with(".")) continue;
        const std::string path = inFolder(top.path, entry.name);
        if (entry.kind == EntryKind::directory) {
            stack.push_back(frame(path, entry.name));  // `top` is not used past this point
        } else if (entry.kind == EntryKind::regularFile) {
            if (auto bytes = fileSystem.read(path)) top.children.insert_or_assign(entry.name, DocumentTree::file(std::move(*bytes)));
        }
    }
}

std::string newMapName(const MapTemplate& mapTemplate) {
    return mapTemplate.id == blankID ? std::string(blankMapName) : mapTemplate.title;
}

}  // namespace velk::Templates
