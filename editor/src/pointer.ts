// Pointer gestures on the canvas: pan, select, rubber band, move, resize, connect, draw ink,
// bend ink lines, wheel zoom, double-click, task boxes, and dropped images or links.
import type { PointerHost } from "./editorContext";
import { $ } from "./dom";
import { Point, Rect, View, anchor, hitTest, intersects, isSide, nearestSide, rectFromPoints, snap, toCanvas } from "./geometry";
import { linePath, polyline, simplify } from "./ink";
import { MidHandle, dragMid } from "./inkEdit";
import { str } from "./json";
import { toggleTask } from "./markdown";
import { CardNode, MapDocument, box, newId } from "./model";
import { webLink } from "./mediaInput";
import { placeCard } from "./operations";
import { inkPath, svg } from "./render";
import { Snapshot } from "./undo";

interface Drag {
  kind: "pan" | "move" | "resize" | "band" | "connect" | "ink" | "mid";
  doc: MapDocument; // the document it started on
  start: Point; // screen
  startView: View;
  moved: boolean;
  origin?: Map<string, Rect>;
  carried?: CardNode[]; // the cards a move carries, found once: a look-up a step walks the whole map
  fromId?: string;
  fromSide?: string;
  handle?: MidHandle;
}

// The drags that change cards in place as they go, made one undo step when they end.
const editsCards = (drag: Drag) => drag.kind === "move" || drag.kind === "resize" || drag.kind === "mid";

export class PointerInput {
  private drag: Drag | null = null;
  private before: Snapshot | null = null;
  private inkPoints: Point[] = [];
  private readonly viewport = $("viewport");
  private readonly overlay = document.querySelector("#overlay") as SVGSVGElement;
  private readonly band = $("band");

  constructor(private ed: PointerHost) {}

  get dragging(): boolean {
    return !!this.drag?.moved;
  }

  bind(): void {
    const vp = this.viewport;
    vp.addEventListener("wheel", (e) => this.wheel(e), { passive: false });
    vp.addEventListener("pointerdown", (e) => this.down(e));
    vp.addEventListener("pointermove", (e) => this.move(e));
    vp.addEventListener("pointerup", (e) => this.up(e));
    vp.addEventListener("pointercancel", (e) => this.up(e));
    vp.addEventListener("dblclick", (e) => this.doubleClick(e));
    vp.addEventListener("change", (e) => this.taskToggled(e));
    vp.addEventListener("dragover", (e) => e.preventDefault());
    vp.addEventListener("drop", (e) => this.dropped(e));
  }

  private wheel(e: WheelEvent): void {
    e.preventDefault();
    const { camera } = this.ed;
    if (e.ctrlKey || e.metaKey) {
      camera.zoomBy(Math.exp(-e.deltaY * (e.deltaMode === 1 ? 0.05 : 0.0025)), camera.viewportPoint(e));
      return;
    }
    const scale = e.deltaMode === 1 ? 20 : 1;
    const sideways = e.shiftKey && !e.deltaX;
    camera.panBy(-(sideways ? e.deltaY : e.deltaX) * scale, -(sideways ? 0 : e.deltaY) * scale);
  }

  private taskToggled(e: Event): void {
    const input = e.target as HTMLInputElement;
    const cardEl = input.closest<HTMLElement>(".card");
    if (input.type !== "checkbox" || !cardEl?.dataset.id) return;
    const node = this.ed.doc.node(this.ed.path, cardEl.dataset.id);
    if (node) this.ed.change(() => { node.text = toggleTask(str(node.text), Number(input.dataset.line)); });
  }

  private dropped(e: DragEvent): void {
    e.preventDefault();
    const at = this.ed.camera.canvasPoint(e);
    const files = Array.from(e.dataTransfer?.files ?? []).filter((f) => f.type.startsWith("image/"));
    this.ed.media.addImages(files, at);
    const url = (e.dataTransfer?.getData("text/uri-list") || e.dataTransfer?.getData("text/plain") || "").trim();
    if (!files.length && webLink.test(url)) this.ed.media.addLink(url, at);
  }

