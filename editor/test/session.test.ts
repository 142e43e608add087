import { test } from "node:test";
import assert from "node:assert/strict";
import { PointerInput } from "../src/pointer";
import { Draft, DocumentSession } from "../src/session";
import { FakeVelk, manualTimers, tick } from "./fakes";

const state = (text: string, extra: object = {}) => ({
  maps: [
    { path: "/", canvas: { nodes: [{ id: "a", type: "text", text, x: 0, y: 0, width: 250, height: 60 }], edges: [] }, sidecar: {}, ...extra },
    { path: "/a", canvas: { nodes: [], edges: [] }, sidecar: {} },
  ],
});

function session(draft: () => Draft | null = () => null) {
  const velk = new FakeVelk();
  const t = manualTimers();
  const seen = { failed: [] as string[], restored: [] as Array<[Draft, boolean]>, replaced: [] as string[] };
  const s = new DocumentSession(velk.bridge, {
    edited: () => {},
    replaced: (reason) => seen.replaced.push(reason),
    saveStatus: () => {},
    failed: (message) => seen.failed.push(message),
    draft,
    restoreDraft: (d, onCard) => seen.restored.push([d, onCard]),
  }, t.timers, 300);
  return { s, velk, t, seen };
}

async function loaded(text = "start", draft?: () => Draft | null) {
  const it = session(draft);
  const done = it.s.load();
  it.velk.answer("load", state(text));
  assert.equal(await done, true);
  return it;
}

const savedText = (request: { payload?: any }) => JSON.parse(request.payload.body).maps[0].canvas.nodes[0].text;

test("edits are saved as the whole document a moment after the last one", async () => {
  const { s, velk, t } = await loaded();
  s.change(() => { s.doc.node("/", "a")!.text = "one"; });
  s.change(() => { s.doc.node("/", "a")!.text = "two"; });
  t.advance(299);
  assert.deepEqual(velk.ops(), ["load"]);
  t.advance(1);
  const save = velk.answer("save", { revision: 2 });
  assert.equal(savedText(save), "two");
  assert.equal(JSON.parse(save.payload.body).maps.length, 2);
});

test("a change notice saves pending edits first, then takes velk's state, which undo cannot take back", async () => {
  const { s, velk } = await loaded();
  s.change(() => { s.doc.node("/", "a")!.text = "mine"; });
  const done = s.changed();
  await tick();
  assert.deepEqual(velk.ops(), ["load", "save"], "no waiting for the debounce");
  assert.equal(savedText(velk.answer("save", { revision: 2 })), "mine");
  await tick();
  assert.deepEqual(velk.ops(), ["load", "save", "refresh"]);
  velk.answer("refresh", state("mine, then another program's"));
  assert.equal(await done, true);
  assert.equal(s.doc.node("/", "a")!.text, "mine, then another program's");
  assert.equal(s.saver.pending, false, "a fresh state is not saved back");
  assert.equal(s.undoChange(), false, "undo never puts the document from before the reload back");
  assert.equal(s.doc.node("/", "a")!.text, "mine, then another program's");
  s.change(() => { s.doc.node("/", "a")!.text = "after"; });
  assert.equal(s.undoChange(), true);
  assert.equal(s.doc.node("/", "a")!.text, "mine, then another program's");
});

test("a card drag or resize that spans a reload ends there; undo never puts back the document from before", async () => {
  for (const part of ["move", "resize"]) {
    const { s, velk } = await loaded();
    const el = { classList: { add() {}, remove() {}, contains: (c: string) => c === part }, style: {}, replaceChildren() {}, setPointerCapture() {}, closest: () => null };
    Object.assign(globalThis, { document: { getElementById: () => el, querySelector: () => el }, requestAnimationFrame: () => 0 });
    const point = (e: { x: number }) => ({ x: e.x, y: 0 });
    const p: any = new PointerInput({ get doc() { return s.doc; }, path: "/", session: s, change: s.change.bind(s), selection: new Set(["a"]), tool: "select",
      camera: { view: { x: 0, y: 0, z: 1 }, viewportPoint: point, canvasPoint: point }, canvas: { cardAt: () => "a" }, text: {},
      cards: { carried: () => [s.doc.node("/", "a")] }, focusCanvas() {}, invalidate() {}, invalidateMoved() {} } as any);
    p.down({ target: el, x: 0, button: 0 }); p.move({ x: 40 });
    const done = s.changed();
    await tick();
    velk.answer("refresh", state("changed on disk"));
    await done;
    p.move({ x: 80 }); p.up({ x: 80 });
    assert.deepEqual([s.undoChange(), s.doc.node("/", "a")!.text], [false, "changed on disk"], part);
  }
});

test("the text being typed survives the reload and is saved again", async () => {
  let draft: Draft | null = null;
  const { s, velk, t, seen } = await loaded("start", () => draft);
  draft = { id: "a", field: "text", text: "typed while velk reloaded" };
  const done = s.changed();
  await tick();
  velk.answer("refresh", state("changed on disk"));
  await done;
  assert.equal(s.doc.node("/", "a")!.text, "typed while velk reloaded");
  assert.deepEqual(seen.restored, [[draft, true]]);
  t.advance(300);
  assert.equal(savedText(velk.answer("save", { revision: 3 })), "typed while velk reloaded");
  s.undoChange();
  assert.equal(s.doc.node("/", "a")!.text, "changed on disk", "undo gives the loaded text back");
});

