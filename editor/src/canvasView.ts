// Draws the map on screen: cards, edges and the grips of a selected ink line. Only cards near
// the visible part of the canvas are in the DOM, so maps of thousands of cards stay fluid. A pan
// or zoom moves one transform on the world layer; cards and edges are touched only when the set
// drawn changes (and then only those entering or leaving) or when the map itself changed.
import type { Camera } from "./camera";
import { EdgeBounds, areaStillDrawn, coveredRect, elementKeys, sameRect, staleKeys, wantedItems } from "./culling";
import { Detail, cardDetail, cardSignature, detailAt, handleZoomFor, placeSignature } from "./detail";
import { $ } from "./dom";
import { EdgeLayer } from "./edgeLayer";
import { FarCards } from "./farCards";
import { Point, Rect, View, intersects, visibleRect } from "./geometry";
import { InkSource, readInk } from "./ink";
import { JsonObject } from "./json";
import { midHandles } from "./inkEdit";
import { CanvasEdge, CardNode, MapDocument, box, cardTitle } from "./model";
import { gridShown } from "./operations";
import { fillBox, fillCard, fillTitle } from "./render";

// `key` is what the card's element is kept by: its id, unless an earlier card has that id too.
export interface Item { id: string; key: string; node: CardNode; rect: Rect }

// What the view draws from: the editor, or the read-only viewer of a shared map, which has no
// selection, no text editing and no grips to drag.
export interface CanvasHost {
  readonly camera: Camera;
  readonly doc: MapDocument;
  readonly path: string;
  readonly selection: ReadonlySet<string>;
  readonly selectedEdge: string | null;
  readonly tool: string;
  readonly text: { readonly editingId: string | null; readonly openingId: string | null };
  readonly conn: { mediaURL(path: string): string };
  readonly editable: boolean;
}

interface DrawnCard { el: HTMLElement; sig: string; place: string }

// What a frame spends on drawing cards of the margin.
const laterBudgetMs = 4;

export class CanvasView {
  items: Item[] = [];
  private rects = new Map<string, Rect>();
  private edgeBounds = new EdgeBounds<CanvasEdge>([], new Map());
  private edgeList: CanvasEdge[] = []; // the map's edges as the bounds were made, and their ends
  private edgeEnds: string[] = [];
  private indexOf = new Map<string, number>(); // by key
  private repeats = new Map<string, string[]>(); // the keys of later cards sharing an id
  private boxes = new Map<string, boolean>();
  private cardEls = new Map<string, DrawnCard>();
  private detail: Detail | null = null;
  private handleZoom = NaN;
  private handleScale = "";
  private covered: Rect | null = null;
  private later: string[] = []; // cards of the margin not drawn yet
  private laterFrame = 0;
  private sharpening = 0; // the frame that looks whether far canvases left blurry may be drawn anew
  private sharpen = false;
  private cleared = true;
  private readonly viewport = $("viewport");
  private readonly world = $("world");
  private readonly cardLayer = $("cards");
  private readonly handleLayer = $("inkHandles");
  private readonly edges = new EdgeLayer(document.querySelector("#edges") as SVGSVGElement);
  private readonly far = new FarCards(this.cardLayer, this.world);
  private readonly farSelected = new FarCards(this.cardLayer, this.world, true);

  constructor(private ed: CanvasHost) {}

  cardElement(id: string): HTMLElement | undefined {
    return this.cardEls.get(id)?.el;
  }

  // The card under a point, given the element there: a card element above the far-out boxes
  // (any but a group), else a box drawn on a far canvas, selected ones first, else the group beneath.
  cardAt(target: Element | null, at: Point): string | undefined {
    const el = target?.closest<HTMLElement>(".card");
    if (el && !el.classList.contains("type-group")) return el.dataset.id;
    return this.farSelected.cardAt(at) ?? this.far.cardAt(at) ?? el?.dataset.id;
  }

