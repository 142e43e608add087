#pragma once

// Where a new map package goes: a free name in the chosen folder, so that making a map never
// replaces one. The disk is reached only through the probe passed in.
//
// Pure functions; safe from any thread.

#include <functional>
#include <string>
#include <string_view>

namespace velk::NewMapLocation {

// The default maps folder's name inside the user's Documents folder.
inline constexpr std::string_view folderName = "velk";

using Exists = std::function<bool(std::string_view path)>;

// The path of a package named after `name` inside `folder` that `exists` says is free: "/" and
// ":" in the name become "-" (nothing else changes, spaces included), then "Name.velk",
// "Name 2.velk", "Name 3.velk", ... are tried in turn.
[[nodiscard]] std::string next(std::string_view name, std::string_view folder, const Exists& exists);

}  // namespace velk::NewMapLocation
