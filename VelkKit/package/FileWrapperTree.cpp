#include "package/FileWrapperTree.h"

#include "json/OrderedJSON.h"

namespace velk::FileWrapperTree {

DocumentTree emptyDocument() {
    const JSONValue canvas = JSONValue::object({{"nodes", JSONValue::array({})}, {"edges", JSONValue::array({})}});
    DocumentTree tree;
    tree.write(OrderedJSON::write(canvas, Pretty::yes), "map.canvas");
    return tree;
}

}  // namespace velk::FileWrapperTree
