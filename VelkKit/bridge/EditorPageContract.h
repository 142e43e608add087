#pragma once

// What velk gives the editor page and what it relies on the page to do. The page is its own
// program (built from editor/ into one index.html); this header is the one place in native code
// that names the page's side of the agreement, so the host, the scheme handler and the template
// renderer cannot disagree about it.
//
// velk gives the page:
// - its home, editorPageURL, served by the "velk-app" scheme under a security policy that
//   allows no network access, images only from velk-app:, data: and blob: URLs, inline style
//   and script only, and fonts only as data URLs; so the page is one self-contained file;
// - window.VELK_NATIVE = true before any of its own scripts (BridgeBootstrap::script) and, when
//   tracing is on, forwarding of its console errors and warnings (BridgeBootstrap);
// - navigation only within "/" and "/index.html" of the scheme; an http or https link it
//   activates opens in the user's browser;
// - an optional URL fragment "#/?z=<zoom>&x=<x>&y=<y>" giving the initial zoom factor and view
//   offset, used when velk renders template previews.
//
// velk relies on the page to:
// - define replyFunction, changedFunction and setNameFunction (BridgeScript calls them), and,
//   in the desktop app, editFunction (undo, redo and select-all of the Edit menu, given the
//   command's name; true when the page carried it out) and flushFunction (sends whatever is not
//   saved yet; the window awaits its promise before it closes) and exportFunction (given
//   { format: "svg" | "png", scale, selection, map }, resolves to the JSON text
//   { width, height, data } of the map drawn as a picture: SVG text or PNG in Base64);
// - define commandFunction (runs the page command named by its id, for velk's menus: "export");
// - ask with the "export" request (payload { selection }) when the user exports from the page;
// - post each request as the text of a JSON object to the requestHandler message handler, with
//   an integer "id" it has not used before, an "op" and the op's payload (BridgeRequest);
// - ask for its state ("load") when it starts, and again ("load" or "refresh", answered alike)
//   after every change notice;
// - work on the editor state { "maps": [ { "path", "canvas", "sidecar" }, … ] } and send back a
//   save body of the same shape, always the whole document; canvases are JSON Canvas documents,
//   and a card opens the submap whose map path is its parent's path extended by the card's id;
// - keep its own data in each map's sidecar, which velk stores unchanged except that it reads
//   the member "nodes" (records keyed by card id; those with "role" "ink" carry their drawing
//   under "source") and the flag "grid" of the member "view";
// - store images with the "media" request and use the package path it returns, relative to the
//   page's URL, as the image source;
// - carry the elements named in chromeElementIDs, which the template renderer hides.

#include <array>
#include <string_view>

namespace velk::EditorPageContract {

inline constexpr std::string_view editorPageURL = "velk-app://editor/index.html";
inline constexpr std::string_view scheme = "velk-app";

inline constexpr std::string_view requestHandler = "velk";
inline constexpr std::string_view logHandler = "velkLog";

inline constexpr std::string_view replyFunction = "window.__velkReply";
inline constexpr std::string_view changedFunction = "window.__velkChanged";
inline constexpr std::string_view setNameFunction = "window.__velkSetName";
inline constexpr std::string_view editFunction = "window.__velkEdit";
inline constexpr std::string_view flushFunction = "window.__velkFlush";
inline constexpr std::string_view exportFunction = "window.__velkExport";
inline constexpr std::string_view commandFunction = "window.__velkCommand";

inline constexpr std::array<std::string_view, 6> chromeElementIDs{
    "toolbar", "zoom-indicator", "version", "contextBar", "zoomCtl", "shortcutsLink"};

}  // namespace velk::EditorPageContract
