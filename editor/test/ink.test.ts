import { test } from "node:test";
import assert from "node:assert/strict";
import { elbow, inkBounds, linePath, penColour, polyline, readInk, smooth } from "../src/ink";
import { colourValue } from "../src/colors";

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
  assert.equal(colourValue("3"), "var(--c3)");
  assert.equal(colourValue("#A0b1c2"), "#A0b1c2");
  for (const bad of ["7", "red", "#12345", "#fff; background:url(x)", "var(--x)", 4, null]) assert.equal(colourValue(bad), null, String(bad));
});
