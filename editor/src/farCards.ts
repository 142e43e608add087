// Far out, the cards that are plain boxes, and the edges, are drawn into one canvas instead of
// being elements of their own: thousands of boxes and lines are then one picture, which a pan
// moves without painting any of them again. The canvas spans the area the view keeps drawn (see
// culling) and is redrawn only when that area or what is in it changes. It takes no pointer
// events: cardAt finds a box by place.
// Selected boxes and their edges have a canvas of their own, above, with their outline: a drag
// step redraws only them, where a thousand outlined elements moved made each step three times slower.
import { colourValue } from "./colors";
import { drawingServes } from "./culling";
import { Point, Rect, hitTest, inflate, intersection, routeBetween, union } from "./geometry";
import { CanvasEdge, CardNode } from "./model";

export interface BoxItem { id: string; node: CardNode; rect: Rect }

// The most pixels the canvas holds: the covered area is about four times the view, so at twice
// the pixel density it would be near twenty million. Past this the boxes are drawn a little soft.
const maxPixels = 8_000_000;
// A selected box's outline, in screen pixels.
const outlinePixels = 2.5;
// An edge's line, in canvas units, as the style sheet draws it close up.
const edgeWidth = 2.2;

// The scale from canvas units to bitmap pixels for an area drawn at `zoom`.
function bitmapScale(area: Rect, zoom: number, pixelRatio: number): number {
  const fits = Math.sqrt(maxPixels / Math.max(1, area.width * area.height));
  return Math.min(zoom * pixelRatio, fits);
}

export class FarCards {
  private boxes: readonly BoxItem[] = [];
  private edges: readonly CanvasEdge[] = [];
  private rects: ReadonlyMap<string, Rect> = new Map();
  private boxIds = new Set<string>();
  private touched = new Set<string>(); // the boxes and the cards at either end of an edge
  private area: Rect | null = null;
  private zoom = 1;
  private colours = new Map<string, string>();
  private readonly canvas = document.createElement("canvas");
  // A box as the style sheet draws one, to read colours from: the sheet stays their source.
  private readonly probe = document.createElement("div");

  constructor(layer: HTMLElement, probeParent: HTMLElement, private readonly selected = false) {
    this.canvas.className = selected ? "far-cards selected" : "far-cards";
    this.canvas.hidden = true;
    this.canvas.setAttribute("aria-hidden", "true");
    layer.append(this.canvas);
    this.probe.className = selected ? "card box selected" : "card box";
    this.probe.hidden = true;
    probeParent.append(this.probe);
    matchMedia("(prefers-color-scheme: dark)").addEventListener("change", () => {
      this.colours.clear();
      this.paint();
    });
  }

  // Whether any of these cards is drawn here, as a box or at the end of an edge.
  touchesAny(ids: Iterable<string>): boolean {
    for (const id of ids) if (this.touched.has(id)) return true;
    return false;
  }

  serves(visible: Rect, zoom: number, moving = false): boolean {
    return drawingServes(this.area, this.zoom, visible, zoom, moving);
  }

  hasBox(id: string): boolean {
    return this.boxIds.has(id);
  }

  // The topmost box under a point on the canvas.
  cardAt(p: Point): string | undefined {
    return hitTest(this.boxes, p)?.id;
  }

  // Draws `boxes`, in their order, over `edges` between cards placed in `rects`, over `area`,
  // seen at `zoom`.
  draw(boxes: readonly BoxItem[], edges: readonly CanvasEdge[], rects: ReadonlyMap<string, Rect>, area: Rect, zoom: number): void {
    this.boxes = boxes;
    this.rects = rects;
    this.area = area;
    this.zoom = zoom;
    this.boxIds = new Set(boxes.map((b) => b.id));
    this.redraw(edges);
  }

  // Draws the same boxes again where they now are, with these edges.
  redraw(edges: readonly CanvasEdge[]): void {
    this.edges = edges;
    this.touched = new Set(this.boxIds);
    for (const edge of edges) this.touched.add(edge.fromNode).add(edge.toNode);
    this.paint();
  }

