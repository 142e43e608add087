import { test } from "node:test";
import assert from "node:assert/strict";
import { commandFor, commands } from "../src/commands";
import { isEditCommand, isTextEntry } from "../src/editFocus";
import { readingOrderStep } from "../src/readingOrder";

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

const item = (id: string, x: number, y: number, type = "text") => ({ id, rect: { x, y, width: 10, height: 10 }, node: { type } });

test("Tab walks cards top to bottom, then left to right, and wraps", () => {
  const items = [item("c", 0, 100), item("b", 50, 0), item("a", 0, 0), item("g", -100, -100, "group")];
  const walk = (from: string | undefined, step: 1 | -1) => readingOrderStep(items, from, step)?.id;
  assert.equal(walk(undefined, 1), "a");
  assert.equal(walk(undefined, -1), "c");
  assert.equal(walk("a", 1), "b");
  assert.equal(walk("b", 1), "c");
  assert.equal(walk("c", 1), "a");
  assert.equal(walk("a", -1), "c");
  assert.equal(walk("gone", 1), "a");
  assert.equal(readingOrderStep([item("g", 0, 0, "group")], undefined, 1)?.id, "g", "a lone group can be reached");
  assert.equal(readingOrderStep([], undefined, 1), null);
});

test("Edit commands go to a focused text field, and to the map otherwise", () => {
  const el = (tagName: string, extra: object = {}) => ({ tagName, ...extra });
  for (const text of [el("TEXTAREA"), el("INPUT", { type: "text" }), el("INPUT", { type: "" }), el("input", { type: "url" }),
    el("DIV", { isContentEditable: true })]) assert.equal(isTextEntry(text), true, JSON.stringify(text));
  for (const map of [null, undefined, el("MAIN"), el("BUTTON"), el("INPUT", { type: "checkbox" }), el("INPUT", { type: "button" }), el("BODY")]) {
    assert.equal(isTextEntry(map), false, JSON.stringify(map));
  }
  assert.deepEqual(["undo", "redo", "selectAll", "paste", "Undo", 3].map(isEditCommand), [true, true, true, false, false, false]);
});
