import { test } from "node:test";
import assert from "node:assert/strict";
import { BridgeClient, BridgeError } from "../src/bridge";
import { FakeVelk } from "./fakes";

const client = () => new FakeVelk();

test("requests carry fresh integer ids, the op and the payload only when given", () => {
  const { sent, bridge } = client();
  void bridge.request("load");
  void bridge.request("save", { body: "{}" });
  assert.deepEqual(sent, [{ id: 1, op: "load" }, { id: 2, op: "save", payload: { body: "{}" } }]);
  assert.ok(sent.every((m) => Number.isInteger(m.id)));
});

test("replies complete their own request, in any order", async () => {
  const { bridge } = client();
  const a = bridge.request("load");
  const b = bridge.request("media", { type: "image/png", data: "AA==" });
  bridge.receive(2, { ok: true, value: { src: "velk-media/0123456789abcdef.png" } });
  bridge.receive(1, { ok: true, value: { maps: [] } });
  assert.deepEqual(await b, { src: "velk-media/0123456789abcdef.png" });
  assert.deepEqual(await a, { maps: [] });
  assert.equal(bridge.waiting, 0);
});

test("an error reply rejects with velk's message unchanged", async () => {
  const { bridge } = client();
  const p = bridge.request("rename", { name: "x" });
  bridge.receive(1, { ok: false, error: "Rename is not available here yet" });
  await assert.rejects(p, (e: Error) => e instanceof BridgeError && e.message === "Rename is not available here yet");
});

test("stray, repeated and malformed replies do not disturb pending requests", async () => {
  const { bridge } = client();
  const p = bridge.request("home");
  bridge.receive(99, { ok: true, value: 1 });
  bridge.receive("1", { ok: true, value: 1 });
  assert.equal(bridge.waiting, 1);
  bridge.receive(1, { ok: true, value: null });
  bridge.receive(1, { ok: false, error: "late" });
  assert.equal(await p, null);
  const q = bridge.request("home");
  bridge.receive(2, { nonsense: true });
  await assert.rejects(q, BridgeError);
});

test("a transport that throws rejects the request instead of leaving it waiting", async () => {
  const bridge = new BridgeClient({ post: () => { throw new Error("no handler"); } });
  await assert.rejects(bridge.request("load"), /no handler/);
  assert.equal(bridge.waiting, 0);
});
