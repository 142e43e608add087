import { test } from "node:test";
import assert from "node:assert/strict";
import { elbow, inkBounds, linePath, penColour, polyline, readInk, simplify, smooth } from "../src/ink";
import { colourValue } from "../src/colors";
import { appendInk, dragMid, midHandles, translateInk } from "../src/inkEdit";
import { MapDocument } from "../src/model";
import { moveCards } from "../src/operations";

const line = (x1: number, y1: number, x2: number, y2: number, style?: string) =>
  ({ x1, y1, x2, y2, mids: [], palette: "", style: style ?? "straight" });

test("ink bounds are the padded box velk sizes the card to", () => {
  assert.deepEqual(inkBounds({ strokes: [{ points: [{ x: 10, y: 20 }, { x: 30, y: 40 }], palette: "" }], lines: [] }),
    { x: 2, y: 12, width: 36, height: 36 });
  assert.deepEqual(inkBounds({ strokes: [{ points: [{ x: 0.5, y: 0 }, { x: 10.2, y: 0 }], palette: "" }], lines: [] }),
    { x: -8, y: -8, width: 27, height: 16 }, "halves round away from zero, far sides round up");
  assert.deepEqual(inkBounds({ strokes: [{ points: [{ x: 5, y: 5 }], palette: "" }], lines: [] }),
    { x: -3, y: -3, width: 16, height: 16 }, "a one-point stroke still counts");
  assert.equal(inkBounds({ strokes: [], lines: [] }), null);
  assert.deepEqual(inkBounds({ strokes: [], lines: [line(0, 0, 100, 50)] }), { x: -8, y: -8, width: 116, height: 66 });
});

test("reading a sidecar record tolerates junk and keeps drawing order", () => {
  assert.equal(readInk(undefined), null);
  assert.equal(readInk({ role: "note", source: {} }), null);
  assert.equal(readInk({ role: "ink", source: "x" }), null);
  const ink = readInk({ role: "ink", source: { strokes: [{ points: [[1, 2], [3], "x", [4, "y", 9]], palette: "rose" }, 7], lines: [{ x1: 1, style: 3 }] } })!;
  assert.deepEqual(ink.strokes[0].points, [{ x: 1, y: 2 }, { x: 4, y: 0 }]);
  assert.deepEqual(ink.strokes[1], { points: [], palette: "" });
  assert.deepEqual(ink.lines[0], { x1: 1, y1: 0, x2: 0, y2: 0, mids: [], palette: "", style: "straight" });
});

test("line styles draw the same paths as the saved SVG", () => {
  assert.equal(polyline([{ x: 10, y: 20 }, { x: 30, y: 40 }, { x: 50, y: 60 }]), "M10 20 L30 40 L50 60");
  assert.equal(smooth([{ x: 0, y: 0 }, { x: 10, y: 0 }, { x: 10, y: 10 }]), "M0 0 Q10 0 10 5 L10 10");
  assert.equal(elbow([{ x: 0, y: 0 }, { x: 10, y: 5 }]), "M0 0 L10 0 L10 5");
  assert.equal(linePath(line(1, 2, 3, 4)), "M1 2 L3 4");
  assert.equal(linePath(line(1, 2, 3, 4, "smooth")), "M1 2 L3 4");
  assert.equal(linePath(line(0, 0, 10, 5, "elbow")), "M0 0 L10 0 L10 5");
});

test("colours: pens by name, presets through the theme, nothing else reaches CSS", () => {
  assert.equal(penColour("cobalt"), "#1d4ed8");
  assert.equal(penColour("Cobalt"), "var(--ink-default)");
  assert.equal(penColour(""), "var(--ink-default)");
  // A pen named like what every object inherits once made the whole export fail.
  for (const name of ["constructor", "toString", "__proto__"]) assert.equal(penColour(name), "var(--ink-default)", name);
  assert.equal(colourValue("3"), "var(--c3)");
  assert.equal(colourValue("#A0b1c2"), "#A0b1c2");
  for (const bad of ["7", "red", "#12345", "#fff; background:url(x)", "var(--x)", 4, null]) assert.equal(colourValue(bad), null, String(bad));
});

const stroke = (...pts: Array<[number, number]>) => ({ points: pts.map(([x, y]) => ({ x, y })), palette: "cobalt" });
const drawn = (x1: number, y1: number, x2: number, y2: number) => ({ x1, y1, x2, y2, mids: [], palette: "rose", style: "smooth" });

test("drawing makes an ink card: a file card without a file, and a sidecar record with the source", () => {
  const doc = MapDocument.fromState(null);
  const id = appendInk(doc, "/", null, stroke([10, 20], [30, 40]), null, () => "ink1");
  assert.equal(id, "ink1");
  assert.deepEqual(doc.node("/", id), { id: "ink1", type: "file", x: 2, y: 12, width: 36, height: 36 });
  assert.deepEqual(doc.sidecarRecord("/", id), {
    role: "ink",
    source: { strokes: [{ points: [[10, 20], [30, 40]], palette: "cobalt" }], lines: [] },
  });
});

