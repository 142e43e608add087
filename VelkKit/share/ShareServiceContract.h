#pragma once

// What velk sends the share service and relies on in its answers. The service is a separate
// web service reached over HTTPS at one base URL (a build setting; the user default "ShareBase"
// overrides it for opening links). All paths below are relative to that base URL.
//
// Requests:
// - POST sharePath with the JSON body { "name", "state" }: velk relies on a 2xx answer whose
//   JSON body (or none) it hands to the editor page unchanged.
// - DELETE sharePath + "/" + share id, with "Authorization: Bearer <token>": 2xx means the
//   share was withdrawn.
// - GET sharePath + "/" + share id: 200 with a share document (a "state" holding "maps", and
//   optional "media" and "name"); 404 when the share was withdrawn; 410 when its map was removed.
// - GET handoffPath + "/" + hand-off id: the same answers; 404 once the hand-off was used or is
//   older than ten minutes.
// Any other answer may carry a JSON object whose string member "error" is shown to the user
// unchanged; without one the user sees the service's host name, " answered " and the status.
//
// Pages of the service that velk opens in the user's browser: sharePagePath + share id (which
// explains a removal), feedbackPagePath with its query, shortcutsPagePath.
//
// Links the service hands to the operating system for velk: scheme linkScheme with host
// shareLinkHost and a share id, or host handoffLinkHost and a hand-off id.

#include <cstddef>
#include <string_view>

namespace velk::ShareServiceContract {

// The longest answer velk reads from a service. A share document holds at most a 32 MiB state
// and 200 MiB of images as Base64 (the service refuses larger ones), well within this; a service
// that sends without end is cut off here instead of filling velk's memory.
inline constexpr std::size_t longestAnswerBytes = std::size_t{512} * 1024 * 1024;

inline constexpr std::string_view sharePath = "api/share";
inline constexpr std::string_view handoffPath = "api/handoff";
inline constexpr std::string_view sharePagePath = "s/";
inline constexpr std::string_view feedbackPagePath = "/feedback/";
inline constexpr std::string_view shortcutsPagePath = "/shortcuts/";

inline constexpr std::string_view linkScheme = "velk";
inline constexpr std::string_view shareLinkHost = "s";
inline constexpr std::string_view handoffLinkHost = "h";

}  // namespace velk::ShareServiceContract
