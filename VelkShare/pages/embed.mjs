// Writes the header that embeds the share service's pages in velk-share: the viewer page built
// from the editor bundle, the style sheet of the other pages, the digests their content policies
// allow, and the editor's command table for the shortcuts page. Fails when the viewer does not
// have the shape the service fills in, so a changed template cannot ship half-filled pages.
import { createHash } from "node:crypto";
import { mkdir, readFile, writeFile } from "node:fs/promises";
import path from "node:path";

function option(name) {
  const at = process.argv.indexOf(name);
  if (at < 0 || at + 1 >= process.argv.length) throw new Error(`embed.mjs needs ${name}`);
  return process.argv[at + 1];
}

const viewer = await readFile(option("--viewer"), "utf8");
const css = await readFile(option("--css"), "utf8");
const shortcuts = JSON.parse(await readFile(option("--shortcuts"), "utf8"));
const out = option("--out");

const digest = (text) => `sha256-${createHash("sha256").update(text, "utf8").digest("base64")}`;

function element(html, open, close) {
  const start = html.indexOf(open);
  const end = html.indexOf(close, start + open.length);
  if (start < 0 || end < 0 || html.indexOf(open, start + 1) >= 0) throw new Error(`the viewer needs exactly one ${open}…${close}`);
  return html.slice(start + open.length, end);
}
for (const marker of ["<!--velk:title-->", "<!--velk:name-->", "<!--velk:share-->"]) {
  if (viewer.split(marker).length !== 2) throw new Error(`the viewer must hold ${marker} exactly once`);
}

// A C++ string literal: printable ASCII as is, everything else as three-digit octal escapes
// (which never run into the next character), cut into lines.
function literal(text) {
  const bytes = Buffer.from(text, "utf8");
  const lines = [];
  let line = "";
  for (const b of bytes) {
    const c = String.fromCharCode(b);
    if (b >= 0x20 && b < 0x7f && c !== '"' && c !== "\\" && c !== "?") line += c;
    else line += "\\" + b.toString(8).padStart(3, "0");
    if (line.length >= 160) { lines.push(line); line = ""; }
  }
  lines.push(line);
  return lines.map((l) => `    "${l}"`).join("\n");
}

if (!Array.isArray(shortcuts) || !shortcuts.every((s) => typeof s.keys === "string" && typeof s.label === "string")) {
  throw new Error("the command table must be a list of {keys, label}");
}

const header = `#pragma once
// Generated at build time by VelkShare/pages/embed.mjs from the editor's viewer bundle, its
// command table and pages.css.

#include <string_view>

namespace velk::share::PageAssets {

using namespace std::string_view_literals;

inline constexpr std::string_view viewer =
${literal(viewer)}sv;
inline constexpr std::string_view viewerScriptDigest = "${digest(element(viewer, "<script>", "</script>"))}";
inline constexpr std::string_view viewerStyleDigest = "${digest(element(viewer, "<style>", "</style>"))}";

inline constexpr std::string_view pageStyle =
${literal(css)}sv;
inline constexpr std::string_view pageStyleDigest = "${digest(css)}";

struct Shortcut {
    std::string_view keys;
    std::string_view label;
};
inline constexpr Shortcut shortcuts[] = {
${shortcuts.map((s) => `    {\n${literal(s.keys)}sv,\n${literal(s.label)}sv},`).join("\n")}
};

}  // namespace velk::share::PageAssets
`;
await mkdir(path.dirname(out), { recursive: true });
await writeFile(out, header);
