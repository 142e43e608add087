import { test } from "node:test";
import assert from "node:assert/strict";
import { commands } from "../src/commands";
import { filterEntries, paletteEntries, pressOf } from "../src/palette";

test("the palette runs every command of the table by the press its shortcut names", () => {
  const listed = new Set(paletteEntries().map((e) => e.command.id));
  const missing = commands.filter((c) => !listed.has(c.id)).map((c) => c.id);
  // Arrows and colour digits are families of presses; the clipboard belongs to the system; the
  // palette does not list itself.
  assert.deepEqual(missing, ["move", "clipboard", "colour", "palette"]);
  const rows: Array<[string, KeyboardEventInit | null]> = [
    ["Ctrl+Shift+Z", { key: "z", code: undefined, ctrlKey: true, shiftKey: true, altKey: false, bubbles: true }],
    ["Shift+1", { key: "1", code: "Digit1", ctrlKey: false, shiftKey: true, altKey: false, bubbles: true }],
    ["Alt+Up", { key: "ArrowUp", code: undefined, ctrlKey: false, shiftKey: false, altKey: true, bubbles: true }],
    ["Ctrl++", { key: "+", code: undefined, ctrlKey: true, shiftKey: false, altKey: false, bubbles: true }],
    ["Arrows (Shift: 10×)", null],
    ["Super+X", null],
  ];
  for (const [shortcut, press] of rows) assert.deepEqual(pressOf(shortcut), press, shortcut);
});

test("typing part of a name finds the command, names that start with it first", () => {
  const entries = paletteEntries();
  const rows: Array<[string, string[]]> = [
    ["undo", ["Ctrl+Z"]],
    ["alt+r", ["Alt+R"]],
    ["zoom", ["Ctrl+=", "Ctrl+-", "Ctrl+0", "Shift+1"]],
    ["GRID", ["G"]],
    ["fïnd", ["Ctrl+F"]],
    ["no such thing", []],
  ];
  for (const [query, keys] of rows) assert.deepEqual(filterEntries(entries, query).map((e) => e.keys), keys, query);
});
