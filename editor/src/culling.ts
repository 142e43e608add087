// Which cards and edges a frame keeps in the DOM. The area drawn is the visible part of the
// canvas grown by a margin and rounded out to a coarse grid, so while a pan stays inside one
// grid cell the set of drawn elements stays the same and the frame does no DOM work at all.
import { Rect, inflate, intersects, visibleRect, View } from "./geometry";

export interface Placed { id: string; rect: Rect }

// The canvas area to draw for a view: at least `margin` screen pixels around the viewport, as a
// fixed number of cells half a viewport wide and high, so it moves only when its first cell does.
export function coveredRect(view: View, width: number, height: number, margin = 200): Rect {
  const grown = inflate(visibleRect(view, width, height), margin / view.z);
  const cellW = Math.max(1, width / 2 / view.z), cellH = Math.max(1, height / 2 / view.z);
  return {
    x: Math.floor(grown.x / cellW) * cellW,
    y: Math.floor(grown.y / cellH) * cellH,
    width: (Math.ceil(grown.width / cellW) + 1) * cellW,
    height: (Math.ceil(grown.height / cellH) + 1) * cellH,
  };
}

// The indices of the items to draw: those in the covered area, and the pinned ones (selected or
// being edited) wherever they are, so their handles and editor never vanish mid-gesture.
export function wantedItems(items: readonly Placed[], covered: Rect, pinned: (id: string) => boolean): number[] {
  const wanted: number[] = [];
  items.forEach((item, index) => { if (intersects(item.rect, covered) || pinned(item.id)) wanted.push(index); });
  return wanted;
}

// An edge is drawn when the box around its two cards meets the covered area.
// Checked for every edge of the map whenever the covered area moves, so without allocating.
export function edgeInView(a: Rect, b: Rect, covered: Rect): boolean {
  const x = Math.min(a.x, b.x), y = Math.min(a.y, b.y);
  const right = Math.max(a.x + a.width, b.x + b.width), bottom = Math.max(a.y + a.height, b.y + b.height);
  return intersects({ x, y, width: right - x, height: bottom - y }, covered);
}

// The keys drawn now that a frame no longer wants.
export function staleKeys<K>(drawn: Iterable<K>, wanted: ReadonlySet<K>): K[] {
  const stale: K[] = [];
  for (const key of drawn) if (!wanted.has(key)) stale.push(key);
  return stale;
}

export function sameKeys<K>(a: ReadonlySet<K>, b: ReadonlySet<K>): boolean {
  if (a.size !== b.size) return false;
  for (const key of a) if (!b.has(key)) return false;
  return true;
}

export function sameRect(a: Rect, b: Rect | null): boolean {
  return !!b && a.x === b.x && a.y === b.y && a.width === b.width && a.height === b.height;
}
