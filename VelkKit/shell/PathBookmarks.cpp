#include "core/Utf8.h"
#include "shell/BookmarkCoding.h"
#include "shell/MapsFolder.h"

namespace velk {

Expected<std::string, BookmarkError> PathBookmarks::bookmark(const std::string& folder) {
    if (!Utf8::isValid(folder)) return Unexpected<BookmarkError>(BookmarkError(BookmarkError::NotUTF8{}));
    if (!folder.starts_with('/') || folder.find('\0') != std::string::npos)
        return Unexpected<BookmarkError>(BookmarkError(BookmarkError::NotAbsolute{folder}));
    return MapsFolder::standardized(folder);
}

Expected<ResolvedBookmark, BookmarkError> PathBookmarks::resolve(std::string_view bytes) {
    if (!bytes.starts_with('/') || !Utf8::isValid(bytes) || bytes.find('\0') != std::string_view::npos)
        return Unexpected<BookmarkError>(BookmarkError(BookmarkError::Unreadable{}));
    return ResolvedBookmark{std::string(bytes), false};
}

}  // namespace velk