  // Forgets every card and edge element, after the document or the map on screen changed.
  clear(): void {
    this.cardEls.forEach((c) => c.el.remove());
    this.cardEls.clear();
    this.edges.clear();
    this.far.clear();
    this.farSelected.clear();
    this.covered = null;
    this.later = [];
    this.cleared = true;
  }

  // `content` is false when only the view moved since the last render; `moved` are cards whose
  // place alone changed since (a drag step).
  render(content = true, moved: ReadonlySet<string> = new Set()): void {
    // After a clear, whatever moved the camera too, the map is drawn anew.
    content ||= this.cleared;
    this.cleared = false;
    const { view } = this.ed.camera;
    const { width, height } = this.ed.camera.size();
    this.placeWorld(view);
    const detail = detailAt(view.z);
    if (detail !== this.detail) {
      this.detail = detail;
      this.viewport.classList.toggle("far", detail === "box");
      this.viewport.classList.toggle("mid", detail === "title");
      content = true;
    }
    if (content) this.collectItems();
    else this.placeMoved(moved);
    const covered = coveredRect(view, width, height);
    // Most pan frames, and close up most zoom steps in, stay within the area drawn last time and
    // have nothing else to do. Far out the canvases say when they must be drawn again.
    const areaMoved = this.sharpen ||
      (!sameRect(covered, this.covered) && (detail === "box" || !areaStillDrawn(this.covered, view, width, height)));
    if (content || moved.size || areaMoved) {
      this.covered = covered;
      // A drag step of selected cards, elements or drawn on their own canvas, changes nothing else.
      if (!content && !areaMoved && this.allSelectedAndDrawn(moved, covered)) this.renderDragStep(covered);
      else this.renderCards(covered, content, areaMoved, moved);
    } else if (this.later.length) {
      const shown = visibleRect(view, width, height);
      this.drawWaiting((rect) => intersects(rect, shown));
    }
    if (content) this.renderMidHandles();
  }

  // An edit of a few cards leaves the rest as they were: when the map holds the same cards and
  // edges as before, only the boxes that changed are read again. Building the look-ups anew takes
  // 15-20 ms at 20,000 cards, on every edit.
  private collectItems(): void {
    const nodes = this.ed.doc.nodes(this.ed.path), edges = this.ed.doc.edges(this.ed.path);
    this.boxes.clear();
    if (this.sameCards(nodes) && this.sameEdges(edges)) return this.placeMoved(new Set(this.items.filter((i) => !sameRect(box(i.node), i.rect)).map((i) => i.id)));
    const keys = elementKeys(nodes.map((n) => n.id));
    this.items = nodes.map((node, i) => ({ id: node.id, key: keys[i], node, rect: box(node) }));
    // Edges meet the first card of an id, the one the editor finds by it.
    this.rects = new Map(this.items.filter((i) => i.key === i.id).map((i) => [i.id, i.rect]));
    this.indexOf = new Map(this.items.map((i, index) => [i.key, index]));
    this.repeats.clear();
    for (const i of this.items) if (i.key !== i.id) this.repeats.set(i.id, [...this.repeats.get(i.id) ?? [], i.key]);
    this.edgeBounds = new EdgeBounds(edges, this.rects);
    this.edgeList = edges;
    this.edgeEnds = edges.flatMap((e) => [e.fromNode, e.toNode]);
  }

  private sameCards(nodes: readonly CardNode[]): boolean {
    return nodes.length === this.items.length && nodes.every((node, i) => node === this.items[i].node && node.id === this.items[i].id);
  }

  private sameEdges(edges: readonly CanvasEdge[]): boolean {
    const ends = this.edgeEnds;
    return edges.length === this.edgeList.length &&
      edges.every((e, i) => e === this.edgeList[i] && e.fromNode === ends[2 * i] && e.toNode === ends[2 * i + 1]);
  }

