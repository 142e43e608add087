#include "shell/MapsFolder.h"

#include <sys/stat.h>

#include <vector>

namespace velk::MapsFolder {
namespace {

bool isAbsolute(const std::optional<std::string>& path) { return path && path->starts_with('/'); }

std::vector<std::string_view> components(std::string_view path) {
    std::vector<std::string_view> parts;
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        if (!part.empty()) parts.push_back(part);
        if (slash == std::string_view::npos) break;
        path.remove_prefix(slash + 1);
    }
    return parts;
}

// ".Trash-1000": the per-user trash at the top of a mount that has no shared ".Trash".
bool isMountTrash(std::string_view component) {
    constexpr std::string_view prefix = ".Trash-";
    if (!component.starts_with(prefix) || component.size() == prefix.size()) return false;
    for (const char c : component.substr(prefix.size()))
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

std::string_view chooserMessage(std::optional<Reason> reason) noexcept {
    if (!reason) return "Where should velk keep new maps? Maps you already have stay where they are.";
    switch (*reason) {
    case Reason::neverChosen:
        return "Where should velk keep your maps? New maps are saved in this folder. Choose Documents to keep them in "
               "Documents \u203A velk.";
    case Reason::gone: return "The folder velk kept your maps in is gone. Where should new maps go?";
    }
    return {};
}

std::string standardized(std::string_view path) {
    const bool absolute = path.starts_with('/');
    std::vector<std::string_view> kept;
    for (const std::string_view part : components(path)) {
        if (part == ".") continue;
        if (part == "..") {
            if (!kept.empty() && kept.back() != "..")
                kept.pop_back();
            else if (!absolute)
                kept.push_back(part);  // above the root is the root
            continue;
        }
        kept.push_back(part);
    }
    std::string result = absolute ? "/" : "";
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) result += '/';
        result += kept[i];
    }
    if (result.empty()) result = ".";
    return result;
}

std::string home(const UserFolders& folders) {
    if (folders.databaseHome && !folders.databaseHome->empty()) return *folders.databaseHome;
    if (folders.environmentHome && !folders.environmentHome->empty()) return *folders.environmentHome;
    return "/";
}

std::string realDocuments(const UserFolders& folders) {
    const std::string homeFolder = home(folders);
    if (isAbsolute(folders.documentsSetting) && standardized(*folders.documentsSetting) != standardized(homeFolder))
        return *folders.documentsSetting;
    return standardized(homeFolder + "/Documents");
}

std::string homeTrash(const UserFolders& folders) {
    if (isAbsolute(folders.dataHome)) return standardized(*folders.dataHome + "/Trash");
    return standardized(home(folders) + "/.local/share/Trash");
}

std::string chooserStart(const std::string& documents, const IsDirectory& isDirectory) {
    const std::string inside = standardized(documents + "/" + std::string(documentsSubfolder));
    return isDirectory(inside) ? inside : documents;
}

std::string folder(const std::string& forChoice, const std::string& documents) {
    if (standardized(forChoice) == standardized(documents))
        return standardized(documents + "/" + std::string(documentsSubfolder));
    return forChoice;
}

bool isDirectory(const std::string& path) {
    struct stat status {};
    return !path.empty() && ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool isInTrash(const std::string& path, std::string_view homeTrash) {
    const std::string folder = standardized(path);
    for (const std::string_view part : components(folder))
        if (part == ".Trash" || isMountTrash(part)) return true;
    if (homeTrash.empty()) return false;
    const std::string trash = standardized(homeTrash);
    return folder == trash || folder.starts_with(trash == "/" ? trash : trash + "/");
}

Resolution resolve(BookmarkStore& store, BookmarkCoding& coding, std::string_view homeTrash, const IsDirectory& isDirectory) {
    const auto bytes = store.mapsFolderBookmark();
    if (!bytes) return Ask{Reason::neverChosen};
    const auto resolved = coding.resolve(*bytes);
    if (!resolved) return Ask{Reason::gone};
    if (!isDirectory(resolved->folder) || isInTrash(resolved->folder, homeTrash)) return Ask{Reason::gone};
    if (resolved->isStale) {
        if (const auto renewed = coding.bookmark(resolved->folder)) store.setMapsFolderBookmark(*renewed);
    }
    return Folder{resolved->folder};
}

Expected<void, BookmarkError> remember(const std::string& folder, BookmarkStore& store, BookmarkCoding& coding) {
    auto bytes = coding.bookmark(folder);
    if (!bytes) return Unexpected<BookmarkError>(bytes.error());
    store.setMapsFolderBookmark(*bytes);
    return {};
}

std::optional<std::string> overridden(std::optional<std::string_view> setting) {
    if (!setting || setting->empty()) return std::nullopt;
    return std::string(*setting);
}

Resolution forNewMap(std::optional<std::string_view> overrideSetting, BookmarkStore& store, BookmarkCoding& coding,
                     std::string_view homeTrash, const IsDirectory& isDirectory) {
    if (auto given = overridden(overrideSetting)) return Folder{std::move(*given)};
    return resolve(store, coding, homeTrash, isDirectory);
}

}  // namespace velk::MapsFolder
