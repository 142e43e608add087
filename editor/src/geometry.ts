// Plane geometry of the canvas: rectangles, the view transform, hit tests and edge routes.
// Canvas units are JSON Canvas coordinates; screen = canvas × zoom + offset.

export interface Point { x: number; y: number }
export interface Rect { x: number; y: number; width: number; height: number }
export interface View { x: number; y: number; z: number }
export type Side = "top" | "right" | "bottom" | "left";

export const minZoom = 0.1;
export const maxZoom = 4;

export function clampZoom(z: number): number {
  return Math.min(maxZoom, Math.max(minZoom, z));
}

export function toCanvas(view: View, p: Point): Point {
  return { x: (p.x - view.x) / view.z, y: (p.y - view.y) / view.z };
}

export function toScreen(view: View, p: Point): Point {
  return { x: p.x * view.z + view.x, y: p.y * view.z + view.y };
}

// Zooms by `factor` keeping the canvas point under `anchor` (a screen point) in place.
export function zoomAt(view: View, factor: number, anchor: Point): View {
  const z = clampZoom(view.z * factor);
  const c = toCanvas(view, anchor);
  return { z, x: anchor.x - c.x * z, y: anchor.y - c.y * z };
}

// The part of the canvas a viewport of the given size shows.
export function visibleRect(view: View, width: number, height: number): Rect {
  return { x: -view.x / view.z, y: -view.y / view.z, width: width / view.z, height: height / view.z };
}

// The view that shows `bounds` whole and centred, never zooming in past 1.
export function fitView(bounds: Rect | null, width: number, height: number, margin = 48): View {
  if (!bounds) return { x: width / 2, y: height / 2, z: 1 };
  const z = clampZoom(Math.min(1, (width - 2 * margin) / bounds.width, (height - 2 * margin) / bounds.height));
  return {
    z,
    x: width / 2 - (bounds.x + bounds.width / 2) * z,
    y: height / 2 - (bounds.y + bounds.height / 2) * z,
  };
}

