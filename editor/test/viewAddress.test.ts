import { test } from "node:test";
import assert from "node:assert/strict";
import { ViewAddress } from "../src/viewAddress";
import { manualTimers } from "./fakes";

test("the address follows the view once it holds still, and a refused change is no error", () => {
  const t = manualTimers();
  const written: string[] = [];
  let refuse = true;
  const address = new ViewAddress(t.timers, (fragment) => {
    if (refuse) throw new Error("SecurityError: more than 100 times per 10 seconds");
    written.push(fragment);
  });
  address.show("#/?z=2.000&x=0&y=0");
  assert.doesNotThrow(() => t.advance(200));
  refuse = false;
  // A pan: a new view every frame for five seconds, then still.
  for (let frame = 0; frame < 300; frame++, t.advance(16)) address.show(`#/?z=1.000&x=${frame}&y=0`);
  t.advance(200);
  address.show("#/?z=1.000&x=299&y=0");
  t.advance(200);
  assert.deepEqual(written, ["#/?z=1.000&x=299&y=0"]);
});
