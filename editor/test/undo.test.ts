import { test } from "node:test";
import assert from "node:assert/strict";
import { UndoStack } from "../src/undo";

const snap = (body: string, path = "/") => ({ body, path });

test("undo and redo walk back and forth, and a new change drops the redo branch", () => {
  const u = new UndoStack();
  u.record(snap("0"), null, 0);
  u.record(snap("1", "/sub"), null, 10);
  assert.deepEqual(u.undo(snap("2")), snap("1", "/sub"));
  assert.deepEqual(u.undo(snap("1", "/sub")), snap("0"));
  assert.equal(u.undo(snap("0")), null);
  assert.deepEqual(u.redo(snap("0")), snap("1", "/sub"));
  u.record(snap("1"), null, 20);
  assert.equal(u.canRedo, false);
});

test("changes with the same key in quick succession are one step; slow ones are not", () => {
  const u = new UndoStack(100, 1000);
  u.record(snap("a"), "type:n1", 0);
  u.record(snap("ab"), "type:n1", 500);
  u.record(snap("abc"), "type:n1", 900);
  u.record(snap("abcd"), "type:n1", 5000);
  assert.deepEqual(u.undo(snap("abcde")), snap("abcd"));
  assert.deepEqual(u.undo(snap("abcd")), snap("a"));
});

test("the stack keeps at most its limit, dropping the oldest", () => {
  const u = new UndoStack(3);
  for (let i = 0; i < 5; i++) u.record(snap(String(i)), null, i);
  const seen = [];
  let cur = snap("5");
  for (let s = u.undo(cur); s; s = u.undo(cur)) { seen.push(s.body); cur = s; }
  assert.deepEqual(seen, ["4", "3", "2"]);
});