  // Cards that only moved: their boxes are read again and their elements placed there, and no
  // other card is looked at.
  private placeMoved(moved: ReadonlySet<string>): void {
    for (const id of moved) for (const key of this.keysOf(id)) {
      const index = this.indexOf.get(key);
      if (index === undefined) continue;
      const item = this.items[index];
      item.rect = box(item.node);
      if (key === id) this.rects.set(id, item.rect);
      if (this.cardEls.has(key)) this.renderCard(item, index, this.whole(id));
    }
    this.edgeBounds.moved(moved, this.rects);
  }

  // The world layer carries the view; the grid and the handles' size follow the zoom. The handles'
  // scale moves in steps and is written on each handle: a property inherited from the viewport,
  // or a rule, restyled every card in view, 10-20 ms a step with a hundred cards.
  private placeWorld(view: View): void {
    this.world.style.transform = `translate(${view.x}px, ${view.y}px) scale(${view.z})`;
    const grid = gridShown(this.ed.doc, this.ed.path);
    this.viewport.classList.toggle("grid", grid);
    if (grid) {
      this.viewport.style.backgroundPosition = `${view.x}px ${view.y}px`;
      this.viewport.style.backgroundSize = `${20 * view.z}px ${20 * view.z}px`;
    }
    const handleZoom = handleZoomFor(view.z);
    if (handleZoom === this.handleZoom) return;
    this.handleZoom = handleZoom;
    this.handleScale = `scale(${1 / handleZoom})`;
    for (const h of this.world.querySelectorAll<HTMLElement>(".handle, .mid-handle")) h.style.transform = this.handleScale;
  }

  // Cards far out that are plain boxes go to the far canvases with the edges, every other card is
  // an element. The card being edited is kept wherever it is, so its editor never vanishes;
  // selected cards are drawn like the others, only where the view reaches: all 20,000 of a
  // selected map as elements took four seconds.
  private renderCards(covered: Rect, content: boolean, areaMoved: boolean, moved: ReadonlySet<string>): void {
    const pinned = (id: string) => this.pinned(id);
    const edited = (id: string) => this.ed.text.editingId === id || this.ed.text.openingId === id;
    const wanted = wantedItems(this.items, covered, edited);
    const keys = new Set<string>(), boxes: Item[] = [], selectedBoxes: Item[] = [];
    for (const index of wanted) {
      const item = this.items[index];
      if (!this.isBox(item)) keys.add(item.key);
      else (pinned(item.id) ? selectedBoxes : boxes).push(item);
    }
    for (const key of staleKeys(this.cardEls.keys(), keys)) {
      this.cardEls.get(key)!.el.remove();
      this.cardEls.delete(key);
    }
    const { view } = this.ed.camera, { width, height } = this.ed.camera.size();
    // A pan or zoom that reaches new ground draws the cards coming into view at once, and those
    // of the margin around it in the frames after.
    const shown = visibleRect(view, width, height), visible = content ? null : shown;
    const later: string[] = [];
    for (const index of wanted) {
      const item = this.items[index];
      if (!keys.has(item.key) || (!content && this.cardEls.has(item.key))) continue;
      if (visible && !intersects(item.rect, visible) && !edited(item.id)) later.push(item.key);
      else this.renderCard(item, index, this.whole(item.id));
    }
    this.drawLater(later);
    const inView = this.edgeBounds.inView(covered);
    const far = this.detail === "box";
    this.edges.render(far ? [] : inView, this.rects, this.ed.selectedEdge, content || moved.size > 0);
    const pinnedEdge = (e: CanvasEdge) => this.pinned(e.fromNode) || this.pinned(e.toNode);
    const moving = !content && !this.sharpen;
    this.sharpen = false;
    const stale = (canvas: FarCards) => content || canvas.touchesAny(moved) || (areaMoved && !canvas.serves(shown, view.z, moving));
    const blurry = (canvas: FarCards) => far && areaMoved && !canvas.serves(shown, view.z);
    if (stale(this.far)) this.far.draw(boxes, far ? inView.filter((e) => !pinnedEdge(e)) : [], this.rects, covered, view.z);
    if (stale(this.farSelected)) this.farSelected.draw(selectedBoxes, far ? inView.filter(pinnedEdge) : [], this.rects, covered, view.z);
    if (blurry(this.far) || blurry(this.farSelected)) this.sharpenWhenStill();
  }

