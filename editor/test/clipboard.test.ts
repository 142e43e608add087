import { test } from "node:test";
import assert from "node:assert/strict";
import { CardCommands } from "../src/cardCommands";
import { copyCards, copyText, pasteOffset, pastesCards, placeCopies } from "../src/clipboard";
import { fitView, snap, union } from "../src/geometry";
import { readInk } from "../src/ink";
import { MapDocument, box } from "../src/model";

// Root: a note, an ink card, a card with a submap two levels deep, and a card left out of
// the copy; edges among the copied cards and one to the card left out.
const state = () => ({
  maps: [
    {
      path: "/",
      canvas: {
        nodes: [
          { id: "a", type: "text", text: "alpha", x: 0, y: 0, width: 100, height: 60, theirs: { keep: true } },
          { id: "ink", type: "file", x: 0, y: 100, width: 36, height: 36 },
          { id: "c", type: "text", text: "# Plans", x: 200, y: 0, width: 100, height: 60 },
          { id: "d", type: "text", text: "left out", x: 400, y: 0, width: 100, height: 60 },
        ],
        edges: [
          { id: "e1", fromNode: "a", toNode: "c", label: "then", curvature: 2 },
          { id: "e2", fromNode: "ink", toNode: "a" },
          { id: "e3", fromNode: "a", toNode: "d" },
        ],
      },
      sidecar: {
        nodes: {
          ink: { role: "ink", source: { strokes: [{ points: [[10, 110], [30, 130]], palette: "moss" }], lines: [] }, mine: 1 },
          d: { note: "not copied" },
        },
      },
    },
    { path: "/c", canvas: { nodes: [{ id: "x", type: "text", text: "inside", x: 0, y: 0, width: 10, height: 10 }], edges: [] }, sidecar: { view: { grid: true } } },
    { path: "/c/x", canvas: { nodes: [{ id: "y", type: "text", text: "deeper", x: 0, y: 0, width: 10, height: 10 }], edges: [] }, sidecar: {} },
  ],
});

function counter() {
  let n = 0;
  return () => `new${++n}`;
}

test("pasted cards get fresh ids, keep their members and only the edges among themselves", () => {
  const doc = MapDocument.fromState(state());
  const copy = copyCards(doc, "/", doc.nodes("/").filter((n) => n.id !== "d"))!;
  const ids = placeCopies(doc, copy, "/", { x: 30, y: 30 }, counter());
  assert.deepEqual(ids, ["new1", "new2", "new3"]);
  const pasted = doc.nodes("/").slice(4);
  assert.deepEqual(pasted.map((n) => [n.id, n.x, n.y]), [["new1", 30, 30], ["new2", 30, 130], ["new3", 230, 30]]);
  assert.deepEqual(pasted[0].theirs, { keep: true });
  const edges = doc.edges("/").slice(3);
  assert.deepEqual(edges.map((e) => [e.id, e.fromNode, e.toNode]), [["new4", "new1", "new3"], ["new5", "new2", "new1"]],
    "the edge to the card left out is dropped; the others join the copies");
  assert.equal(edges[0].label, "then");
  assert.equal(edges[0].curvature, 2);
  assert.equal(doc.edges("/").length, 5, "the originals keep their edges");
});

test("a pasted ink card has its own record, with the drawing moved along with the card", () => {
  const doc = MapDocument.fromState(state());
  const copy = copyCards(doc, "/", [doc.node("/", "ink")!])!;
  const [id] = placeCopies(doc, copy, "/", { x: 30, y: 40 }, counter());
  const record = doc.sidecarRecord("/", id)!;
  assert.equal(record.role, "ink");
  assert.equal(record.mine, 1);
  assert.deepEqual(readInk(record)!.strokes[0].points, [{ x: 40, y: 150 }, { x: 60, y: 170 }]);
  assert.deepEqual(readInk(doc.sidecarRecord("/", "ink"))!.strokes[0].points, [{ x: 10, y: 110 }, { x: 30, y: 130 }], "the original stays");
  assert.equal(doc.sidecarRecord("/", "d")!.note, "not copied");
});

test("a pasted card brings its whole submap tree under its new id", () => {
  const doc = MapDocument.fromState(state());
  const copy = copyCards(doc, "/", [doc.node("/", "c")!])!;
  const [id] = placeCopies(doc, copy, "/", { x: 30, y: 30 }, counter());
  assert.deepEqual(doc.nodes(`/${id}`).map((n) => n.text), ["inside"]);
  assert.deepEqual(doc.nodes(`/${id}/x`).map((n) => n.text), ["deeper"]);
  assert.deepEqual(doc.map(`/${id}`)!.sidecar.view, { grid: true });
  doc.node(`/${id}/x`, "y")!.text = "changed in the copy";
  assert.equal(doc.node("/c/x", "y")!.text, "deeper", "copy and original share nothing");
});