test("a draft whose card is gone after the reload is dropped without a change", async () => {
  const { s, velk, seen } = await loaded("start", () => ({ id: "gone", field: "text", text: "x" }));
  const done = s.changed();
  await tick();
  velk.answer("refresh", state("start"));
  await done;
  assert.equal(seen.restored[0][1], false);
  assert.equal(s.saver.pending, false);
});

test("when velk refuses the pending edits, a change notice keeps them instead of reloading", async () => {
  const { s, velk, seen } = await loaded();
  s.change(() => { s.doc.node("/", "a")!.text = "precious"; });
  const done = s.changed();
  await tick();
  velk.refuse("save", "map/A.canvas is linked from /a, /b and holds different edits under each");
  assert.equal(await done, false);
  assert.deepEqual(velk.ops(), ["load", "save"], "no refresh replaced the document");
  assert.equal(s.doc.node("/", "a")!.text, "precious");
  assert.match(seen.failed[0], /could not be saved: map\/A\.canvas is linked/);
  assert.equal(s.saver.pending, true);
});

test("edits made while the state travels are saved and the state asked for again, and never dropped", async () => {
  // [row, trips that each see an edit, velk refuses the saves, the text at the end]
  const rows: Array<[string, number, boolean, string]> = [
    ["saved, then read again", 1, false, "read again"],
    ["refused: kept, not read again", 1, true, "edit 1"],
    ["edits on every trip: kept and saved", 3, false, "edit 3"],
  ];
  for (const [row, trips, refused, text] of rows) {
    const { s, velk, seen, t } = await loaded();
    const done = s.changed();
    for (let trip = 1; trip <= trips; trip++) {
      await tick();
      s.change(() => { s.doc.node("/", "a")!.text = `edit ${trip}`; });
      velk.answer("refresh", state("stale"));
      await tick();
      assert.equal(s.doc.node("/", "a")!.text, `edit ${trip}`, row);
      if (refused) { velk.refuse("save", "no room"); continue; }
      // Made on the document from before: velk, which has sent another, once put it over that one.
      const save = velk.answer("save", {});
      assert.deepEqual([savedText(save), JSON.parse(save.payload.body).madeBeforeReload], [`edit ${trip}`, true], row);
    }
    await tick();
    assert.equal(!!velk.waiting("refresh"), text === "read again", `${row}: asked again`);
    if (text === "read again") velk.answer("refresh", state(text));
    assert.equal(await done, text === "read again", row);
    assert.equal(s.doc.node("/", "a")!.text, text, row);
    assert.deepEqual([seen.failed.length, s.saver.pending], [text === "read again" ? 0 : 1, refused], row);
    if (refused) continue;
    s.change(() => { s.doc.node("/", "a")!.text = "later"; });
    t.advance(300);
    // Kept after giving up, the old document is still not velk's: once saved as if it were.
    assert.equal(JSON.parse(velk.answer("save", {}).payload.body).madeBeforeReload, text === "read again" ? undefined : true, `${row}: an edit after`);
  }
});

test("a failed load keeps the document and says why; a reload keeps the map on screen if it can", async () => {
  const { s, velk, seen } = await loaded("kept");
  let done = s.load("refresh");
  velk.refuse("refresh", "no root canvas map.canvas");
  assert.equal(await done, false);
  assert.equal(s.doc.node("/", "a")!.text, "kept");
  assert.deepEqual(seen.failed, ["Could not load the map: no root canvas map.canvas"]);
  // A reload keeps the map on screen when it still exists, else goes to the root.
  s.path = "/a";
  done = s.load("refresh");
  velk.answer("refresh", state("x"));
  await done;
  assert.equal(s.path, "/a");
  done = s.load("refresh");
  velk.answer("refresh", { maps: [state("x").maps[0]] });
  await done;
  assert.equal(s.path, "/");
});

test("undo takes the user back to the map of the change and saves the result", async () => {
  const { s, velk, t, seen } = await loaded();
  s.path = "/a";
  s.change(() => s.doc.addNode("/a", { id: "n", type: "text", x: 0, y: 0, width: 1, height: 1 }));
  s.path = "/";
  assert.equal(s.undoChange(), true);
  assert.equal(s.path, "/a");
  assert.deepEqual(s.doc.nodes("/a"), []);
  assert.deepEqual(seen.replaced, ["load", "undo"]);
  t.advance(300);
  assert.deepEqual(JSON.parse(velk.answer("save", {}).payload.body).maps[1].canvas.nodes, []);
  assert.equal(s.redoChange(), true);
  assert.equal(s.doc.nodes("/a").length, 1);
  assert.equal(s.redoChange(), false);
});

test("nothing is edited or saved before velk's document has arrived", async () => {
  const { s, velk, t } = session();
  const done = s.load();
  s.change(() => s.doc.addNode("/", { id: "early", type: "text", x: 0, y: 0, width: 1, height: 1 }));
  assert.equal(s.ready, false);
  t.advance(10_000);
  assert.deepEqual(velk.ops(), ["load"], "an empty stand-in is never saved over the package");
  velk.answer("load", state("the real map"));
  assert.equal(await done, true);
  assert.equal(s.ready, true);
  assert.deepEqual(s.doc.nodes("/").map((n) => n.text), ["the real map"]);
  assert.equal(s.undoChange(), false);
  const failed = session();
  const first = failed.s.load();
  failed.velk.refuse("load", "no root canvas map.canvas");
  await first;
  failed.s.change(() => failed.s.doc.addNode("/", { id: "x", type: "text", x: 0, y: 0, width: 1, height: 1 }));
  failed.t.advance(1000);
  assert.deepEqual(failed.velk.ops(), ["load"], "after a failed first load the page stays read-only");
});