  clear(): void {
    this.draw([], [], new Map(), { x: 0, y: 0, width: 0, height: 0 }, 1);
  }

  private paint(): void {
    const { canvas } = this;
    const area = this.shownArea();
    canvas.hidden = !area;
    if (!area) {
      // No bitmap is kept for nothing: it is megabytes.
      canvas.width = canvas.height = 0;
      return;
    }
    const scale = bitmapScale(area, this.zoom, window.devicePixelRatio || 1);
    const width = Math.max(1, Math.ceil(area.width * scale)), height = Math.max(1, Math.ceil(area.height * scale));
    if (canvas.width !== width || canvas.height !== height) Object.assign(canvas, { width, height });
    Object.assign(canvas.style, { left: `${area.x}px`, top: `${area.y}px`, width: `${area.width}px`, height: `${area.height}px` });
    const context = canvas.getContext("2d", { alpha: true });
    if (!context) return;
    context.setTransform(1, 0, 0, 1, 0, 0);
    context.clearRect(0, 0, width, height);
    context.setTransform(scale, 0, 0, scale, -area.x * scale, -area.y * scale);
    this.strokeEdges(context);
    let fill = "";
    for (const { node, rect } of this.boxes) {
      const wanted = this.fillOf(node.color);
      if (wanted !== fill) context.fillStyle = fill = wanted;
      context.fillRect(rect.x, rect.y, rect.width, rect.height);
    }
    if (this.selected) this.strokeOutlines(context);
  }

  // The covered area, or for the selection just the part of it around what it draws: it is drawn
  // again at every drag step.
  private shownArea(): Rect | null {
    const { area, boxes, edges } = this;
    if (!area || (!boxes.length && !edges.length)) return null;
    if (!this.selected) return area;
    const ends = edges.flatMap((edge) => [this.rects.get(edge.fromNode)!, this.rects.get(edge.toNode)!]);
    const around = union([...boxes.map((b) => b.rect), ...ends]);
    return around && intersection(inflate(around, outlinePixels / this.zoom), area);
  }

  // Far out a curve's bend is a pixel or two: each edge is a straight line, one path per colour.
  private strokeEdges(context: CanvasRenderingContext2D): void {
    const byColour = new Map<string, CanvasEdge[]>();
    for (const edge of this.edges) {
      const colour = colourValue(edge.color) ?? "var(--edge)";
      const list = byColour.get(colour);
      if (list) list.push(edge); else byColour.set(colour, [edge]);
    }
    context.lineWidth = edgeWidth;
    for (const [colour, edges] of byColour) {
      context.strokeStyle = this.resolved("color", colour);
      context.beginPath();
      for (const edge of edges) {
        const route = routeBetween(edge, this.rects)!;
        context.moveTo(route.from.x, route.from.y);
        context.lineTo(route.to.x, route.to.y);
      }
      context.stroke();
    }
  }

  private strokeOutlines(context: CanvasRenderingContext2D): void {
    const width = outlinePixels / this.zoom;
    context.strokeStyle = this.resolved("outline", "");
    context.lineWidth = width;
    context.beginPath();
    for (const { rect } of this.boxes) context.rect(rect.x - width / 2, rect.y - width / 2, rect.width + width, rect.height + width);
    context.stroke();
  }

  private fillOf(color: unknown): string {
    return this.resolved("fill", colourValue(color) ?? "");
  }

  // A colour as the style sheet resolves it on the probe: a box's fill for a card colour (its
  // --card-color), an edge's stroke for a colour value, or the selected box's outline.
  private resolved(what: "fill" | "color" | "outline", value: string): string {
    const key = `${what}:${value}`;
    let colour = this.colours.get(key);
    if (colour !== undefined) return colour;
    const { probe } = this;
    if (what === "fill") {
      probe.classList.toggle("colored", !!value);
      if (value) probe.style.setProperty("--card-color", value);
      else probe.style.removeProperty("--card-color");
    } else if (what === "color") probe.style.color = value;
    const style = getComputedStyle(probe);
    colour = what === "fill" ? style.backgroundColor : what === "color" ? style.color : style.outlineColor;
    this.colours.set(key, colour);
    return colour;
  }
}
