// Draws the edges of the map on screen into the edges layer. Close up, each edge is its own
// element (the pointer can pick it, it has arrowheads and a label), kept between frames and
// rebuilt only when it changed. Far out, where arrowheads and labels are specks, the edges of
// one colour are one path, which is a handful of elements instead of thousands.
import { colourValue } from "./colors";
import { sameKeys, staleKeys } from "./culling";
import { Detail } from "./detail";
import { Rect, edgeRoute, isSide } from "./geometry";
import { CanvasEdge } from "./model";
import { edgeElement, svg } from "./render";

export class EdgeLayer {
  private drawn = new Map<string, { el: SVGGElement; sig: string }>();
  private batch: ReadonlySet<string> | null = null; // the edges in the far-out paths
  // Far out, while cards are carried, their edges are paths of their own, so that a drag step
  // redraws those alone instead of every edge in view.
  private carried: ReadonlySet<string> | null = null; // the cards whose edges are in carriedPaths
  private carriedPaths: SVGPathElement[] = [];

  constructor(private layer: SVGSVGElement) {}

  clear(): void {
    this.layer.replaceChildren();
    this.drawn.clear();
    this.batch = null;
    this.carried = null;
    this.carriedPaths = [];
  }

  // `inView` are the edges to draw, each with both cards in `rects`. `content` is false when only
  // the view moved: the edges drawn are then still right, and only those entering or leaving need
  // work, besides those of the `moved` cards.
  render(inView: readonly CanvasEdge[], rects: ReadonlyMap<string, Rect>, detail: Detail,
    selected: string | null, content: boolean, moved: ReadonlySet<string> = new Set()): void {
    if (detail === "box") this.renderBatched(inView, rects, content, moved);
    else this.renderEach(inView, rects, selected, content || moved.size > 0);
  }

  private renderEach(edges: readonly CanvasEdge[], rects: ReadonlyMap<string, Rect>, selected: string | null, content: boolean): void {
    if (this.batch) this.clear();
    const wanted = new Set(edges.map((edge) => edge.id));
    for (const id of staleKeys(this.drawn.keys(), wanted)) {
      this.drawn.get(id)!.el.remove();
      this.drawn.delete(id);
    }
    for (const edge of edges) {
      const entry = this.drawn.get(edge.id);
      if (entry && !content) continue;
      const a = rects.get(edge.fromNode)!, b = rects.get(edge.toNode)!;
      const isSelected = selected === edge.id;
      const sig = JSON.stringify([edge, a, b, isSelected]);
      if (entry?.sig === sig) continue;
      const route = edgeRoute(a, isSide(edge.fromSide) ? edge.fromSide : null, b, isSide(edge.toSide) ? edge.toSide : null);
      const el = edgeElement(edge.id, route, edge, isSelected);
      if (entry) entry.el.replaceWith(el); else this.layer.append(el);
      this.drawn.set(edge.id, { el, sig });
    }
  }

  private renderBatched(edges: readonly CanvasEdge[], rects: ReadonlyMap<string, Rect>, content: boolean,
    moved: ReadonlySet<string>): void {
    const ids = new Set(edges.map((edge) => edge.id));
    const sameEdges = !content && !!this.batch && sameKeys(this.batch, ids);
    if (sameEdges && !moved.size) return;
    const isCarried = (edge: CanvasEdge) => moved.has(edge.fromNode) || moved.has(edge.toNode);
    if (sameEdges && this.carried && sameKeys(this.carried, moved)) {
      this.carriedPaths.forEach((path) => path.remove());
      this.carriedPaths = this.appendPaths(edges.filter(isCarried), rects);
      return;
    }
    this.clear();
    this.batch = ids;
    this.carried = moved.size ? new Set(moved) : null;
    this.appendPaths(moved.size ? edges.filter((edge) => !isCarried(edge)) : edges, rects);
    if (moved.size) this.carriedPaths = this.appendPaths(edges.filter(isCarried), rects);
  }

  // One path per colour holding every edge given, appended to the layer; the paths.
  private appendPaths(edges: readonly CanvasEdge[], rects: ReadonlyMap<string, Rect>): SVGPathElement[] {
    const byColour = new Map<string, string[]>();
    for (const edge of edges) {
      const a = rects.get(edge.fromNode)!, b = rects.get(edge.toNode)!;
      const route = edgeRoute(a, isSide(edge.fromSide) ? edge.fromSide : null, b, isSide(edge.toSide) ? edge.toSide : null);
      const colour = colourValue(edge.color) ?? "var(--edge)";
      const paths = byColour.get(colour);
      // A straight segment: far out a curve's bend is a pixel or two, and curves cost more to stroke.
      const d = `M${route.from.x} ${route.from.y}L${route.to.x} ${route.to.y}`;
      if (paths) paths.push(d); else byColour.set(colour, [d]);
    }
    return [...byColour].map(([colour, paths]) => {
      const path = svg("path", { d: paths.join(" "), class: "edge-line edge-far" });
      path.style.stroke = colour;
      this.layer.append(path);
      return path;
    });
  }
}
