// Draws the edges of the map on screen into the edges layer, close up and in between: each edge
// is its own element (the pointer can pick it, it has arrowheads and a label), kept between
// frames and rebuilt only when it changed. Far out they are lines on the far canvases instead.
import { staleKeys } from "./culling";
import { Rect, routeBetween } from "./geometry";
import { CanvasEdge } from "./model";
import { edgeElement } from "./render";

export class EdgeLayer {
  private drawn = new Map<string, { el: SVGGElement; sig: string }>();

  constructor(private layer: SVGSVGElement) {}

  clear(): void {
    this.layer.replaceChildren();
    this.drawn.clear();
  }

  // `edges` are the edges to draw, each with both cards in `rects`. `changed` is false when only
  // the view moved: the edges drawn are then still right, and only those entering or leaving
  // need work.
  render(edges: readonly CanvasEdge[], rects: ReadonlyMap<string, Rect>, selected: string | null, changed: boolean): void {
    const wanted = new Set(edges.map((edge) => edge.id));
    for (const id of staleKeys(this.drawn.keys(), wanted)) {
      this.drawn.get(id)!.el.remove();
      this.drawn.delete(id);
    }
    for (const edge of edges) {
      const entry = this.drawn.get(edge.id);
      if (entry && !changed) continue;
      const a = rects.get(edge.fromNode)!, b = rects.get(edge.toNode)!;
      const isSelected = selected === edge.id;
      const sig = JSON.stringify([edge, a, b, isSelected]);
      if (entry?.sig === sig) continue;
      const el = edgeElement(edge.id, routeBetween(edge, rects)!, edge, isSelected);
      if (entry) entry.el.replaceWith(el); else this.layer.append(el);
      this.drawn.set(edge.id, { el, sig });
    }
  }
}
