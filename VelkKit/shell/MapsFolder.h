#pragma once

// The maps folder: the one folder, chosen by the user, that new maps go into. Maps that exist
// elsewhere are never moved. The folder is remembered as a bookmark; these functions decide from
// it whether the folder can still be used or the user must be asked again, and which folder a
// choice in the folder chooser stands for. The chooser itself belongs to the desktop shell.
//
// Folders are absolute "/"-separated paths. Nothing here reads the environment: the shell reads
// VELK_MAPS_FOLDER, the home folders and the XDG settings and passes them in. isDirectory is the
// one function that looks at the disk; it is passed to resolve so tests can replace it.
//
// Main thread only (the store is).

#include "core/Expected.h"
#include "shell/BookmarkCoding.h"
#include "shell/BookmarkError.h"
#include "shell/BookmarkStore.h"
#include "platform/FileSystem.h"
#include "platform/FileSystemError.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace velk::MapsFolder {

// Why the user must be asked for the folder.
enum class Reason { neverChosen, gone };

struct Folder {
    std::string path;
    bool operator==(const Folder&) const = default;
};
struct Ask {
    Reason reason;
    bool operator==(const Ask&) const = default;
};
using Resolution = std::variant<Folder, Ask>;

using IsDirectory = std::function<bool(const std::string&)>;

// Choosing Documents itself means this folder inside it.
inline constexpr std::string_view documentsSubfolder = "velk";

// The chooser's button, and its message: for the menu command (no reason) or for a reason.
inline constexpr std::string_view chooserButton = "Keep Maps Here";
[[nodiscard]] std::string_view chooserMessage(std::optional<Reason> reason) noexcept;

// The path with repeated "/", "." and ".." taken out by their spelling, and no final "/" (the
// root stays "/"). Links are not followed: the path is compared, not the folder.
[[nodiscard]] std::string standardized(std::string_view path);

// What the system says about the user's folders, as the shell found it.
struct UserFolders {
    std::optional<std::string> databaseHome;     // the home folder of the user database entry
    std::optional<std::string> environmentHome;  // $HOME
    std::optional<std::string> documentsSetting; // the desktop's Documents folder (xdg-user-dirs), if set
    std::optional<std::string> dataHome;         // $XDG_DATA_HOME
};

// The user's home: from the user database when it has one, else $HOME, else "/".
[[nodiscard]] std::string home(const UserFolders& folders);

// The user's real Documents folder: the desktop's setting when it is an absolute path other than
// the home itself (which is how a desktop switches the folder off), else "Documents" in the home.
[[nodiscard]] std::string realDocuments(const UserFolders& folders);

// The freedesktop trash of the home: "Trash" in $XDG_DATA_HOME when that is an absolute path,
// else in the home's ".local/share".
[[nodiscard]] std::string homeTrash(const UserFolders& folders);

// The folder the chooser opens in: Documents/velk when that is a folder, else Documents.
[[nodiscard]] std::string chooserStart(const std::string& documents, const IsDirectory& isDirectory);

// The folder to keep maps in when the user picked `choice`: Documents itself stands for its
// subfolder "velk"; any other folder is used unchanged.
[[nodiscard]] std::string folder(const std::string& forChoice, const std::string& documents);

// True only when something exists at the path, following links, and it is a folder.
[[nodiscard]] bool isDirectory(const std::string& path);

// True when the folder is in a freedesktop trash, so that it counts as deleted: inside the
// home's trash, or below a path component ".Trash" or ".Trash-" and a user id (the trash
// folders at the top of other mounts).
[[nodiscard]] bool isInTrash(const std::string& path, std::string_view homeTrash);

// The remembered folder, or why the user must be asked. A stale bookmark is renewed on the way;
// when that fails the old one stays and the folder is still used.
[[nodiscard]] Resolution resolve(BookmarkStore& store, BookmarkCoding& coding, std::string_view homeTrash,
                                 const IsDirectory& isDirectory = MapsFolder::isDirectory);

// Remembers `folder`; when no bookmark can be made, nothing is stored.
[[nodiscard]] Expected<void, BookmarkError> remember(const std::string& folder, BookmarkStore& store, BookmarkCoding& coding);

// The folder named by VELK_MAPS_FOLDER (its value, or absent when unset): used as given, without
// a test, when it is not empty.
[[nodiscard]] std::optional<std::string> overridden(std::optional<std::string_view> setting);

// The folder for a new map: the overriding folder when there is one (the bookmark is then neither
// read nor written), else what resolve finds.
[[nodiscard]] Resolution forNewMap(std::optional<std::string_view> overrideSetting, BookmarkStore& store,
                                   BookmarkCoding& coding, std::string_view homeTrash,
                                   const IsDirectory& isDirectory = MapsFolder::isDirectory);

// Why the folder the user picked could not be kept: it could not be made, or not remembered.
using KeepError = std::variant<FileSystemError, BookmarkError>;
[[nodiscard]] std::string describe(const KeepError& error);

// Keeps new maps where the user picked: `folder(choice, documents)`, made with any missing folders
// above it, then remembered. Gives what resolve finds afterwards: the folder, or Ask when it
// cannot be used after all (it is in the trash, say).
[[nodiscard]] Expected<Resolution, KeepError> keep(const std::string& choice, const std::string& documents,
                                                   FileSystem& fileSystem, BookmarkStore& store, BookmarkCoding& coding,
                                                   std::string_view homeTrash,
                                                   const IsDirectory& isDirectory = MapsFolder::isDirectory);

}  // namespace velk::MapsFolder