test("further strokes and lines join the same card, which grows to the drawing", () => {
  const doc = MapDocument.fromState(null);
  const id = appendInk(doc, "/", null, stroke([10, 20], [30, 40]), null);
  assert.equal(appendInk(doc, "/", id, null, drawn(0, 0, 100, 50)), id);
  assert.equal(doc.nodes("/").length, 1);
  const source = doc.sidecarRecord("/", id)!.source as any;
  assert.deepEqual(source.lines, [{ x1: 0, y1: 0, x2: 100, y2: 50, mids: [], palette: "rose", style: "smooth" }]);
  assert.deepEqual(doc.node("/", id), { id, type: "file", x: -8, y: -8, width: 116, height: 66 });
});

test("a stroke after its card was deleted starts a new card, and unknown record members stay", () => {
  const doc = MapDocument.fromState(null);
  const first = appendInk(doc, "/", null, stroke([0, 0], [5, 5]), null);
  doc.removeNodes("/", [first]);
  const second = appendInk(doc, "/", first, stroke([0, 0], [5, 5]), null, () => "fresh");
  assert.equal(second, "fresh");
  doc.sidecarRecord("/", second)!.theirs = "kept";
  appendInk(doc, "/", second, stroke([1, 1], [2, 2]), null);
  assert.equal(doc.sidecarRecord("/", second)!.theirs, "kept");
  assert.equal((doc.sidecarRecord("/", second)!.source as any).strokes.length, 2);
});

test("a straight line offers one grip in its middle; a bent one grips its points and segments", () => {
  const doc = MapDocument.fromState(null);
  const id = appendInk(doc, "/", null, null, drawn(0, 0, 100, 0));
  assert.deepEqual(midHandles(doc.sidecarRecord("/", id)), [{ line: 0, index: 0, point: { x: 50, y: 0 }, insert: true }]);
  const bent = dragMid(doc, "/", id, { line: 0, index: 0, point: { x: 50, y: 0 }, insert: true }, { x: 50, y: 80 });
  assert.deepEqual(bent, { line: 0, index: 0, point: { x: 50, y: 80 }, insert: false }, "the drag goes on with the new point");
  assert.deepEqual(midHandles(doc.sidecarRecord("/", id)), [
    { line: 0, index: 0, point: { x: 50, y: 80 }, insert: false },
    { line: 0, index: 0, point: { x: 25, y: 40 }, insert: true },
    { line: 0, index: 1, point: { x: 75, y: 40 }, insert: true },
  ]);
  assert.deepEqual(doc.node("/", id), { id, type: "file", x: -8, y: -8, width: 116, height: 96 }, "the card follows the bend");
  assert.deepEqual(midHandles(undefined), []);
});

test("moving and inserting middle points keeps their order and skips unreadable entries", () => {
  const doc = MapDocument.fromState(null);
  const id = appendInk(doc, "/", null, null, drawn(0, 0, 100, 0));
  const raw = (doc.sidecarRecord("/", id)!.source as any).lines[0];
  raw.mids = ["junk", [20, 5], [60, 5]];
  dragMid(doc, "/", id, { line: 0, index: 1, point: { x: 60, y: 5 }, insert: false }, { x: 60, y: -30 });
  dragMid(doc, "/", id, { line: 0, index: 1, point: { x: 40, y: 0 }, insert: true }, { x: 40, y: 12.345 });
  assert.deepEqual(raw.mids, ["junk", [20, 5], [40, 12.3], [60, -30]]);
  assert.deepEqual(readInk(doc.sidecarRecord("/", id))!.lines[0].mids, [{ x: 20, y: 5 }, { x: 40, y: 12.3 }, { x: 60, y: -30 }]);
  const stale = { line: 3, index: 0, point: { x: 0, y: 0 }, insert: false };
  assert.deepEqual(dragMid(doc, "/", id, stale, { x: 1, y: 1 }), stale, "a grip of a line that is gone changes nothing");
});

test("moving an ink card moves its drawing, so velk's sizing keeps it where it was put", () => {
  const doc = MapDocument.fromState(null);
  const id = appendInk(doc, "/", null, stroke([10, 20], [30, 40]), drawn(0, 0, 10, 10));
  (doc.sidecarRecord("/", id)!.source as any).lines[0].mids = [[5, 0]];
  moveCards(doc, "/", [doc.node("/", id)!], 100, -20);
  const ink = readInk(doc.sidecarRecord("/", id))!;
  assert.deepEqual(ink.strokes[0].points, [{ x: 110, y: 0 }, { x: 130, y: 20 }]);
  assert.deepEqual([ink.lines[0].x1, ink.lines[0].y1, ink.lines[0].x2, ink.lines[0].y2], [100, -20, 110, -10]);
  assert.deepEqual(ink.lines[0].mids, [{ x: 105, y: -20 }]);
  const node = doc.node("/", id)!;
  assert.deepEqual(inkBounds(ink), { x: node.x, y: node.y, width: node.width, height: node.height });
  const record = { role: "note", source: { strokes: [{ points: [[1, 1]] }] } };
  translateInk(record as any, 5, 5);
  translateInk(undefined, 5, 5);
  assert.deepEqual(record.source.strokes[0].points, [[1, 1]], "only ink records move with their cards");
});

test("simplifying a stroke drops crowded points but keeps both ends", () => {
  const pts = [{ x: 0, y: 0 }, { x: 0.1, y: 0 }, { x: 2, y: 0 }, { x: 2.1, y: 0 }];
  assert.deepEqual(simplify(pts, 1), [{ x: 0, y: 0 }, { x: 2, y: 0 }, { x: 2.1, y: 0 }]);
  assert.deepEqual(simplify([], 1), []);
});
