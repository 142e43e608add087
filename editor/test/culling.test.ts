import { test } from "node:test";
import assert from "node:assert/strict";
import { EdgeBounds, areaStillDrawn, coveredRect, drawingServes, elementKeys, sameRect, staleKeys, wantedItems } from "../src/culling";
import { Rect, encloses, inflate, intersects, visibleRect } from "../src/geometry";
import { Detail, boxZoom, cardDetail, cardSignature, detailAt, handleZoomFor, minHandleZoom, titleZoom } from "../src/detail";
import { CardNode } from "../src/model";

const width = 1000, height = 700;

function grid(count: number, columns: number) {
  return Array.from({ length: count }, (_, i) => ({
    id: `n${i}`, rect: { x: (i % columns) * 300, y: Math.floor(i / columns) * 160, width: 250, height: 110 },
  }));
}

test("the covered area always holds the viewport and its margin, at any offset and zoom", () => {
  for (const z of [0.1, 0.27, 0.5, 1, 2.5, 4]) {
    for (let i = 0; i < 200; i++) {
      const view = { x: (i * 7919) % 40000 - 20000, y: (i * 104729) % 30000 - 15000, z };
      const covered = coveredRect(view, width, height);
      assert.ok(encloses(covered, inflate(visibleRect(view, width, height), 200 / z)), `view ${JSON.stringify(view)}`);
    }
  }
});

test("a slow pan keeps the same covered area for many frames", () => {
  let changes = 0;
  let last = coveredRect({ x: 0, y: 0, z: 1 }, width, height);
  // 2,000 screen pixels to the left, 7 at a time.
  for (let step = 1; step <= 285; step++) {
    const covered = coveredRect({ x: -7 * step, y: -4 * step, z: 1 }, width, height);
    if (!sameRect(covered, last)) changes++;
    last = covered;
  }
  // Cells are half a viewport: one change per 500 pixels sideways and 350 down at most.
  assert.ok(changes > 0 && changes <= 8, `${changes} changes`);
});

test("every card that shows on screen is drawn, and cards far away are not", () => {
  const items = grid(5000, 71);
  const view = { x: -4321, y: -2345, z: 0.8 };
  const covered = coveredRect(view, width, height);
  const wanted = new Set(wantedItems(items, covered, () => false));
  const visible = visibleRect(view, width, height);
  items.forEach((item, index) => {
    if (intersects(item.rect, visible)) assert.ok(wanted.has(index), `${item.id} is on screen`);
  });
  assert.ok(wanted.size < 400, `${wanted.size} cards drawn`);
});

test("selected and edited cards are drawn wherever they are", () => {
  const items = grid(100, 10);
  const covered = { x: 0, y: 0, width: 10, height: 10 };
  assert.deepEqual(wantedItems(items, covered, (id) => id === "n99" || id === "n50"), [0, 50, 99]);
});

test("an edge is in view when either end or the stretch between them is, also after its cards moved", () => {
  const covered = { x: 1000, y: 0, width: 500, height: 500 };
  const rects = new Map([["left", { x: 0, y: 100, width: 100, height: 50 }], ["right", { x: 3000, y: 100, width: 100, height: 50 }],
    ["near", { x: 400, y: 100, width: 100, height: 50 }]]);
  const edge = (id: string, fromNode: string, toNode: string) => ({ id, fromNode, toNode });
  const bounds = new EdgeBounds([edge("crosses", "left", "right"), edge("aside", "left", "near"), edge("crosses", "near", "right"),
    edge("dangling", "left", "gone")], rects);
  assert.deepEqual(bounds.edges.map((e) => e.id), ["crosses", "aside"], "a repeated id and a missing card are left out");
  assert.deepEqual(bounds.inView(covered).map((e) => e.id), ["crosses"]);
  assert.deepEqual(bounds.ofCardsInView(["near"], covered), [], "a card's edge out of view");
  rects.set("near", { x: 1100, y: 100, width: 100, height: 50 });
  bounds.moved(["near"], rects);
  assert.deepEqual(bounds.inView(covered).map((e) => e.id), ["crosses", "aside"], "starts in view once moved there");
  assert.deepEqual(bounds.ofCardsInView(["near", "left"], covered).map((e) => e.id), ["crosses", "aside"], "cards' edges, once each");
});

test("a far picture is drawn again once the view leaves it or zooms a quarter away from it, while moving 60%", () => {
  const drawn = { x: 0, y: 0, width: 1000, height: 1000 }, inside = { x: 100, y: 100, width: 500, height: 500 };
  const rows: [string, Rect | null, Rect, number, boolean, boolean][] = [
    ["inside, same zoom", drawn, inside, 0.2, false, true],
    ["a little closer", drawn, inside, 0.24, false, true],
    ["a little farther", drawn, inside, 0.17, false, true],
    ["a quarter closer", drawn, inside, 0.25, false, false],
    ["a fifth farther", drawn, inside, 0.16, false, false],
    ["a quarter closer while moving", drawn, inside, 0.25, true, true],
    ["over 60% closer while moving", drawn, inside, 0.33, true, false],
    ["over 60% farther while moving", drawn, inside, 0.12, true, false],
    ["past its edge while moving", drawn, { ...inside, x: 600 }, 0.2, true, false],
    ["nothing drawn", null, inside, 0.2, false, false],
  ];
  for (const [name, area, visible, zoom, moving, serves] of rows) assert.equal(drawingServes(area, 0.2, visible, zoom, moving), serves, name);
});

