import { test } from "node:test";
import assert from "node:assert/strict";
import { SnapshotStack } from "../src/snapshotStack";
import { UndoStack } from "../src/undo";

const snap = (body: string, path = "/") => ({ body, path });
const taken = (body: string, path = "/") => () => snap(body, path);

test("undo and redo walk back and forth, and a new change drops the redo branch", () => {
  const u = new UndoStack();
  u.record(taken("0"), null, 0);
  u.record(taken("1", "/sub"), null, 10);
  assert.deepEqual(u.undo(snap("2")), snap("1", "/sub"));
  assert.deepEqual(u.undo(snap("1", "/sub")), snap("0"));
  assert.equal(u.undo(snap("0")), null);
  assert.deepEqual(u.redo(snap("0")), snap("1", "/sub"));
  u.record(taken("1"), null, 20);
  assert.equal(u.canRedo, false);
});

test("changes with the same key in quick succession are one step, taking no snapshot; slow ones are not", () => {
  const u = new UndoStack(100, 1000);
  u.record(taken("x"), "type:n0", 0);
  u.record(() => assert.fail("a merged step took a snapshot"), "type:n0", 100);
  u.record(taken("a"), "type:n1", 0);
  u.record(taken("ab"), "type:n1", 500);
  u.record(taken("abc"), "type:n1", 900);
  u.record(taken("abcd"), "type:n1", 5000);
  assert.deepEqual(u.undo(snap("abcde")), snap("abcd"));
  assert.deepEqual(u.undo(snap("abcd")), snap("a"));
});

test("the stack keeps at most its limit, dropping the oldest", () => {
  const u = new UndoStack(3);
  for (let i = 0; i < 5; i++) u.record(taken(String(i)), null, i);
  const seen = [];
  let cur = snap("5");
  for (let s = u.undo(cur); s; s = u.undo(cur)) { seen.push(s.body); cur = s; }
  assert.deepEqual(seen, ["4", "3", "2"]);
});

test("each snapshot comes back whole from below others that differ from it anywhere", () => {
  const pair = "\u{1F600}", lone = "\ud83d";
  const bodies = [
    "", "{}", "{}", "{\"a\":1}", "{\"a\":12}", "{\"b\":12}", "aaaa", "aaaaaa", "aaa", "xaaay",
    "a\uFEFFb", `a${pair}b`, `a${pair.slice(0, 1)}\ud83eb`, `a\ud83d\ude01b`, `${pair}${pair}`, `${pair}x${pair}`,
    `q${lone}q`, `q${lone}${lone}q`, "long ".repeat(3000) + "end", "long ".repeat(3000) + "End", "x".repeat(9000), lone + "z".repeat(5000), "done",
  ];
  const stack = new SnapshotStack();
  bodies.forEach((body, i) => stack.push(snap(body, `/${i}`)));
  for (let i = bodies.length - 1; i >= 0; i--) assert.deepEqual(stack.pop(), snap(bodies[i], `/${i}`), `snapshot ${i}`);
  assert.equal(stack.pop(), null);
});
