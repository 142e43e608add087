#include "share/ShareRecord.h"

#include "json/OrderedJSON.h"
#include "package/MapDocument.h"
#include "package/MapTree.h"

namespace velk::ShareRecord {

DocumentTree removed(DocumentTree package) {
    const std::string sidecar = MapTree::sidecarPath(MapDocument::rootCanvasName);
    const auto stored = MapDocument::storedObject(package, sidecar);
    if (!stored || !(*stored)[member]) return package;
    package.write(OrderedJSON::write(stored->without(member), Pretty::yes), sidecar);
    return package;
}

}  // namespace velk::ShareRecord
