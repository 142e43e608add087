#pragma once

// Where the bookmark of the maps folder is kept between runs. Main thread only.

#include "platform/Defaults.h"

#include <optional>
#include <string>
#include <string_view>

namespace velk {

class BookmarkStore {
public:
    virtual ~BookmarkStore() = default;
    [[nodiscard]] virtual std::optional<std::string> mapsFolderBookmark() = 0;
    // Absent forgets the bookmark.
    virtual void setMapsFolderBookmark(std::optional<std::string_view> bytes) = 0;
};

// The bookmark as the bytes under "MapsFolderBookmark" in the user defaults.
class DefaultsBookmarkStore final : public BookmarkStore {
public:
    static constexpr std::string_view key = "MapsFolderBookmark";

    // Requires: `defaults` outlives this store.
    explicit DefaultsBookmarkStore(Defaults& defaults) noexcept : m_defaults(defaults) {}

    [[nodiscard]] std::optional<std::string> mapsFolderBookmark() override { return m_defaults.data(key); }
    void setMapsFolderBookmark(std::optional<std::string_view> bytes) override {
        if (bytes)
            m_defaults.setData(key, *bytes);
        else
            m_defaults.remove(key);
    }

private:
    Defaults& m_defaults;
};

}  // namespace velk
