// Far out, the cards that are plain boxes are drawn into one canvas instead of being elements
// of their own: thousands of boxes are then one picture, which a pan moves without painting any
// box again. The canvas spans the area the view keeps drawn (see culling) and is redrawn only when
// that area or the boxes in it change. It takes no pointer events: cardAt finds a box by place.
import { colourValue } from "./colors";
import { Point, Rect, hitTest } from "./geometry";
import { CardNode } from "./model";

export interface BoxItem { id: string; node: CardNode; rect: Rect }

// The most pixels the canvas holds: the covered area is about four times the view, so at twice
// the pixel density it would be near twenty million. Past this the boxes are drawn a little soft.
const maxPixels = 8_000_000;

// The scale from canvas units to bitmap pixels for an area drawn at `zoom`.
function bitmapScale(area: Rect, zoom: number, pixelRatio: number): number {
  const fits = Math.sqrt(maxPixels / Math.max(1, area.width * area.height));
  return Math.min(zoom * pixelRatio, fits);
}

export class FarCards {
  private boxes: readonly BoxItem[] = [];
  private ids = new Set<string>();
  private area: Rect | null = null;
  private zoom = 1;
  private fills = new Map<string, string>();
  private readonly canvas = document.createElement("canvas");
  // A box as the style sheet draws one, to read its colours from: the sheet stays their source.
  private readonly probe = document.createElement("div");

  constructor(layer: HTMLElement, probeParent: HTMLElement) {
    this.canvas.className = "far-cards";
    this.canvas.hidden = true;
    this.canvas.setAttribute("aria-hidden", "true");
    layer.append(this.canvas);
    this.probe.className = "card box";
    this.probe.hidden = true;
    probeParent.append(this.probe);
    matchMedia("(prefers-color-scheme: dark)").addEventListener("change", () => {
      this.fills.clear();
      this.paint();
    });
  }

  // Whether any of these cards is drawn here.
  drawsAny(ids: Iterable<string>): boolean {
    for (const id of ids) if (this.ids.has(id)) return true;
    return false;
  }

  // The topmost box under a point on the canvas.
  cardAt(p: Point): string | undefined {
    return hitTest(this.boxes, p)?.id;
  }

  // Draws `boxes`, in their order, over `area`, seen at `zoom`.
  draw(boxes: readonly BoxItem[], area: Rect, zoom: number): void {
    this.boxes = boxes;
    this.ids = new Set(boxes.map((b) => b.id));
    this.area = area;
    this.zoom = zoom;
    this.paint();
  }

  clear(): void {
    this.draw([], { x: 0, y: 0, width: 0, height: 0 }, 1);
  }

  private paint(): void {
    const { canvas, area } = this;
    if (!area) return;
    canvas.hidden = this.boxes.length === 0;
    if (canvas.hidden) {
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
    let fill = "";
    for (const { node, rect } of this.boxes) {
      const wanted = this.fillOf(node.color);
      if (wanted !== fill) context.fillStyle = fill = wanted;
      context.fillRect(rect.x, rect.y, rect.width, rect.height);
    }
  }

  private fillOf(color: unknown): string {
    const colour = colourValue(color) ?? "";
    let fill = this.fills.get(colour);
    if (fill === undefined) {
      this.probe.classList.toggle("colored", !!colour);
      if (colour) this.probe.style.setProperty("--card-color", colour);
      else this.probe.style.removeProperty("--card-color");
      fill = getComputedStyle(this.probe).backgroundColor;
      this.fills.set(colour, fill);
    }
    return fill;
  }
}