export function intersects(a: Rect, b: Rect): boolean {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

export function contains(r: Rect, p: Point): boolean {
  return p.x >= r.x && p.x <= r.x + r.width && p.y >= r.y && p.y <= r.y + r.height;
}

export function encloses(outer: Rect, inner: Rect): boolean {
  return inner.x >= outer.x && inner.y >= outer.y &&
    inner.x + inner.width <= outer.x + outer.width && inner.y + inner.height <= outer.y + outer.height;
}

export function rectFromPoints(a: Point, b: Point): Rect {
  return { x: Math.min(a.x, b.x), y: Math.min(a.y, b.y), width: Math.abs(a.x - b.x), height: Math.abs(a.y - b.y) };
}

export function union(rects: Iterable<Rect>): Rect | null {
  let minX = Infinity, minY = Infinity, maxX = -Infinity, maxY = -Infinity;
  for (const r of rects) {
    minX = Math.min(minX, r.x);
    minY = Math.min(minY, r.y);
    maxX = Math.max(maxX, r.x + r.width);
    maxY = Math.max(maxY, r.y + r.height);
  }
  return minX === Infinity ? null : { x: minX, y: minY, width: maxX - minX, height: maxY - minY };
}

export function intersection(a: Rect, b: Rect): Rect | null {
  const x = Math.max(a.x, b.x), y = Math.max(a.y, b.y);
  const right = Math.min(a.x + a.width, b.x + b.width), bottom = Math.min(a.y + a.height, b.y + b.height);
  return right > x && bottom > y ? { x, y, width: right - x, height: bottom - y } : null;
}

export function inflate(r: Rect, by: number): Rect {
  return { x: r.x - by, y: r.y - by, width: r.width + 2 * by, height: r.height + 2 * by };
}

// The topmost item under a point. Items are in drawing order, last on top; groups are only hit
// when no card above them is, which the order already gives since groups sit below their cards.
export function hitTest<T extends { rect: Rect }>(items: readonly T[], p: Point): T | null {
  for (let i = items.length - 1; i >= 0; i--) if (contains(items[i].rect, p)) return items[i];
  return null;
}

export function anchor(r: Rect, side: Side): Point {
  switch (side) {
    case "top": return { x: r.x + r.width / 2, y: r.y };
    case "bottom": return { x: r.x + r.width / 2, y: r.y + r.height };
    case "left": return { x: r.x, y: r.y + r.height / 2 };
    case "right": return { x: r.x + r.width, y: r.y + r.height / 2 };
  }
}

export function isSide(value: unknown): value is Side {
  return value === "top" || value === "right" || value === "bottom" || value === "left";
}

// The side of `r` that faces point `p`, used when an edge names no side.
export function facingSide(r: Rect, p: Point): Side {
  const cx = r.x + r.width / 2, cy = r.y + r.height / 2;
  const dx = (p.x - cx) / Math.max(1, r.width), dy = (p.y - cy) / Math.max(1, r.height);
  if (Math.abs(dx) > Math.abs(dy)) return dx > 0 ? "right" : "left";
  return dy > 0 ? "bottom" : "top";
}

// The side whose anchor is nearest to a point, for dropping a connection onto a card.
export function nearestSide(r: Rect, p: Point): Side {
  let best: Side = "top", bestD = Infinity;
  for (const s of ["top", "right", "bottom", "left"] as Side[]) {
    const a = anchor(r, s);
    const d = (a.x - p.x) ** 2 + (a.y - p.y) ** 2;
    if (d < bestD) { best = s; bestD = d; }
  }
  return best;
}

function normal(side: Side): Point {
  return side === "top" ? { x: 0, y: -1 } : side === "bottom" ? { x: 0, y: 1 } : side === "left" ? { x: -1, y: 0 } : { x: 1, y: 0 };
}

export interface EdgeRoute {
  from: Point;
  to: Point;
  c1: Point;
  c2: Point;
  mid: Point;
}

// A cubic curve leaving each card straight out of its side.
export function edgeRoute(a: Rect, fromSide: Side | null, b: Rect, toSide: Side | null): EdgeRoute {
  const ca = { x: a.x + a.width / 2, y: a.y + a.height / 2 };
  const cb = { x: b.x + b.width / 2, y: b.y + b.height / 2 };
  const fs = fromSide ?? facingSide(a, cb);
  const ts = toSide ?? facingSide(b, ca);
  const from = anchor(a, fs), to = anchor(b, ts);
  const reach = Math.max(40, Math.min(240, Math.hypot(to.x - from.x, to.y - from.y) / 2));
  const n1 = normal(fs), n2 = normal(ts);
  const c1 = { x: from.x + n1.x * reach, y: from.y + n1.y * reach };
  const c2 = { x: to.x + n2.x * reach, y: to.y + n2.y * reach };
  const mid = {
    x: 0.125 * from.x + 0.375 * c1.x + 0.375 * c2.x + 0.125 * to.x,
    y: 0.125 * from.y + 0.375 * c1.y + 0.375 * c2.y + 0.125 * to.y,
  };
  return { from, to, c1, c2, mid };
}

// The route of a stored edge between its cards as `rects` places them, out of the sides it names
// when they are sides; null when either card is missing.
export function routeBetween(edge: { fromNode: string; toNode: string; fromSide?: unknown; toSide?: unknown },
  rects: ReadonlyMap<string, Rect>): EdgeRoute | null {
  const a = rects.get(edge.fromNode), b = rects.get(edge.toNode);
  return a && b ? edgeRoute(a, isSide(edge.fromSide) ? edge.fromSide : null, b, isSide(edge.toSide) ? edge.toSide : null) : null;
}

// Snaps a coordinate to the grid so cards line up without effort.
export function snap(v: number, grid = 10): number {
  return Math.round(v / grid) * grid;
}

export type Alignment = "left" | "right" | "top" | "bottom" | "hcenter" | "vcenter";

// New positions for rects aligned to the common edge or centre of their union.
export function align(rects: Rect[], how: Alignment): Point[] {
  const u = union(rects);
  if (!u) return [];
  return rects.map((r) => {
    switch (how) {
      case "left": return { x: u.x, y: r.y };
      case "right": return { x: u.x + u.width - r.width, y: r.y };
      case "top": return { x: r.x, y: u.y };
      case "bottom": return { x: r.x, y: u.y + u.height - r.height };
      case "hcenter": return { x: u.x + (u.width - r.width) / 2, y: r.y };
      case "vcenter": return { x: r.x, y: u.y + (u.height - r.height) / 2 };
    }
  });
}

// "#/?z=0.500&x=40&y=-12" → a view, or null when the fragment holds none.
export function parseFragment(hash: string): View | null {
  const q = hash.indexOf("?");
  if (!hash.startsWith("#/") || q < 0) return null;
  const params = new URLSearchParams(hash.slice(q + 1));
  const z = Number(params.get("z")), x = Number(params.get("x") ?? 0), y = Number(params.get("y") ?? 0);
  if (!params.has("z") || !Number.isFinite(z) || z <= 0 || !Number.isFinite(x) || !Number.isFinite(y)) return null;
  return { z: clampZoom(z), x, y };
}

export function formatFragment(view: View): string {
  return `#/?z=${view.z.toFixed(3)}&x=${Math.round(view.x)}&y=${Math.round(view.y)}`;
}
