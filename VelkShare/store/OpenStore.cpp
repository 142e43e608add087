#include "store/OpenStore.h"

#include "store/PostgresShareStore.h"
#include "store/SqliteShareStore.h"

namespace velk::share {

StoreResult<std::unique_ptr<ShareStore>> openStore(std::string_view setting) {
    if (setting.starts_with("sqlite:")) {
        const std::string path(setting.substr(7));
        if (path.empty()) return Unexpected<StoreError>(StoreError{"sqlite: the database setting names no file"});
        auto store = SqliteShareStore::open(path);
        if (!store) return Unexpected<StoreError>(store.error());
        return std::unique_ptr<ShareStore>(std::move(*store));
    }
    if (setting.starts_with("postgresql://") || setting.starts_with("postgres://")) {
        auto store = PostgresShareStore::open(std::string(setting));
        if (!store) return Unexpected<StoreError>(store.error());
        return std::unique_ptr<ShareStore>(std::move(*store));
    }
    return Unexpected<StoreError>(StoreError{"the database setting must start with sqlite: or postgresql://, not \"" + std::string(setting) + "\""});
}

}  // namespace velk::share
