import { test } from "node:test";
import assert from "node:assert/strict";
import { CardNode, MapDocument } from "../src/model";
import {
  alignCards, gridShown, groupAround, grownHeight, renameSubmapCard, setGrid, setPreviewText, withEnclosed,
} from "../src/operations";

const card = (id: string, extra: object = {}): CardNode => ({ id, type: "text", x: 0, y: 0, width: 100, height: 60, ...extra });

test("renaming a submap renames what its card shows, which velk names the file after", () => {
  const file = { type: "file", file: "map/Trip ideas.canvas", color: "2" };
  const rows: Array<[string, object, string, object]> = [
    ["file", file, "  Holiday   plans ", { ...file, file: "map/Holiday plans.canvas" }],
    ["a name cannot make a path", file, "a/b\\c", { ...file, file: "map/a-b-c.canvas" }],
    ["file at the top", { type: "file", file: "Old.canvas" }, "New", { type: "file", file: "New.canvas" }],
    ["group", { type: "group", label: "Old" }, "New", { type: "group", label: "New" }],
    ["note", { text: "\n## Old title\nbody stays" }, "New title", { text: "\n## New title\nbody stays" }],
    ["empty note", { text: "" }, "Named", { text: "Named" }],
    ["link", { type: "link", url: "https://example.com" }, "Reading", { type: "file", file: "Reading.canvas" }],
    ["a blank name changes nothing", { text: "\n## Title\nbody" }, "  \n ", { text: "\n## Title\nbody" }],
  ];
  for (const [name, before, typed, after] of rows) {
    const node = card("c", before);
    renameSubmapCard(node, typed);
    assert.deepEqual(JSON.parse(JSON.stringify(node)), card("c", after), name);
  }
});

test("a preview written by hand replaces title and description and keeps the rest", () => {
  const doc = MapDocument.fromState({ maps: [{ path: "/", canvas: { nodes: [card("l", { type: "link", url: "https://x.org" })] },
    sidecar: { nodes: { l: { preview: { title: "Fetched", description: "Old", image: "velk-media/1.png", siteName: "X" }, theirs: 1 } } } }] });
  setPreviewText(doc, "/", "l", " Mine ", "");
  assert.deepEqual(doc.sidecarRecord("/", "l"), { preview: { title: "Mine", image: "velk-media/1.png", siteName: "X" }, theirs: 1 });
  setPreviewText(doc, "/", "new", "Title", "Words");
  assert.deepEqual(doc.sidecarRecord("/", "new"), { preview: { title: "Title", description: "Words" } });
});

test("the grid flag lives in the map's own sidecar view, beside what else is there", () => {
  const doc = MapDocument.fromState({ maps: [{ path: "/", canvas: {}, sidecar: { view: { zoom: 2 } } }, { path: "/s", canvas: {}, sidecar: { view: "odd" } }] });
  assert.equal(gridShown(doc, "/"), false);
  setGrid(doc, "/", true);
  assert.deepEqual(doc.map("/")!.sidecar.view, { zoom: 2, grid: true });
  assert.equal(gridShown(doc, "/s"), false, "each map has its own");
  setGrid(doc, "/s", true);
  assert.equal(gridShown(doc, "/s"), true);
  setGrid(doc, "/", false);
  assert.equal(gridShown(doc, "/"), false);
});

test("a selected group carries the cards wholly inside it, not those that only overlap", () => {
  const doc = MapDocument.fromState({ maps: [{ path: "/", canvas: { nodes: [
    card("g", { type: "group", x: 0, y: 0, width: 300, height: 300 }),
    card("in", { x: 10, y: 10 }),
    card("half", { x: 250, y: 10 }),
  ] } }] });
  assert.deepEqual(withEnclosed(doc, "/", [doc.node("/", "g")!]).map((n) => n.id), ["g", "in"]);
  assert.deepEqual(withEnclosed(doc, "/", [doc.node("/", "half")!]).map((n) => n.id), ["half"]);
});

test("grouping draws a labelled group below the cards, around them; aligning moves them to a common edge", () => {
  const doc = MapDocument.fromState({ maps: [{ path: "/", canvas: { nodes: [card("a", { x: 100, y: 100 })] } }] });
  groupAround(doc, "/", doc.nodes("/"), "grp");
  assert.deepEqual(doc.nodes("/")[0], { id: "grp", type: "group", label: "Group", x: 60, y: 40, width: 180, height: 160 });
  doc.addNode("/", card("b", { x: 50, y: 80, width: 20 }));
  alignCards(doc, "/", doc.nodes("/").slice(1), "right");
  assert.deepEqual(doc.nodes("/").slice(1).map((n) => [n.x, n.y]), [[100, 100], [180, 80]], "aligning moves cards to the common edge");
});

test("a note grows with its text and never shrinks", () => {
  const note = card("t", { width: 250, height: 60 });
  assert.equal(grownHeight(note, "short"), null);
  assert.equal(grownHeight(note, "1\n2\n3\n4"), 130);
  assert.equal(grownHeight({ ...note, height: 400 }, "1\n2\n3\n4"), null);
});
