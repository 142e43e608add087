import { test } from "node:test";
import assert from "node:assert/strict";
import { commandFor, commands } from "../src/commands";

const press = (key: string, mods: { ctrl?: boolean; shift?: boolean; alt?: boolean } = {}, code = "") =>
  ({ key, code, ctrlKey: !!mods.ctrl, metaKey: false, shiftKey: !!mods.shift, altKey: !!mods.alt }) as KeyboardEvent;

test("each key press reaches the command the shortcuts overlay names for it", () => {
  const cases: Array<[KeyboardEvent, string | undefined]> = [
    [press("n"), "new"], [press("Enter"), "edit"], [press("Enter", { ctrl: true }), "submap"],
    [press("z", { ctrl: true }), "undo"], [press("Z", { ctrl: true, shift: true }), "redo"], [press("y", { ctrl: true }), "redo"],
    [press("ArrowUp"), "move"], [press("ArrowUp", { shift: true }), "move"], [press("ArrowUp", { alt: true }), "up"],
    [press("Tab"), "next"], [press("Tab", { shift: true }), "next"], [press("Delete"), "delete"], [press("Backspace"), "delete"],
    [press("3"), "colour"], [press("0"), "colour"], [press("0", { ctrl: true }), "zoomReset"],
    [press("!", { shift: true }, "Digit1"), "fit"], [press("?", { shift: true }), "help"], [press("p"), "toolPen"],
    [press("g", { ctrl: true }), "group"], [press("d", { ctrl: true }), "duplicate"], [press("S", { ctrl: true, shift: true }), "saveAs"],
    [press("]"), "front"], [press("["), "back"], [press("l", { alt: true }), "align"], [press("l"), "toolLine"],
    [press("g"), "grid"], [press("G", { shift: true }), undefined], [press("F2"), "rename"], [press("e"), "edgeLabel"],
    [press("E", { shift: true }), "preview"],
    // Plain typing keys that are no command do nothing.
    ...["a", "x", "7", " ", "c"].map((key): [KeyboardEvent, undefined] => [press(key), undefined]),
  ];
  for (const [event, id] of cases) assert.equal(commandFor(event)?.id, id, `${event.key} ctrl=${event.ctrlKey} shift=${event.shiftKey} alt=${event.altKey}`);
});

test("every command is listed once with a label and keys", () => {
  const ids = commands.map((c) => c.id);
  assert.equal(new Set(ids).size, ids.length);
  for (const c of commands) assert.ok(c.label && c.keys, c.id);
});
