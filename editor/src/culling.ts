// Which cards and edges a frame keeps in the DOM. The area drawn is the visible part of the
// canvas grown by a margin and rounded out to a coarse grid, so while a pan stays inside one
// grid cell the set of drawn elements stays the same and the frame does no DOM work at all.
import { Rect, encloses, inflate, intersects, visibleRect, View } from "./geometry";

export interface Placed { id: string; rect: Rect }

// The canvas area to draw for a view: at least 200 screen pixels around the viewport, as a
// fixed number of cells half a viewport wide and high, so it moves only when its first cell does.
export function coveredRect(view: View, width: number, height: number): Rect {
  const grown = withMargin(view, width, height);
  const cellW = Math.max(1, width / 2 / view.z), cellH = Math.max(1, height / 2 / view.z);
  return {
    x: Math.floor(grown.x / cellW) * cellW,
    y: Math.floor(grown.y / cellH) * cellH,
    width: (Math.ceil(grown.width / cellW) + 1) * cellW,
    height: (Math.ceil(grown.height / cellH) + 1) * cellH,
  };
}

// The indices of the items to draw: those in the covered area, and the kept ones (the card being
// edited) wherever they are.
export function wantedItems(items: readonly Placed[], covered: Rect, kept: (id: string) => boolean): number[] {
  const wanted: number[] = [];
  items.forEach((item, index) => { if (intersects(item.rect, covered) || kept(item.id)) wanted.push(index); });
  return wanted;
}

// The edges of a map with the box around each one's two cards, kept as plain numbers: finding
// the edges in view, which every zoom step and every few pan frames does over all of them, is
// then a loop over one array. Edges whose cards are missing are left out, and so is a second
// edge with an id already seen (a damaged file): elements are kept by id, so it would be left
// behind on screen when the first goes.
export class EdgeBounds<E extends { id: string; fromNode: string; toNode: string }> {
  readonly edges: E[] = [];
  private bounds = new Float64Array(0);
  private byCard = new Map<string, number[]>();

  constructor(edges: readonly E[], rects: ReadonlyMap<string, Rect>) {
    const ids = new Set<string>();
    for (const edge of edges) {
      if (ids.has(edge.id) || !rects.has(edge.fromNode) || !rects.has(edge.toNode)) continue;
      ids.add(edge.id);
      this.edges.push(edge);
    }
    this.bounds = new Float64Array(this.edges.length * 4);
    this.edges.forEach((edge, index) => {
      for (const card of [edge.fromNode, edge.toNode]) {
        const list = this.byCard.get(card);
        if (list) list.push(index); else this.byCard.set(card, [index]);
      }
      this.place(index, rects);
    });
  }

  // The cards of `moved` are now where `rects` has them.
  moved(cards: Iterable<string>, rects: ReadonlyMap<string, Rect>): void {
    for (const card of cards) for (const index of this.byCard.get(card) ?? []) this.place(index, rects);
  }

  // The edges whose box meets `covered`, in the map's order.
  inView(covered: Rect): E[] {
    const found: E[] = [];
    for (let i = 0; i < this.edges.length; i++) if (this.meets(i, covered)) found.push(this.edges[i]);
    return found;
  }

  // The edges of `cards` whose box meets `covered`, in the map's order.
  ofCardsInView(cards: Iterable<string>, covered: Rect): E[] {
    const found = new Set<number>();
    for (const card of cards) for (const index of this.byCard.get(card) ?? []) if (this.meets(index, covered)) found.add(index);
    return [...found].sort((a, b) => a - b).map((index) => this.edges[index]);
  }

  private meets(index: number, r: Rect): boolean {
    const { bounds } = this, at = index * 4;
    return bounds[at] < r.x + r.width && r.x < bounds[at + 2] && bounds[at + 1] < r.y + r.height && r.y < bounds[at + 3];
  }

  private place(index: number, rects: ReadonlyMap<string, Rect>): void {
    const edge = this.edges[index], a = rects.get(edge.fromNode)!, b = rects.get(edge.toNode)!, at = index * 4;
    this.bounds[at] = Math.min(a.x, b.x);
    this.bounds[at + 1] = Math.min(a.y, b.y);
    this.bounds[at + 2] = Math.max(a.x + a.width, b.x + b.width);
    this.bounds[at + 3] = Math.max(a.y + a.height, b.y + b.height);
  }
}

// Whether a picture drawn over `drawn` at `drawnZoom` still serves a view of `visible` at `zoom`:
// it covers it, and its bitmap, which the world layer scales, is neither much blurrier nor much
// finer than that zoom wants. Zoom steps and short pans then draw nothing again. While the view
// moves, a picture somewhat blurrier or finer still serves.
export function drawingServes(drawn: Rect | null, drawnZoom: number, visible: Rect, zoom: number, moving = false): boolean {
  const ratio = zoom / drawnZoom, most = moving ? 1.6 : 1.25;
  return !!drawn && encloses(drawn, visible) && ratio > 1 / most && ratio < most;
}

// The visible part of the canvas and 200 screen pixels around it.
function withMargin(view: View, width: number, height: number): Rect {
  return inflate(visibleRect(view, width, height), 200 / view.z);
}

// Whether the elements drawn for the area `drawn` still serve a view: they reach the margin
// around it, and not so much further that a long zoom in would keep thousands of cards. Zoom steps
// in, and pans inside, then touch no card.
export function areaStillDrawn(drawn: Rect | null, view: View, width: number, height: number): boolean {
  const covered = coveredRect(view, width, height);
  return !!drawn && encloses(drawn, withMargin(view, width, height)) &&
    drawn.width * drawn.height <= 2.25 * covered.width * covered.height;
}

// The keys card elements are kept by, one per card in the map's order: its id, and for a card
// whose id came earlier (files from other tools may repeat one) a key no card of the map has,
// so both are drawn.
export function elementKeys(ids: readonly string[]): string[] {
  const seen = new Set<string>();
  let taken: Set<string> | null = null; // every id and key given, made at the first repeat
  return ids.map((id) => {
    if (!seen.has(id)) {
      seen.add(id);
      return id;
    }
    taken ??= new Set(ids);
    let n = 2, key = `${id}\u0000${n}`;
    while (taken.has(key)) key = `${id}\u0000${++n}`;
    taken.add(key);
    return key;
  });
}

// The keys drawn now that a frame no longer wants.
export function staleKeys<K>(drawn: Iterable<K>, wanted: ReadonlySet<K>): K[] {
  const stale: K[] = [];
  for (const key of drawn) if (!wanted.has(key)) stale.push(key);
  return stale;
}

export function sameRect(a: Rect, b: Rect | null): boolean {
  return !!b && a.x === b.x && a.y === b.y && a.width === b.width && a.height === b.height;
}