  private down(e: PointerEvent): void {
    const target = e.target as Element;
    if (target.closest("a, input[type=checkbox], .card-editor")) return;
    this.ed.focusCanvas();
    const p = this.ed.camera.viewportPoint(e);
    const drag: Drag = { kind: "pan", doc: this.ed.doc, start: p, startView: { ...this.ed.camera.view }, moved: false };
    const cardId = this.ed.canvas.cardAt(target, this.ed.camera.canvasPoint(e));
    const edgeEl = target.closest<SVGGElement>("[data-edge]");
    const grip = target.closest<HTMLElement>(".mid-handle");
    if (this.ed.text.editingId && cardId !== this.ed.text.editingId) this.ed.text.stop(true);

    if (this.ed.tool !== "select" && e.button === 0) {
      drag.kind = "ink";
      this.inkPoints = [this.ed.camera.canvasPoint(e)];
    } else if (e.button === 1 || (e.button === 0 && e.altKey)) {
      drag.kind = "pan";
    } else if (grip?.dataset.id) {
      drag.kind = "mid";
      drag.fromId = grip.dataset.id;
      drag.handle = { line: Number(grip.dataset.line), index: Number(grip.dataset.index), insert: !!grip.dataset.insert, point: this.ed.camera.canvasPoint(e) };
    } else if (target.classList.contains("handle") && cardId) {
      drag.kind = "connect";
      drag.fromId = cardId;
      drag.fromSide = (target as HTMLElement).dataset.side;
    } else if (target.classList.contains("resize") && cardId) {
      const node = this.ed.doc.node(this.ed.path, cardId);
      if (node) {
        drag.kind = "resize";
        drag.origin = new Map([[node.id, box(node)]]);
      }
    } else if (cardId) {
      this.pressCard(cardId, e.shiftKey);
      drag.kind = "move";
      drag.fromId = cardId;
      drag.carried = this.ed.cards.carried();
      drag.origin = new Map(drag.carried.map((n) => [n.id, box(n)]));
    } else if (edgeEl) {
      this.ed.selection.clear();
      this.ed.selectedEdge = edgeEl.dataset.edge ?? null;
    } else if (e.shiftKey) {
      drag.kind = "band";
    } else {
      this.ed.selection.clear();
      this.ed.selectedEdge = null;
    }
    this.drag = drag;
    this.before = null;
    this.viewport.setPointerCapture(e.pointerId);
    this.ed.invalidate();
  }

  private pressCard(id: string, shift: boolean): void {
    this.ed.selectedEdge = null;
    if (shift) {
      if (this.ed.selection.has(id)) this.ed.selection.delete(id); else this.ed.selection.add(id);
    } else if (!this.ed.selection.has(id)) this.ed.select([id]);
  }

  // The drag under way. One that changes cards as it goes ends when a reload or an undo puts a
  // new document in place: its cards and the state from before it belong to the old one, and
  // recording them would let undo put that back over the reload.
  private current(): Drag | null {
    if (this.drag && editsCards(this.drag) && this.drag.doc !== this.ed.doc) {
      this.drag = null;
      this.before = null;
    }
    return this.drag;
  }

  private move(e: PointerEvent): void {
    const drag = this.current();
    if (!drag) return;
    const p = this.ed.camera.viewportPoint(e);
    if (!drag.moved && Math.hypot(p.x - drag.start.x, p.y - drag.start.y) < 3) return;
    // The state before the drag, for undo, is taken as it starts moving cards: on a big map the
    // snapshot is milliseconds that a mere click need not pay (13 ms at 20,000 cards).
    const starting = !drag.moved && editsCards(drag);
    if (starting) this.before = this.ed.session.snapshot();
    drag.moved = true;
    const z = this.ed.camera.view.z;
    const dx = (p.x - drag.start.x) / z, dy = (p.y - drag.start.y) / z;
    const { doc, path } = this.ed;
    switch (drag.kind) {
      case "pan":
        this.ed.camera.view = { ...drag.startView, x: drag.startView.x + p.x - drag.start.x, y: drag.startView.y + p.y - drag.start.y };
        this.viewport.classList.add("panning");
        this.ed.invalidate(true);
        return;
      case "move": {
        for (const n of drag.carried!) {
          const r = drag.origin!.get(n.id)!;
          placeCard(doc, path, n, snap(r.x + dx), snap(r.y + dy));
        }
        // The frame that took the snapshot draws nothing: the cards show their first step one
        // frame later, so no frame carries both the snapshot and a step.
        const moved = drag.origin!.keys();
        if (starting) requestAnimationFrame(() => this.ed.invalidateMoved(moved));
        else this.ed.invalidateMoved(moved);
        return;
      }
      case "resize": {
        const [[id, r]] = [...drag.origin!];
        const n = doc.node(path, id);
        if (n) { n.width = Math.max(40, snap(r.width + dx)); n.height = Math.max(30, snap(r.height + dy)); }
        break;
      }
      case "band": {
        const r = rectFromPoints(drag.start, p);
        Object.assign(this.band.style, { left: `${r.x}px`, top: `${r.y}px`, width: `${r.width}px`, height: `${r.height}px`, display: "block" });
        const view = this.ed.camera.view;
        const cr = rectFromPoints(toCanvas(view, drag.start), toCanvas(view, p));
        this.ed.select(this.ed.canvas.items.filter((i) => intersects(i.rect, cr)).map((i) => i.id));
        break;
      }
      case "mid":
        drag.handle = dragMid(doc, path, drag.fromId!, drag.handle!, toCanvas(this.ed.camera.view, p));
        break;
      case "connect":
      case "ink":
        this.drawOverlay(drag, toCanvas(this.ed.camera.view, p));
        break;
    }
    this.ed.invalidate();
  }

