import { test } from "node:test";
import assert from "node:assert/strict";
import { SaveQueue, SaveStatus } from "../src/saver";
import { manualTimers, tick } from "./fakes";

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

test("a refused save reports its message, keeps the edits pending and is tried again by a change or flush only", async () => {
  const { q, t, calls } = saver();
  q.changed(); t.advance(300);
  calls[0].reject(new Error("map/A.canvas is linked from /a, /b and holds different edits"));
  await tick();
  assert.equal(q.status, "failed");
  assert.match(q.lastError ?? "", /linked from/);
  assert.equal(q.pending, true);
  t.advance(10_000);
  assert.equal(calls.length, 1);
  q.changed(); t.advance(300);
  assert.equal(calls.length, 2, "the next change tries again");
  calls[1].reject(new Error("still refused")); await tick();
  const flushed = q.flush();
  assert.equal(calls.length, 3, "a flush (as the window closes) tries again");
  calls[2].resolve(); await flushed;
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
