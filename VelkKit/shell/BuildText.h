#pragma once

// The build text of the start window's footer, "velk VERSION (COMMIT)": which velk this is, so a
// report can name the exact build. Each part the build did not know is "?". Pure.

#include <string>
#include <string_view>

namespace velk::BuildText {

// "velk " + version + " (" + commit, or the build number without a commit, + ")"; empty parts
// are unknown.
[[nodiscard]] std::string text(std::string_view version, std::string_view commit, std::string_view build);

}  // namespace velk::BuildText