  // A zoom step may leave the far canvases a little blurry, or finer than wanted: drawn anew at
  // every quarter of zoom, thousands of boxes made such a step 25-35 ms. They are drawn anew
  // once the view holds still for a frame.
  private sharpenWhenStill(): void {
    if (this.sharpening) return;
    this.sharpening = this.nextFrame((held) => {
      this.sharpening = 0;
      if (!held) return this.sharpenWhenStill();
      this.sharpen = true;
      this.render(false);
    });
  }

  // Runs `then` in the next frame, told whether the view is still where it is now.
  private nextFrame(then: (held: boolean) => void): number {
    const at = this.ed.camera.view;
    return requestAnimationFrame(() => {
      const view = this.ed.camera.view;
      then(view.x === at.x && view.y === at.y && view.z === at.z);
    });
  }

  // Cards of the margin wait while the view moves: drawn with those coming into view, they made
  // a zoom step out 12-18 ms of work. Those coming into view are drawn at once, the rest a few
  // milliseconds a frame once the view holds still.
  private drawLater(ids: string[]): void {
    this.later = ids;
    if (!ids.length || this.laterFrame) return;
    this.laterFrame = this.nextFrame((held) => {
      this.laterFrame = 0;
      if (held) this.drawWaiting(() => true, performance.now() + laterBudgetMs);
      this.drawLater(this.later);
    });
  }

  // The waiting cards `now` picks, until the clock reaches `until`; those no longer wanted are dropped.
  private drawWaiting(now: (rect: Rect) => boolean, until = Infinity): void {
    const waiting: string[] = [];
    for (const key of this.later) {
      const index = this.indexOf.get(key), item = index === undefined ? undefined : this.items[index];
      if (!item || this.cardEls.has(key) || !this.covered || !intersects(item.rect, this.covered)) continue;
      if (now(item.rect) && performance.now() < until) this.renderCard(item, index!, this.whole(item.id));
      else waiting.push(key);
    }
    this.later = waiting;
  }

  // The selected cards moved, and only they: their elements are placed already; what is drawn of
  // them far out, boxes and edges, is drawn again, and close up their edges.
  private renderDragStep(covered: Rect): void {
    if (this.detail !== "box") {
      this.edges.render(this.edgeBounds.inView(covered), this.rects, this.ed.selectedEdge, true);
      return;
    }
    const { selection, text } = this.ed;
    const pinned = text.editingId ? [...selection, text.editingId] : selection;
    this.farSelected.redraw(this.edgeBounds.ofCardsInView(pinned, covered));
  }

  // Whether a drag step of these cards needs no more than renderDragStep: all are selected, and
  // each is drawn, waits in the margin to be drawn where it now is, or is beyond the covered
  // area, where nothing of it is drawn.
  private allSelectedAndDrawn(ids: ReadonlySet<string>, covered: Rect): boolean {
    if (!ids.size) return false;
    let waiting: Set<string> | null = null; // made only when a card is neither drawn element nor box
    for (const id of ids) {
      if (!this.pinned(id)) return false;
      for (const key of this.keysOf(id)) {
        if (this.cardEls.has(key) || this.farSelected.hasBox(id) || (waiting ??= new Set(this.later)).has(key)) continue;
        const index = this.indexOf.get(key);
        if (index === undefined || intersects(this.items[index].rect, covered)) return false;
      }
    }
    return true;
  }

  // The keys of the cards of an id: nearly always the id alone.
  private keysOf(id: string): string[] {
    const more = this.repeats.get(id);
    return more ? [id, ...more] : [id];
  }