test("cut and paste brings back cards, records and submaps that the cut removed", () => {
  const doc = MapDocument.fromState(state());
  const copy = copyCards(doc, "/", [doc.node("/", "c")!, doc.node("/", "ink")!])!;
  doc.removeNodes("/", ["c", "ink"]);
  assert.equal(doc.map("/c"), undefined);
  const [c, ink] = placeCopies(doc, copy, "/", { x: 0, y: 0 }, counter());
  assert.deepEqual(doc.nodes(`/${c}/x`).map((n) => n.text), ["deeper"]);
  assert.equal(doc.sidecarRecord("/", ink)!.role, "ink");
});

test("copies and the view always get finite coordinates, whatever the cards held", () => {
  for (const [row, held] of [["no place", {}], ["far and huge", { x: 1e308, y: -1e308, width: 1e308, height: 1e308 }]] as const) {
    const doc = MapDocument.fromState({ maps: [{ path: "/", canvas: { nodes: [{ id: "o", ...held }, { id: "n", x: 0, y: 0 }] } }, { path: "/b" }] });
    const copy = copyCards(doc, "/", doc.nodes("/"))!;
    for (const to of ["/", "/b"]) placeCopies(doc, copy, to, pasteOffset(copy, to, { x: 0, y: 0 }, snap));
    const view = fitView(union(doc.nodes("/").map(box)), 800, 600);
    const copies = [...doc.nodes("/").slice(2), ...doc.nodes("/b")];
    assert.ok(copies.flatMap((n) => [n.x, n.y]).concat(view.x, view.y).every(Number.isFinite), row);
  }
});

test("cut takes away what it copied: a group with the cards inside it", () => {
  const doc = MapDocument.fromState(state());
  doc.addNode("/", { id: "g", type: "group", x: -10, y: -10, width: 120, height: 80 });
  const cards = new CardCommands({ doc, path: "/", selection: new Set(["g"]), change: (fn: () => void) => fn() } as any);
  cards.cut();
  assert.deepEqual(doc.nodes("/").map((n) => n.id), ["ink", "c", "d"]);
});

test("pasting into a submap, and pasting twice, never reuses a path or an id", () => {
  const doc = MapDocument.fromState(state());
  const copy = copyCards(doc, "/", [doc.node("/", "c")!])!;
  const [first] = placeCopies(doc, copy, "/c", { x: 0, y: 0 });
  const [second] = placeCopies(doc, copy, "/c", { x: 0, y: 0 });
  assert.notEqual(first, second);
  assert.deepEqual(doc.nodes(`/c/${first}/x`).map((n) => n.text), ["deeper"]);
  assert.deepEqual(doc.nodes(`/c/${second}`).map((n) => n.text), ["inside"]);
  assert.deepEqual(doc.nodes("/c").map((n) => n.id), ["x", first, second]);
});

test("a copy taken before an edit pastes what was copied; other programs get the words", () => {
  const doc = MapDocument.fromState(state());
  const copy = copyCards(doc, "/", [doc.node("/", "a")!])!;
  doc.node("/", "a")!.text = "edited later";
  const [id] = placeCopies(doc, copy, "/", { x: 0, y: 0 });
  assert.equal(doc.node("/", id)!.text, "alpha");
  // Nothing selected copies nothing; the text for other programs joins the cards' words.
  assert.equal(copyCards(doc, "/", []), null);
  assert.equal(copyText([doc.node("/", id)!, doc.node("/", "c")!]), "alpha\n\n# Plans");
});

test("a paste lands beside the originals in their map, else mid-view, and only while the clipboard holds them", () => {
  const doc = MapDocument.fromState(state());
  const copy = copyCards(doc, "/", [doc.node("/", "a")!])!;
  assert.deepEqual(pasteOffset(copy, "/", { x: 999, y: 999 }, snap), { x: 30, y: 30 });
  assert.deepEqual(pasteOffset(copy, "/c", { x: 500, y: 300 }, snap), { x: 450, y: 270 });
  // The copied cards come back only while the clipboard still holds their text.
  const two = copyCards(doc, "/", [doc.node("/", "a")!, doc.node("/", "c")!])!;
  assert.equal(pastesCards(two, "alpha\n\n# Plans\n"), true);
  assert.equal(pastesCards(two, ""), true, "no text at all: the cards");
  assert.equal(pastesCards(two, "copied later in another program"), false);
  assert.equal(pastesCards(null, ""), false);
});
