import { test } from "node:test";
import assert from "node:assert/strict";
import { UndoStack } from "../src/undo";
import { SaveQueue, SaveStatus } from "../src/saver";
import { manualTimers, tick } from "./fakes";

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

function saver() {
  const t = manualTimers();
  const calls: Array<{ resolve: () => void; reject: (e: Error) => void }> = [];
  const statuses: SaveStatus[] = [];
  const q = new SaveQueue(
    () => new Promise<void>((resolve, reject) => calls.push({ resolve, reject })),
    (s) => statuses.push(s), t.timers, 300);
  return { q, t, calls, statuses };
}

test("saves wait for a quiet moment and bursts of changes send one save", () => {
  const { q, t, calls } = saver();
  q.changed(); t.advance(200); q.changed(); t.advance(200);
  assert.equal(calls.length, 0);
  t.advance(100);
  assert.equal(calls.length, 1);
});

test("one save at a time: changes during a save are sent right after it", async () => {
  const { q, t, calls, statuses } = saver();
  q.changed(); t.advance(300);
  q.changed(); t.advance(300);
  assert.equal(calls.length, 1, "the second waits for the first");
  calls[0].resolve(); await tick();
  assert.equal(calls.length, 2);
  calls[1].resolve(); await tick();
  assert.equal(statuses[statuses.length - 1], "saved");
  assert.equal(q.pending, false);
});

test("a refused save reports its message, keeps the edits pending and does not retry by itself", async () => {
  const { q, t, calls } = saver();
  let message = "";
  q.changed(); t.advance(300);
  calls[0].reject(new Error("map/A.canvas is linked from /a, /b and holds different edits"));
  await tick();
  message = q.lastError ?? "";
  assert.equal(q.status, "failed");
  assert.match(message, /linked from/);
  assert.equal(q.pending, true);
  t.advance(10_000);
  assert.equal(calls.length, 1);
  q.changed(); t.advance(300);
  assert.equal(calls.length, 2, "the next change tries again");
  calls[1].resolve(); await tick();
  assert.equal(q.pending, false);
});

test("flush sends at once and resolves when the document is safe", async () => {
  const { q, calls } = saver();
  q.changed();
  let done = false;
  const flushed = q.flush().then(() => { done = true; });
  assert.equal(calls.length, 1);
  await tick();
  assert.equal(done, false);
  calls[0].resolve();
  await flushed;
  assert.equal(done, true);
});
