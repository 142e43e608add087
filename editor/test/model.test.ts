import { test } from "node:test";
import assert from "node:assert/strict";
import { copyCards } from "../src/clipboard";
import { MapDocument, cardTitle, mayOpenSubmap, parentPath, submapPath } from "../src/model";

const state = () => ({
  maps: [
    {
      path: "/",
      canvas: {
        nodes: [
          { id: "a", type: "text", text: "# Trip\nmore", x: 0, y: 0, width: 200, height: 80, future: { keep: [1, 2] } },
          { id: "s", type: "file", file: "map/Plans.canvas", x: 300, y: 0, width: 200, height: 80, color: "3" },
          { id: "ink1", type: "file", x: 0, y: 200, width: 50, height: 50 },
        ],
        edges: [{ id: "e", fromNode: "a", toNode: "s", toEnd: "arrow", curvature: 0.4 }],
        meta: { creator: "other app" },
      },
      sidecar: { nodes: { ink1: { role: "ink", source: { strokes: [], lines: [] }, extra: true } }, view: { grid: true }, theirs: 7 },
    },
    { path: "/s", canvas: { nodes: [{ id: "x", type: "text", text: "inner", x: 0, y: 0, width: 1, height: 1 }], edges: [] }, sidecar: {} },
    { path: "/s/x", canvas: { nodes: [], edges: [] }, sidecar: {}, unknownRecordMember: "kept" },
  ],
  stateExtra: 1,
});

test("the save body of an untouched document equals the state it came from", () => {
  const original = state();
  const doc = MapDocument.fromState(JSON.parse(JSON.stringify(original)));
  assert.deepEqual(doc.saveBody(), original);
});

test("edits change only what they touch; unknown members of canvases, cards, edges and sidecars stay", () => {
  const doc = MapDocument.fromState(state());
  const a = doc.node("/", "a")!;
  a.x = 40;
  a.text = "changed";
  doc.addEdge("/", { id: "e2", fromNode: "s", toNode: "a" });
  doc.setSidecarRecord("/", "a", { note: 1 });
  const root = (doc.saveBody().maps as any[])[0];
  assert.deepEqual(root.canvas.nodes[0], { id: "a", type: "text", text: "changed", x: 40, y: 0, width: 200, height: 80, future: { keep: [1, 2] } });
  assert.deepEqual(root.canvas.meta, { creator: "other app" });
  assert.equal(root.canvas.edges[0].curvature, 0.4);
  assert.equal(root.sidecar.theirs, 7);
  assert.equal(root.sidecar.nodes.ink1.extra, true);
  assert.deepEqual(root.sidecar.view, { grid: true });
});

test("a broken state still gives a root map; looking at a canvas without nodes or edges does not add them", () => {
  for (const bad of [null, 3, { maps: "no" }, { maps: [{ canvas: {} }] }]) assert.ok(MapDocument.fromState(bad).map("/"), JSON.stringify(bad));
  const doc = MapDocument.fromState({ maps: [{ path: "/", canvas: { other: 1 }, sidecar: {} }] });
  assert.deepEqual([doc.nodes("/"), doc.edges("/")], [[], []]);
  assert.deepEqual((doc.saveBody().maps as any[])[0].canvas, { other: 1 });
});

test("removing a card takes its edges, sidecar record and whole submap tree with it", () => {
  const doc = MapDocument.fromState(state());
  doc.removeNodes("/", ["s", "ink1"]);
  assert.deepEqual(doc.nodes("/").map((n) => n.id), ["a"]);
  assert.deepEqual(doc.edges("/"), []);
  assert.equal(doc.sidecarRecord("/", "ink1"), undefined);
  assert.deepEqual(Array.from(doc.maps.keys()), ["/"]);
});

test("a card whose id cannot name a map has no submap; no card takes or copies a map not below it", () => {
  // "/s" holds no card "x": velk gave "/s/x" to the card "s/x".
  const doc = MapDocument.fromState({ maps: [{ path: "/", canvas: { nodes: [{ id: "" }, { id: "s/x" }, { id: "s" }] } }, { path: "/s" }, { path: "/s/x" }] });
  for (const id of ["", "s/x", "s"]) {
    const copied = copyCards(doc, "/", [doc.node("/", id)!])!.submaps.map((m) => m.path);
    assert.deepEqual([doc.hasSubmap("/", id), copied], [id === "s", id === "s" ? ["/s"] : []], `"${id}"`);
  }
  doc.removeNodes("/", ["", "s"]);
  assert.deepEqual(Array.from(doc.maps.keys()), ["/", "/s/x"]);
});

