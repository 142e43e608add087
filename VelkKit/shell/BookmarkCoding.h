#pragma once

// Turning a folder into bytes that can be kept between runs, and back. A coding may report that
// bytes still resolve but should be made again (they are stale). Main thread only.

#include "core/Expected.h"
#include "shell/BookmarkError.h"

#include <string>
#include <string_view>

namespace velk {

struct ResolvedBookmark {
    std::string folder;
    bool isStale;
    bool operator==(const ResolvedBookmark&) const = default;
};

class BookmarkCoding {
public:
    virtual ~BookmarkCoding() = default;
    [[nodiscard]] virtual Expected<std::string, BookmarkError> bookmark(const std::string& folder) = 0;
    [[nodiscard]] virtual Expected<ResolvedBookmark, BookmarkError> resolve(std::string_view bytes) = 0;
};

// Linux grants no lasting access to single folders: whoever may write a folder today may write
// it tomorrow. So a bookmark is simply the folder's absolute, standardized path as UTF-8 text,
// and it is never stale.
class PathBookmarks final : public BookmarkCoding {
public:
    [[nodiscard]] Expected<std::string, BookmarkError> bookmark(const std::string& folder) override;
    [[nodiscard]] Expected<ResolvedBookmark, BookmarkError> resolve(std::string_view bytes) override;
};

}  // namespace velk
