import { test } from "node:test";
import assert from "node:assert/strict";
import { isEditCommand, isTextEntry } from "../src/editFocus";
import { readingOrderStep } from "../src/readingOrder";

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