test("submaps: paths, creation, copies and titles", () => {
  assert.equal(submapPath("/", "a"), "/a");
  assert.equal(submapPath("/a", "b"), "/a/b");
  assert.equal(parentPath("/a/b"), "/a");
  assert.equal(parentPath("/a"), "/");
  assert.equal(parentPath("/"), null);
  const doc = MapDocument.fromState(state());
  assert.equal(doc.hasSubmap("/", "a"), false);
  assert.equal(doc.createSubmap("/", "a"), "/a");
  assert.equal(doc.hasSubmap("/", "a"), true);
  doc.graftSubtree(doc.subtree("/s"), "/s", "/copy");
  assert.deepEqual(doc.nodes("/copy").map((n) => n.id), ["x"]);
  assert.equal((doc.map("/copy/x")!.record as any).unknownRecordMember, "kept");
  doc.node("/copy", "x")!.text = "changed";
  assert.equal(doc.node("/s", "x")!.text, "inner", "a copy shares nothing with its original");
  assert.equal(doc.title("/s", "Doc"), "Plans");
  assert.equal(doc.title("/", "Doc"), "Doc");
  assert.equal(cardTitle(doc.node("/", "a")!), "Trip");
  assert.equal(cardTitle({ id: "t", type: "text", text: `${"x".repeat(58)}👨‍👩‍👧‍👦 and more of the title`, x: 0, y: 0, width: 1, height: 1 }), `${"x".repeat(58)}…`, "cut between whole characters");
});

test("restacking keeps the relative order of moved and unmoved cards", () => {
  const doc = MapDocument.fromState(state());
  doc.restack("/", new Set(["a"]), true);
  assert.deepEqual(doc.nodes("/").map((n) => n.id), ["s", "ink1", "a"]);
  doc.restack("/", new Set(["ink1", "a"]), false);
  assert.deepEqual(doc.nodes("/").map((n) => n.id), ["ink1", "a", "s"]);
});

test("a card opens a submap unless saving would take what it shows: an image, a drawing, another file", () => {
  const card = (more: object) => ({ id: "c", type: "file", x: 0, y: 0, width: 1, height: 1, ...more });
  const rows: [string, object, boolean, boolean][] = [
    ["note", { type: "text", text: "x" }, false, true],
    ["group", { type: "group", label: "g" }, false, true],
    ["link", { type: "link", url: "https://example.com/" }, false, true],
    ["submap file", { file: "map/Plans.CANVAS" }, false, true],
    ["image", { file: "velk-media/0123456789abcdef.png" }, false, false],
    ["drawing", {}, false, false],
    ["another program's file", { file: "notes/todo.md" }, false, false],
    ["image whose submap exists", { file: "velk-media/0123456789abcdef.png" }, true, true],
  ];
  for (const [what, more, hasSubmap, expected] of rows) assert.equal(mayOpenSubmap(card(more), hasSubmap), expected, what);
});

test("another program's cards survive the page: repeated ids, and cards or edges held in an object", () => {
  const card = (id: string, text: string) => ({ id, type: "text", text, x: 0, y: 0, width: 1, height: 1 });
  const twins = MapDocument.fromState({ maps: [{ path: "/", canvas: { nodes: [card("a", "first"), card("a", "second")], edges: [] }, sidecar: {} }] });
  const [first, second] = twins.nodes("/");
  assert.equal(first.id, "a");
  assert.notEqual(second.id, "a");
  twins.removeNodes("/", [second.id]);
  assert.deepEqual(twins.nodes("/").map((n) => n.text), ["first"]);

  const keyed = MapDocument.fromState({
    maps: [{ path: "/", canvas: { nodes: { a: card("a", "in an object") }, edges: { e: { id: "e", fromNode: "a", toNode: "a" } } }, sidecar: {} }],
  });
  assert.deepEqual(keyed.nodes("/").map((n) => n.text), ["in an object"]);
  keyed.addNode("/", card("b", "new"));
  keyed.addEdge("/", { id: "f", fromNode: "b", toNode: "a" });
  const saved = (keyed.saveBody().maps as any[])[0].canvas;
  assert.deepEqual(saved.nodes.map((n: any) => n.text), ["in an object", "new"]);
  assert.deepEqual(saved.edges.map((e: any) => e.id), ["e", "f"]);
});
