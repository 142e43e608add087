#pragma once

// The content of a brand-new map. (Packages on disk are read and written by PackageStore.)

#include "package/DocumentTree.h"

namespace velk::FileWrapperTree {

// A root directory holding exactly one file, "map.canvas": an object with empty "nodes" and
// "edges" arrays, written pretty with one final line feed.
[[nodiscard]] DocumentTree emptyDocument();

}  // namespace velk::FileWrapperTree
