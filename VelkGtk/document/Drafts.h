#pragma once

// Where draft maps live: each in a folder of its own ("velk-" and six random characters) below
// the drafts folder, so that removing one draft never touches another. A draft that was still
// open when velk or the session ended stays there and is offered again at the next start.
//
// Main thread only.

#include "platform/FileSystem.h"

#include <optional>
#include <string>
#include <vector>

namespace velk::Drafts {

// Makes a new, empty folder for one draft below `root` (made too, when missing) and returns its
// path; absent when that cannot be done.
[[nodiscard]] std::optional<std::string> makeHome(const std::string& root);

// The draft packages left below `root`: in each draft folder, its one folder ending in ".velk".
// Sorted, so they come back in the same order every time.
[[nodiscard]] std::vector<std::string> leftovers(FileSystem& fileSystem, const std::string& root);

}  // namespace velk::Drafts
