// Draws the map on screen: cards, edges and the grips of a selected ink line. Only cards near
// the visible part of the canvas are in the DOM, so maps of thousands of cards stay fluid; a
// card is rebuilt only when its data changed.
import type { Editor } from "./app";
import { $ } from "./dom";
import { Rect, edgeRoute, inflate, intersects, isSide, union, visibleRect } from "./geometry";
import { readInk } from "./ink";
import { midHandles } from "./inkEdit";
import { CardNode, box, cardTitle } from "./model";
import { gridShown } from "./operations";
import { edgeElement, fillCard } from "./render";

export interface Item { id: string; node: CardNode; rect: Rect }

export class CanvasView {
  items: Item[] = [];
  lastRenderMs = 0;
  private cardEls = new Map<string, { el: HTMLElement; sig: string }>();
  private readonly viewport = $("viewport");
  private readonly world = $("world");
  private readonly cardLayer = $("cards");
  private readonly handleLayer = $("inkHandles");
  private readonly edgeLayer = document.querySelector("#edges") as SVGSVGElement;

  constructor(private ed: Editor) {}

  cardElement(id: string): HTMLElement | undefined {
    return this.cardEls.get(id)?.el;
  }

  // Forgets every card element, after the document or the map on screen changed.
  clear(): void {
    this.cardEls.forEach((c) => c.el.remove());
    this.cardEls.clear();
  }

  render(): void {
    const t0 = performance.now();
    const { view } = this.ed.camera;
    const { width, height } = this.ed.camera.size();
    this.world.style.transform = `translate(${view.x}px, ${view.y}px) scale(${view.z})`;
    this.viewport.style.setProperty("--zoom", String(view.z));
    this.viewport.classList.toggle("grid", gridShown(this.ed.doc, this.ed.path));
    this.viewport.style.backgroundPosition = `${view.x}px ${view.y}px`;
    this.viewport.style.backgroundSize = `${20 * view.z}px ${20 * view.z}px`;

    this.items = this.ed.doc.nodes(this.ed.path).map((node) => ({ id: node.id, node, rect: box(node) }));
    const visible = inflate(visibleRect(view, width, height), 200 / view.z);
    const seen = new Set<string>();
    const editingId = this.ed.text.editingId;
    this.items.forEach((item, index) => {
      if (!intersects(item.rect, visible) && !this.ed.selection.has(item.id) && editingId !== item.id) return;
      seen.add(item.id);
      this.renderCard(item, index);
    });
    for (const [id, c] of this.cardEls) if (!seen.has(id)) { c.el.remove(); this.cardEls.delete(id); }
    this.renderEdges(visible);
    this.renderMidHandles();
    this.lastRenderMs = performance.now() - t0;
  }

  private renderCard(item: Item, index: number): void {
    const { node, rect } = item;
    const { doc, path } = this.ed;
    const record = doc.sidecarRecord(path, node.id);
    const hasSubmap = doc.hasSubmap(path, node.id);
    const sig = JSON.stringify(node) + (record ? JSON.stringify(record) : "") + (hasSubmap ? "S" : "");
    let entry = this.cardEls.get(node.id);
    if (!entry) {
      const el = document.createElement("div");
      el.dataset.id = node.id;
      entry = { el, sig: "" };
      this.cardEls.set(node.id, entry);
      this.cardLayer.append(el);
    }
    const el = entry.el;
    const editing = this.ed.text.editingId === node.id;
    // The card being edited keeps its editor; it is redrawn when editing stops.
    if (entry.sig !== sig && !editing) {
      entry.sig = sig;
      el.className = `card type-${/^(text|file|link|group)$/.test(node.type) ? node.type : "text"}`;
      fillCard(el, node, {
        hasSubmap,
        submapTitle: hasSubmap ? cardTitle(node) : "",
        sidecar: record,
        ink: readInk(record),
        mediaURL: (p) => this.ed.conn.mediaURL(p),
      });
      el.append(...["top", "right", "bottom", "left"].map((side) => {
        const h = document.createElement("div");
        h.className = `handle side-${side}`;
        h.dataset.side = side;
        return h;
      }));
      const grip = document.createElement("div");
      grip.className = "resize";
      el.append(grip);
    }
    el.style.left = `${rect.x}px`;
    el.style.top = `${rect.y}px`;
    el.style.width = `${rect.width}px`;
    el.style.height = `${rect.height}px`;
    el.style.zIndex = String(node.type === "group" ? index : 10000 + index);
    el.classList.toggle("selected", this.ed.selection.has(node.id));
    el.classList.toggle("editing", editing);
  }

  private renderEdges(visible: Rect): void {
    const rects = new Map(this.items.map((i) => [i.id, i.rect]));
    const parts: SVGGElement[] = [];
    for (const edge of this.ed.doc.edges(this.ed.path)) {
      const a = rects.get(edge.fromNode), b = rects.get(edge.toNode);
      if (!a || !b) continue;
      if (!intersects(union([a, b])!, visible)) continue;
      const route = edgeRoute(a, isSide(edge.fromSide) ? edge.fromSide : null, b, isSide(edge.toSide) ? edge.toSide : null);
      parts.push(edgeElement(edge.id, route, edge, this.ed.selectedEdge === edge.id));
    }
    this.edgeLayer.replaceChildren(...parts);
  }

  // The single selected ink card shows grips on its lines' middle points and segment middles.
  private renderMidHandles(): void {
    const [only] = this.ed.selection;
    const show = this.ed.tool === "select" && this.ed.selection.size === 1;
    const handles = show ? midHandles(this.ed.doc.sidecarRecord(this.ed.path, only)) : [];
    this.handleLayer.replaceChildren(...handles.map((h) => {
      const grip = document.createElement("div");
      grip.className = h.insert ? "mid-handle insert" : "mid-handle";
      grip.title = h.insert ? "Drag to bend the line" : "Drag to move this point";
      Object.assign(grip.dataset, { id: only, line: String(h.line), index: String(h.index), insert: h.insert ? "1" : "" });
      grip.style.left = `${h.point.x}px`;
      grip.style.top = `${h.point.y}px`;
      return grip;
    }));
  }
}
