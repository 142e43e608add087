#pragma once

// Where the editor's web view may go. The editor page lives at the root of the "velk-app"
// scheme and never leaves it: other places under the scheme are refused, and anything outside
// it is a link the user meant for the browser, though only http and https links are handed on.
//
// Pure; safe from any thread.

#include <optional>
#include <string>
#include <string_view>

namespace velk::EditorNavigation {

enum class Action {
    allow,           // the editor page itself
    cancel,          // a navigation without a URL
    refuse,          // elsewhere under "velk-app": cancelled, and worth a trace line
    openExternally,  // any other URL: cancelled in the view, offered to the browser
};

// The scheme of `url` in lowercase; absent when the text does not start with one.
[[nodiscard]] std::optional<std::string> scheme(std::string_view url);

// What to do with a navigation to `url` (absent when the request has none).
[[nodiscard]] Action decide(std::optional<std::string_view> url);

// Whether `url` may be handed to the browser: only http and https links are.
[[nodiscard]] bool isWebLink(std::string_view url);

}  // namespace velk::EditorNavigation