  // The line being drawn, or the connection being dragged out of a card.
  private drawOverlay(drag: Drag, c: Point): void {
    const view = this.ed.camera.view;
    this.overlay.style.transform = `translate(${view.x}px, ${view.y}px) scale(${view.z})`;
    const { tool, pen, lineStyle } = this.ed;
    if (drag.kind === "ink") {
      if (tool !== "line") this.inkPoints.push(c);
      const first = this.inkPoints[0];
      const d = tool === "line" ? linePath({ x1: first.x, y1: first.y, x2: c.x, y2: c.y, mids: [], palette: pen, style: lineStyle }) : polyline(this.inkPoints);
      this.overlay.replaceChildren(inkPath(d, pen));
      return;
    }
    const from = this.ed.doc.node(this.ed.path, drag.fromId!);
    if (!from) return;
    const a = anchor(box(from), isSide(drag.fromSide) ? drag.fromSide : "right");
    this.overlay.replaceChildren(svg("path", { d: `M${a.x} ${a.y} L${c.x} ${c.y}`, class: "connecting" }));
  }

  private up(e: PointerEvent): void {
    const drag = this.current();
    this.drag = null;
    if (!drag) return;
    this.viewport.classList.remove("panning");
    this.band.style.display = "none";
    this.overlay.replaceChildren();
    const c = this.ed.camera.canvasPoint(e);
    if (editsCards(drag)) {
      if (drag.moved && this.before) this.ed.change(() => {}, null, this.before);
      // A click on one card of a selection selects just that card. (The pointer is captured,
      // so the release event's target is the canvas, not the card.)
      else if (drag.kind === "move" && !e.shiftKey && drag.fromId) this.ed.select([drag.fromId]);
    } else if (drag.kind === "connect" && drag.moved) {
      this.finishConnection(drag, c);
    } else if (drag.kind === "ink") {
      this.finishInk(c);
    }
    this.before = null;
    this.ed.invalidate();
  }

  // Dropped on a card: connect to its nearest side. Dropped on empty canvas: a new card there.
  private finishConnection(drag: Drag, c: Point): void {
    const fromId = drag.fromId!, fromSide = drag.fromSide ?? "right";
    const target = hitTest(this.ed.canvas.items.filter((i) => i.id !== fromId), c);
    if (target) { this.ed.cards.connect(fromId, fromSide, target.id, nearestSide(target.rect, c)); return; }
    const id = this.ed.createCard(c, "", false);
    const toSide = nearestSide(box(this.ed.doc.node(this.ed.path, id)!), toCanvas(this.ed.camera.view, drag.start));
    this.ed.doc.addEdge(this.ed.path, { id: newId(), fromNode: fromId, fromSide, toNode: id, toSide });
    this.ed.text.start(id);
  }

  private finishInk(c: Point): void {
    const pts = this.inkPoints;
    this.inkPoints = [];
    const { tool, pen, lineStyle } = this.ed;
    if (tool === "line" && pts.length && Math.hypot(c.x - pts[0].x, c.y - pts[0].y) > 2) {
      this.ed.addInk(null, { x1: pts[0].x, y1: pts[0].y, x2: c.x, y2: c.y, mids: [], palette: pen, style: lineStyle });
    } else if (tool === "pen" && pts.length >= 2) {
      this.ed.addInk({ points: simplify(pts, 0.75 / this.ed.camera.view.z), palette: pen }, null);
    }
  }

  private doubleClick(e: MouseEvent): void {
    if (this.ed.tool !== "select") return;
    const target = e.target as Element;
    if (target.closest(".card-editor, a, .mid-handle")) return;
    const edgeEl = target.closest<SVGGElement>("[data-edge]");
    if (edgeEl?.dataset.edge) { this.ed.cards.editEdgeLabel(edgeEl.dataset.edge); return; }
    const at = this.ed.camera.canvasPoint(e);
    const id = this.ed.canvas.cardAt(target, at);
    if (!id) { this.ed.createCard(at); return; }
    if (!this.ed.doc.node(this.ed.path, id)) return;
    if (this.ed.doc.hasSubmap(this.ed.path, id)) this.ed.openSubmap(id);
    else this.ed.text.start(id);
  }
}