test("cards drawn for a view serve the views inside it until they are more than twice what is wanted", () => {
  const at = (z: number, x = 0) => ({ x: x - (width / 2) * (1 - z), y: -(height / 2) * (1 - z), z });
  const drawn = coveredRect(at(0.74), width, height);
  const rows: [string, Rect | null, ReturnType<typeof at>, boolean][] = [
    ["the same view", drawn, at(0.74), true],
    ["zoomed in a step", drawn, at(0.77), true],
    ["zoomed in four steps", drawn, at(0.86), true],
    ["zoomed in so far it keeps too much", drawn, at(1.3), false],
    ["zoomed out a step, still inside it", drawn, at(0.71), true],
    ["zoomed out past it", drawn, at(0.5), false],
    ["panned out of it", drawn, at(0.74, -900), false],
    ["nothing drawn", null, at(0.74), false],
  ];
  for (const [name, area, view, serves] of rows) assert.equal(areaStillDrawn(area, view, width, height), serves, name);
});

test("stale keys are the drawn ones no longer wanted", () => {
  assert.deepEqual(staleKeys(["a", "b", "c"], new Set(["b", "d"])), ["a", "c"]);
  assert.deepEqual(staleKeys([], new Set(["b"])), []);
  assert.ok(!sameRect({ x: 0, y: 0, width: 1, height: 1 }, null));
  const keys = elementKeys(["a", "dup", "dup", "dup\u00002", "dup"]);
  assert.deepEqual([keys.slice(0, 2), keys[3], new Set(keys).size], [["a", "dup"], "dup\u00002", 5], "cards sharing an id get keys of their own");
});

const card: CardNode = { id: "a", type: "text", text: "Hello", x: 0, y: 0, width: 250, height: 60 };

test("cards are boxes below the zoom where text becomes unreadable, titles up to where body text reads", () => {
  const rows: [number, string][] = [[1, "full"], [titleZoom, "full"], [titleZoom - 0.01, "title"], [0.45, "title"],
    [boxZoom, "title"], [boxZoom - 0.01, "box"], [0.1, "box"]];
  for (const [zoom, detail] of rows) assert.equal(detailAt(zoom), detail, `zoom ${zoom}`);
});

test("handles keep within 9% of their size on screen down to half size, and change size only every few zoom steps", () => {
  const steps = Array.from({ length: 200 }, (_, i) => minHandleZoom * 1.0382 ** i);
  for (const z of steps) {
    const ratio = handleZoomFor(z) / z;
    assert.ok(ratio > 0.91 && ratio < 1.1, `zoom ${z}: handles sized for ${handleZoomFor(z)}`);
  }
  assert.ok(new Set(steps.map(handleZoomFor)).size < steps.length / 4);
  for (const z of [0.05, 0.3, 0.5]) assert.equal(handleZoomFor(z), minHandleZoom, `zoom ${z}`);
});

test("groups, ink and selected or edited cards keep their full drawing at every distance", () => {
  const rows: [string, CardNode, boolean, boolean, Detail, Detail][] = [
    ["text far", card, false, false, "box", "box"],
    ["text between", card, false, false, "title", "title"],
    ["text close", card, false, false, "full", "full"],
    ["group far", { ...card, type: "group", label: "Ideas" }, false, false, "box", "full"],
    ["group between", { ...card, type: "group", label: "Ideas" }, false, false, "title", "full"],
    ["ink far", { ...card, type: "file", file: "ink.svg" }, true, false, "box", "full"],
    ["ink between", { ...card, type: "file", file: "ink.svg" }, true, false, "title", "full"],
    ["pinned far", card, false, true, "box", "full"],
    ["pinned between", card, false, true, "title", "full"],
  ];
  for (const [name, node, inked, pinned, at, drawn] of rows) assert.equal(cardDetail(at, node, inked, pinned), drawn, name);
});

test("a card's signature changes with anything it shows, a title's or a box's only with its look", () => {
  const full = cardSignature(card, undefined, false, "full");
  assert.notEqual(cardSignature({ ...card, text: "Hello!" }, undefined, false, "full"), full);
  assert.notEqual(cardSignature(card, { preview: { title: "t" } }, false, "full"), full);
  assert.notEqual(cardSignature(card, undefined, true, "full"), full);
  assert.equal(cardSignature({ ...card, x: 40, y: 80 }, undefined, false, "full"), full, "a moved card is not rebuilt");
  const ink = { ...card, type: "file", file: "ink.svg" };
  assert.notEqual(cardSignature({ ...ink, x: 40 }, undefined, false, "full", true), cardSignature(ink, undefined, false, "full", true),
    "a moved ink drawing is");
  const asBox = cardSignature(card, undefined, false, "box");
  const asTitle = cardSignature(card, undefined, false, "title");
  assert.ok(asBox !== full && asTitle !== full && asBox !== asTitle, "switching between levels redraws");
  assert.equal(cardSignature({ ...card, text: "other" }, undefined, false, "box"), asBox);
  assert.notEqual(cardSignature({ ...card, color: "3" }, undefined, false, "box"), asBox);
  assert.notEqual(cardSignature({ ...card, type: "link" }, undefined, false, "box"), asBox);
  assert.equal(cardSignature({ ...card, text: "Hello\nmore *body*" }, undefined, false, "title"), asTitle, "body text");
  assert.notEqual(cardSignature({ ...card, text: "Goodbye" }, undefined, false, "title"), asTitle);
  assert.notEqual(cardSignature({ ...card, color: "3" }, undefined, false, "title"), asTitle);
});
