import { test } from "node:test";
import assert from "node:assert/strict";
import {
  align, clampZoom, edgeRoute, facingSide, fitView, formatFragment, hitTest, intersects,
  nearestSide, parseFragment, toCanvas, toScreen, union, visibleRect, zoomAt,
} from "../src/geometry";

test("screen and canvas coordinates are inverse; zooming keeps the point under the pointer still", () => {
  const view = { x: 120, y: -40, z: 0.5 };
  for (const p of [{ x: 0, y: 0 }, { x: 13, y: -7.5 }, { x: -1000, y: 2000 }]) {
    const back = toCanvas(view, toScreen(view, p));
    assert.ok(Math.abs(back.x - p.x) < 1e-9 && Math.abs(back.y - p.y) < 1e-9);
  }
  // Zooming keeps the point under the pointer still, within the zoom limits.
  const pointer = { x: 300, y: 200 };
  const before = toCanvas(view, pointer);
  const zoomed = zoomAt(view, 2, pointer);
  const after = toCanvas(zoomed, pointer);
  assert.ok(Math.abs(before.x - after.x) < 1e-9 && Math.abs(before.y - after.y) < 1e-9);
  assert.equal(zoomAt(view, 1000, pointer).z, clampZoom(1000));
  assert.equal(zoomAt(view, 0.00001, pointer).z, clampZoom(0));
});

test("the visible rectangle is what the viewport shows, and fit shows the whole bounds centred up to 100%", () => {
  const r = visibleRect({ x: -100, y: -50, z: 2 }, 800, 600);
  assert.deepEqual(r, { x: 50, y: 25, width: 400, height: 300 });
  assert.ok(intersects(r, { x: 440, y: 300, width: 100, height: 100 }));
  assert.ok(!intersects(r, { x: 450, y: 0, width: 10, height: 10 }));
  assert.ok(!intersects(r, { x: 0, y: 0, width: 50, height: 10 }), "touching edges do not count");
  // Fit shows the whole bounds centred and never zooms past 1.
  const bounds = { x: 1000, y: 1000, width: 2000, height: 1000 };
  const v = fitView(bounds, 1048, 800, 24);
  const tl = toScreen(v, { x: 1000, y: 1000 }), br = toScreen(v, { x: 3000, y: 2000 });
  assert.ok(tl.x >= 23.99 && br.x <= 1024.01 && tl.y >= 0 && br.y <= 800);
  assert.ok(Math.abs((tl.x + br.x) / 2 - 524) < 1e-9);
  assert.equal(fitView({ x: 0, y: 0, width: 10, height: 10 }, 800, 600).z, 1);
  assert.equal(union([]), null);
});

test("hit tests take the topmost card, falling through to the group below", () => {
  const items = [
    { id: "group", rect: { x: 0, y: 0, width: 500, height: 500 } },
    { id: "a", rect: { x: 10, y: 10, width: 100, height: 100 } },
    { id: "b", rect: { x: 50, y: 50, width: 100, height: 100 } },
  ];
  assert.equal(hitTest(items, { x: 60, y: 60 })?.id, "b");
  assert.equal(hitTest(items, { x: 20, y: 20 })?.id, "a");
  assert.equal(hitTest(items, { x: 400, y: 400 })?.id, "group");
  assert.equal(hitTest(items, { x: 600, y: 0 }), null);
});

test("sides: facing and nearest", () => {
  const r = { x: 0, y: 0, width: 200, height: 100 };
  assert.equal(facingSide(r, { x: 500, y: 60 }), "right");
  assert.equal(facingSide(r, { x: -500, y: 60 }), "left");
  assert.equal(facingSide(r, { x: 100, y: -300 }), "top");
  assert.equal(nearestSide(r, { x: 100, y: 95 }), "bottom");
});

test("edge routes start and end on the named sides and face the other card when none is named", () => {
  const a = { x: 0, y: 0, width: 100, height: 100 }, b = { x: 400, y: 0, width: 100, height: 100 };
  const named = edgeRoute(a, "bottom", b, "top");
  assert.deepEqual(named.from, { x: 50, y: 100 });
  assert.deepEqual(named.to, { x: 450, y: 0 });
  assert.ok(named.c1.y > named.from.y && named.c2.y < named.to.y);
  const free = edgeRoute(a, null, b, null);
  assert.deepEqual(free.from, { x: 100, y: 50 });
  assert.deepEqual(free.to, { x: 400, y: 50 });
});

test("alignment moves every rect to the common edge or centre", () => {
  const rects = [{ x: 0, y: 0, width: 10, height: 10 }, { x: 50, y: 30, width: 30, height: 20 }];
  assert.deepEqual(align(rects, "left"), [{ x: 0, y: 0 }, { x: 0, y: 30 }]);
  assert.deepEqual(align(rects, "right"), [{ x: 70, y: 0 }, { x: 50, y: 30 }]);
  assert.deepEqual(align(rects, "bottom"), [{ x: 0, y: 40 }, { x: 50, y: 30 }]);
  assert.deepEqual(align(rects, "hcenter"), [{ x: 35, y: 0 }, { x: 25, y: 30 }]);
});

test("the view fragment reads what template previews write and rejects junk", () => {
  assert.deepEqual(parseFragment("#/?z=1.000&x=80&y=113"), { z: 1, x: 80, y: 113 });
  assert.deepEqual(parseFragment("#/?z=0.500&x=-40&y=0"), { z: 0.5, x: -40, y: 0 });
  for (const bad of ["", "#", "#/", "#/?x=1", "#/?z=abc", "#/?z=-1", "#/?z=1&x=NaN", "#z=1"]) {
    assert.equal(parseFragment(bad), null, bad);
  }
  assert.equal(formatFragment({ z: 0.5, x: -39.6, y: 112.5 }), "#/?z=0.500&x=-40&y=113");
});