  private pinned(id: string): boolean {
    return this.ed.selection.has(id) || this.ed.text.editingId === id;
  }

  // Which cards are boxes is kept until the content changes: an area change far out asks it of
  // thousands of cards, and ink is read from each one's sidecar.
  private isBox(item: Item): boolean {
    if (this.detail !== "box") return false;
    let known = this.boxes.get(item.key);
    if (known === undefined) {
      const ink = readInk(this.ed.doc.sidecarRecord(this.ed.path, item.id));
      this.boxes.set(item.key, known = cardDetail("box", item.node, !!ink, this.whole(item.id)) === "box");
    }
    return known;
  }

  // Drawn whole at any distance: the card being edited, and a card selected alone, which keeps its
  // handles to resize or link it. Cards of a larger selection are drawn at the view's detail with
  // their outline: hundreds of them carried in full made a drag four times slower.
  private whole(id: string): boolean {
    const { selection, text } = this.ed;
    return text.editingId === id || (selection.size === 1 && selection.has(id));
  }

  private renderCard(item: Item, index: number, pinned: boolean): void {
    const { node, rect } = item;
    const { doc, path } = this.ed;
    const record = doc.sidecarRecord(path, node.id);
    const ink = readInk(record);
    const hasSubmap = doc.hasSubmap(path, node.id);
    const detail = cardDetail(this.detail ?? "full", node, !!ink, pinned);
    const sig = cardSignature(node, record, hasSubmap, detail, !!ink);
    const entry = this.cardEls.get(item.key) ?? this.newCard(item.key, node.id);
    const el = entry.el;
    const editing = this.ed.text.editingId === node.id && item.key === node.id;
    // The card being edited keeps its editor; it is redrawn when editing stops.
    if (entry.sig !== sig && !editing) {
      entry.sig = sig;
      el.className = `card type-${/^(text|file|link|group)$/.test(node.type) ? node.type : "text"}`;
      if (detail === "box") fillBox(el, node);
      else if (detail === "title") fillTitle(el, node);
      else this.fillFull(el, node, { hasSubmap, record, ink });
    }
    const place = placeSignature(rect.x, rect.y, rect.width, rect.height, node.type === "group" ? index : 10000 + index);
    if (entry.place !== place) {
      entry.place = place;
      el.style.left = `${rect.x}px`;
      el.style.top = `${rect.y}px`;
      el.style.width = `${rect.width}px`;
      el.style.height = `${rect.height}px`;
      el.style.zIndex = String(node.type === "group" ? index : 10000 + index);
    }
    el.classList.toggle("selected", this.ed.selection.has(node.id));
    el.classList.toggle("editing", editing);
  }

  private newCard(key: string, id: string): DrawnCard {
    const el = document.createElement("div");
    el.dataset.id = id;
    const entry = { el, sig: "", place: "" };
    this.cardEls.set(key, entry);
    this.cardLayer.append(el);
    return entry;
  }

  private fillFull(el: HTMLElement, node: CardNode, c: { hasSubmap: boolean; record: JsonObject | undefined; ink: InkSource | null }): void {
    fillCard(el, node, {
      hasSubmap: c.hasSubmap,
      submapTitle: c.hasSubmap ? cardTitle(node) : "",
      sidecar: c.record,
      ink: c.ink,
      mediaURL: (p) => this.ed.conn.mediaURL(p),
    });
    if (!this.ed.editable) return;
    el.append(...["top", "right", "bottom", "left"].map((side) => {
      const h = document.createElement("div");
      h.className = `handle side-${side}`;
      h.dataset.side = side;
      h.style.transform = this.handleScale;
      return h;
    }));
    const grip = document.createElement("div");
    grip.className = "resize";
    el.append(grip);
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
      grip.style.transform = this.handleScale;
      return grip;
    }));
  }
}
