#pragma once

// Names for files and folders that are written under a temporary name beside their final place
// and then renamed into it. They start with "." (hidden in file managers) and end in
// ".velk-tmp-" and eight random letters or digits, so a temporary left behind by a crash is
// recognisable and the package reader leaves it out of the package.
//
// Safe from any thread.

#include <string>
#include <string_view>

namespace velk::TemporaryName {

// A fresh, random temporary name for a sibling of `name`: ".<name>.velk-tmp-xxxxxxxx", with the
// name shortened when long so the result stays a valid file name.
[[nodiscard]] std::string forSibling(std::string_view name);

// True for names that forSibling makes.
[[nodiscard]] bool isTemporary(std::string_view name);

}  // namespace velk::TemporaryName
