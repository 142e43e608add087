// The editor: one map on screen at a time, the whole document in memory. Every change goes
// through change(), which records undo, redraws and schedules a save of the whole document.
import { commandFor, commands } from "./commands";
import { presets } from "./colors";
import { Connection } from "./host";
import {
  Alignment, Point, Rect, View, align, edgeRoute, encloses, fitView, formatFragment, hitTest,
  inflate, intersects, isSide, nearestSide, parseFragment, rectFromPoints, snap, toCanvas, union, visibleRect, zoomAt,
} from "./geometry";
import { InkLine, LineStyle, Pen, Stroke, inkBounds, lineJson, linePath, pens, penHex, polyline, readInk, strokeJson } from "./ink";
import { Json, JsonObject, clone, isObject, str } from "./json";
import { toggleTask } from "./markdown";
import { CardNode, MapDocument, box, cardTitle, newId, parentPath, rootPath, submapPath } from "./model";
import { edgeElement, fillCard, inkPath, svg } from "./render";
import { SaveQueue } from "./saver";
import { Snapshot, UndoStack } from "./undo";

type Tool = "select" | "pen" | "line";
interface Item { id: string; node: CardNode; rect: Rect }

interface Drag {
  kind: "pan" | "move" | "resize" | "band" | "connect" | "ink";
  start: Point; // screen
  last: Point;
  origin?: Map<string, Rect>;
  startView?: View;
  fromId?: string;
  fromSide?: string;
  moved: boolean;
}

const $ = <T extends HTMLElement>(id: string) => document.getElementById(id) as T;

export class Editor {
  doc = MapDocument.fromState(null);
  path = rootPath;
  view: View = { x: 0, y: 0, z: 1 };
  name = "Untitled map";
  selection = new Set<string>();
  selectedEdge: string | null = null;
  tool: Tool = "select";
  pen: Pen = "default";
  lineStyle: LineStyle = "straight";
  private undo = new UndoStack();
  private saver: SaveQueue;
  private clipboard: { nodes: CardNode[]; edges: JsonObject[]; records: Record<string, JsonObject>; path: string } | null = null;
  private cardEls = new Map<string, { el: HTMLElement; sig: string }>();
  private items: Item[] = [];
  private drag: Drag | null = null;
  private editing: { id: string; input: HTMLTextAreaElement | HTMLInputElement } | null = null;
  private inkCard: string | null = null;
  private frame = 0;
  private loaded = false;

  private viewport = $("viewport");
  private world = $("world");
  private edgeLayer = document.querySelector("#edges") as SVGSVGElement;
  private cardLayer = $("cards");
  private overlay = document.querySelector("#overlay") as SVGSVGElement;
  private band = $("band");

  constructor(private conn: Connection) {
    this.saver = new SaveQueue(
      () => this.conn.bridge.request("save", { body: JSON.stringify(this.doc.saveBody()) }).then(() => undefined),
      (status, error) => this.showSaveStatus(status, error),
      { set: (fn, ms) => setTimeout(fn, ms), clear: (h) => clearTimeout(h as number) },
      300,
    );
    this.bindChrome();
    this.bindPointer();
    this.bindKeys();
    this.bindClipboard();
    new ResizeObserver(() => { this.viewportSize = null; this.invalidate(); }).observe(this.viewport);
    window.addEventListener("pagehide", () => void this.saver.flush());
    document.addEventListener("visibilitychange", () => { if (document.hidden) void this.saver.flush(); });
  }

  // ---- loading -------------------------------------------------------------------------------

  async load(op: "load" | "refresh" = "load"): Promise<void> {
    try {
      const state = await this.conn.bridge.request(op);
      const draft = this.editing ? { id: this.editing.id, text: this.editing.input.value } : null;
      this.doc = MapDocument.fromState(state);
      this.saver.discard();
      if (!this.doc.map(this.path)) this.path = rootPath;
      this.cardEls.forEach((c) => c.el.remove());
      this.cardEls.clear();
      this.selection = new Set([...this.selection].filter((id) => this.doc.node(this.path, id)));
      if (!this.loaded) {
        this.loaded = true;
        const fromURL = parseFragment(location.hash);
        if (fromURL) this.view = fromURL;
        else this.fit();
      }
      this.invalidate();
      // A reload must not lose what the user is typing: put the draft back on its card.
      if (draft && this.doc.node(this.path, draft.id)) {
        this.stopEditing(false);
        this.startEditing(draft.id);
        if (this.editing) (this.editing as { input: HTMLTextAreaElement }).input.value = draft.text;
      } else if (draft) this.stopEditing(false);
    } catch (error) {
      this.toast(`Could not load the map: ${(error as Error).message}`, true);
    }
  }

  // velk read the package again (another program changed it). Send our pending edits first so
  // nothing made here is lost, then take the new state.
  async changed(_notice: unknown): Promise<void> {
    await this.saver.flush();
    await this.load("refresh");
  }

  setName(name: string): void {
    this.name = name;
    document.title = name ? `${name} — velk` : "velk";
    this.renderChrome();
  }

  // ---- changes -------------------------------------------------------------------------------

  private snapshot(): Snapshot {
    return { body: this.doc.snapshot(), path: this.path };
  }

  change(fn: () => void, key: string | null = null, before?: Snapshot): void {
    this.undo.record(before ?? this.snapshot(), key);
    fn();
    this.saver.changed();
    this.invalidate();
  }

  private restore(s: Snapshot | null): void {
    if (!s) return;
    this.stopEditing(false);
    this.doc = MapDocument.fromState(JSON.parse(s.body));
    this.path = this.doc.map(s.path) ? s.path : rootPath;
    this.selection.clear();
    this.selectedEdge = null;
    this.cardEls.forEach((c) => c.el.remove());
    this.cardEls.clear();
    this.saver.changed();
    this.invalidate();
  }

  undoChange(): void { this.restore(this.undo.undo(this.snapshot())); }
  redoChange(): void { this.restore(this.undo.redo(this.snapshot())); }

  // ---- view ----------------------------------------------------------------------------------

  invalidate(): void {
    if (!this.frame) this.frame = requestAnimationFrame(() => { this.frame = 0; this.render(); });
  }

  // Kept from the resize observer: reading clientWidth while rendering would force a layout.
  private viewportSize: { width: number; height: number } | null = null;

  private size(): { width: number; height: number } {
    if (!this.viewportSize) this.viewportSize = { width: this.viewport.clientWidth || 800, height: this.viewport.clientHeight || 600 };
    return this.viewportSize;
  }

  fit(): void {
    const bounds = union(this.doc.nodes(this.path).map(box));
    const { width, height } = this.size();
    this.view = fitView(bounds, width, height);
    this.invalidate();
  }

  zoomBy(factor: number, at?: Point): void {
    const { width, height } = this.size();
    this.view = zoomAt(this.view, factor, at ?? { x: width / 2, y: height / 2 });
    this.invalidate();
  }

  private viewportPoint(e: { clientX: number; clientY: number }): Point {
    const r = this.viewport.getBoundingClientRect();
    return { x: e.clientX - r.left, y: e.clientY - r.top };
  }

  private canvasPoint(e: { clientX: number; clientY: number }): Point {
    return toCanvas(this.view, this.viewportPoint(e));
  }

  render(): void {
    const t0 = performance.now();
    const { width, height } = this.size();
    this.world.style.transform = `translate(${this.view.x}px, ${this.view.y}px) scale(${this.view.z})`;
    this.viewport.style.setProperty("--zoom", String(this.view.z));
    const grid = this.doc.map(this.path)?.sidecar.view;
    this.viewport.classList.toggle("grid", isObject(grid) && grid.grid === true);
    this.viewport.style.backgroundPosition = `${this.view.x}px ${this.view.y}px`;
    this.viewport.style.backgroundSize = `${20 * this.view.z}px ${20 * this.view.z}px`;

    this.items = this.doc.nodes(this.path).map((node) => ({ id: node.id, node, rect: box(node) }));
    const visible = inflate(visibleRect(this.view, width, height), 200 / this.view.z);
    const seen = new Set<string>();
    this.items.forEach((item, index) => {
      if (!intersects(item.rect, visible) && !this.selection.has(item.id) && this.editing?.id !== item.id) return;
      seen.add(item.id);
      this.renderCard(item, index);
    });
    for (const [id, c] of this.cardEls) if (!seen.has(id)) { c.el.remove(); this.cardEls.delete(id); }
    this.renderEdges(visible);
    this.renderChrome();
    const fragment = formatFragment(this.view);
    if (location.hash !== fragment && location.protocol !== "file:") history.replaceState(null, "", fragment);
    this.lastRenderMs = performance.now() - t0;
  }

  lastRenderMs = 0;

  private renderCard(item: Item, index: number): void {
    const { node, rect } = item;
    const record = this.doc.sidecarRecord(this.path, node.id);
    const hasSubmap = this.doc.hasSubmap(this.path, node.id);
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
    // The card being edited keeps its editor; it is redrawn when editing stops.
    if (entry.sig !== sig && this.editing?.id !== node.id) {
      entry.sig = sig;
      el.className = `card type-${/^(text|file|link|group)$/.test(node.type) ? node.type : "text"}`;
      fillCard(el, node, {
        hasSubmap,
        submapTitle: hasSubmap ? cardTitle(node) : "",
        sidecar: record,
        ink: readInk(record),
        mediaURL: (p) => this.conn.mediaURL(p),
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
    el.classList.toggle("selected", this.selection.has(node.id));
    el.classList.toggle("editing", this.editing?.id === node.id);
  }

  private renderEdges(visible: Rect): void {
    const rects = new Map(this.items.map((i) => [i.id, i.rect]));
    const parts: SVGGElement[] = [];
    for (const edge of this.doc.edges(this.path)) {
      const a = rects.get(edge.fromNode), b = rects.get(edge.toNode);
      if (!a || !b) continue;
      if (!intersects(union([a, b])!, visible)) continue;
      const route = edgeRoute(a, isSide(edge.fromSide) ? edge.fromSide : null, b, isSide(edge.toSide) ? edge.toSide : null);
      parts.push(edgeElement(edge.id, route, edge, this.selectedEdge === edge.id));
    }
    this.edgeLayer.replaceChildren(...parts);
  }

  private renderChrome(): void {
    $("zoom-indicator").textContent = `${Math.round(this.view.z * 100)}%`;
    const crumbs = $("crumbs");
    const trail: string[] = [];
    for (let p: string | null = this.path; p !== null; p = parentPath(p)) trail.unshift(p);
    const key = trail.join("|") + "|" + this.name + "|" + trail.map((p) => this.doc.title(p, this.name)).join("|");
    if (crumbs.dataset.key !== key) {
      crumbs.dataset.key = key;
      crumbs.replaceChildren(...trail.flatMap((p, i) => {
        const b = document.createElement("button");
        b.className = i === trail.length - 1 ? "crumb current" : "crumb";
        b.textContent = this.doc.title(p, this.name || "Map");
        b.title = i === trail.length - 1 && p === rootPath ? "Rename this map" : "Go to this map";
        b.addEventListener("click", () => (i === trail.length - 1 && p === rootPath ? this.renameMap() : this.openMap(p)));
        if (i === 0) return [b];
        const sep = document.createElement("span");
        sep.className = "crumb-sep";
        sep.textContent = "›";
        return [sep, b];
      }));
    }
    $("undoBtn").toggleAttribute("disabled", !this.undo.canUndo);
    $("redoBtn").toggleAttribute("disabled", !this.undo.canRedo);
    for (const t of ["select", "pen", "line"]) $(`tool-${t}`).classList.toggle("active", this.tool === t);
    $("inkBar").hidden = this.tool === "select";
    $("lineStyles").hidden = this.tool !== "line";
    this.viewport.dataset.tool = this.tool;
    this.renderContextBar();
  }

  private renderContextBar(): void {
    const bar = $("contextBar");
    const selected = this.items.filter((i) => this.selection.has(i.id));
    if (!selected.length || this.drag?.moved || this.editing) { bar.hidden = true; return; }
    bar.hidden = false;
    const u = union(selected.map((i) => i.rect))!;
    const left = u.x * this.view.z + this.view.x + (u.width * this.view.z) / 2;
    const top = u.y * this.view.z + this.view.y - 12;
    bar.style.left = `${Math.max(8, left)}px`;
    bar.style.top = `${Math.max(56, top)}px`;
    $("ctx-open").hidden = selected.length !== 1;
    $("ctx-align").hidden = selected.length < 2;
  }

  // ---- maps ----------------------------------------------------------------------------------

  openMap(path: string): void {
    if (!this.doc.map(path)) return;
    this.stopEditing(true);
    this.path = path;
    this.selection.clear();
    this.selectedEdge = null;
    this.cardEls.forEach((c) => c.el.remove());
    this.cardEls.clear();
    this.fit();
  }

  // Opens a card's submap, making it first if the card has none yet.
  openSubmap(id: string): void {
    if (!this.doc.node(this.path, id)) return;
    if (!this.doc.hasSubmap(this.path, id)) this.change(() => this.doc.createSubmap(this.path, id));
    this.openMap(submapPath(this.path, id));
  }

  goUp(): void {
    const parent = parentPath(this.path);
    if (parent === null) return;
    const id = this.path.slice(this.path.lastIndexOf("/") + 1);
    this.openMap(parent);
    this.selection = new Set([id]);
    this.invalidate();
  }

  // ---- editing -------------------------------------------------------------------------------

  createCard(at: Point, text = "", edit = true): string {
    const id = newId();
    const node: CardNode = { id, type: "text", text, x: snap(at.x - 125), y: snap(at.y - 30), width: 250, height: 60 };
    this.change(() => this.doc.addNode(this.path, node));
    this.selection = new Set([id]);
    if (edit) this.startEditing(id);
    return id;
  }

  startEditing(id: string): void {
    this.stopEditing(true);
    const node = this.doc.node(this.path, id);
    if (!node || readInk(this.doc.sidecarRecord(this.path, id))) return;
    const field = node.type === "group" ? "label" : node.type === "link" ? "url" : node.type === "text" ? "text" : null;
    if (!field) return;
    this.invalidate();
    this.render();
    const el = this.cardEls.get(id)?.el;
    if (!el) return;
    const input = document.createElement(field === "text" ? "textarea" : "input");
    input.className = `card-editor editor-${field}`;
    input.value = str(node[field]);
    input.setAttribute("aria-label", field === "text" ? "Card text" : field === "label" ? "Group label" : "Link address");
    input.addEventListener("keydown", (e) => {
      const ke = e as KeyboardEvent;
      ke.stopPropagation();
      if (ke.key === "Escape" || (ke.key === "Enter" && (ke.ctrlKey || field !== "text"))) {
        ke.preventDefault();
        this.stopEditing(true);
        this.viewport.focus();
      }
    });
    input.addEventListener("input", () => this.commitEdit(id, field, input.value, true));
    input.addEventListener("blur", () => { if (this.editing?.input === input) this.stopEditing(true); });
    input.addEventListener("pointerdown", (e) => e.stopPropagation());
    el.append(input);
    this.editing = { id, input };
    el.classList.add("editing");
    input.focus();
    if (input instanceof HTMLTextAreaElement) input.setSelectionRange(input.value.length, input.value.length);
  }

  private commitEdit(id: string, field: string, value: string, typing: boolean): void {
    const node = this.doc.node(this.path, id);
    if (!node || str(node[field]) === value) return;
    this.change(() => {
      node[field] = value;
      if (field === "text") this.growToFit(node, value);
    }, typing ? `edit:${this.path}:${id}` : null);
  }

  // Text cards grow with their text so nothing typed is hidden.
  private growToFit(node: CardNode, text: string): void {
    const lines = text.split("\n").reduce((n, l) => n + Math.max(1, Math.ceil((l.length * 8) / Math.max(80, Number(node.width) - 32))), 0);
    const wanted = snap(Math.max(60, lines * 24 + 36));
    if (wanted > Number(node.height)) node.height = wanted;
  }

  stopEditing(commit: boolean): void {
    const editing = this.editing;
    if (!editing) return;
    this.editing = null;
    if (commit) {
      const node = this.doc.node(this.path, editing.id);
      if (node) {
        const field = node.type === "group" ? "label" : node.type === "link" ? "url" : "text";
        this.commitEdit(editing.id, field, editing.input.value, true);
        if (node.type === "link") void this.fetchPreview(editing.id);
      }
    }
    editing.input.remove();
    this.invalidate();
  }

  deleteSelection(): void {
    if (this.selectedEdge) {
      const id = this.selectedEdge;
      this.selectedEdge = null;
      this.change(() => this.doc.removeEdges(this.path, [id]));
      return;
    }
    if (!this.selection.size) return;
    const ids = [...this.selection];
    this.selection.clear();
    this.change(() => this.doc.removeNodes(this.path, ids));
  }

  setColour(colour: string | null): void {
    if (this.selectedEdge) {
      const edge = this.doc.edges(this.path).find((e) => e.id === this.selectedEdge);
      if (edge) this.change(() => { if (colour) edge.color = colour; else delete edge.color; });
      return;
    }
    const nodes = this.selectedNodes();
    if (nodes.length) this.change(() => nodes.forEach((n) => { if (colour) n.color = colour; else delete n.color; }));
  }

  selectedNodes(): CardNode[] {
    return this.doc.nodes(this.path).filter((n) => this.selection.has(n.id));
  }

  moveSelection(dx: number, dy: number): void {
    const nodes = this.withEnclosed(this.selectedNodes());
    if (!nodes.length) return;
    this.change(() => nodes.forEach((n) => { n.x = Number(n.x) + dx; n.y = Number(n.y) + dy; }), `nudge:${this.path}`);
  }

  // A group carries the cards that sit inside it.
  private withEnclosed(nodes: CardNode[]): CardNode[] {
    const out = new Map(nodes.map((n) => [n.id, n]));
    for (const g of nodes.filter((n) => n.type === "group")) {
      const gr = box(g);
      for (const n of this.doc.nodes(this.path)) if (n !== g && encloses(gr, box(n))) out.set(n.id, n);
    }
    return [...out.values()];
  }

  alignSelection(how: Alignment): void {
    const nodes = this.selectedNodes();
    if (nodes.length < 2) return;
    const targets = align(nodes.map(box), how);
    this.change(() => nodes.forEach((n, i) => { n.x = targets[i].x; n.y = targets[i].y; }));
  }

  restack(toFront: boolean): void {
    if (this.selection.size) this.change(() => this.doc.restack(this.path, this.selection, toFront));
  }

  groupSelection(): void {
    const nodes = this.selectedNodes();
    if (!nodes.length) return;
    const u = inflate(union(nodes.map(box))!, 40);
    const id = newId();
    this.change(() => {
      this.doc.nodeArray(this.path).unshift({ id, type: "group", label: "Group", x: snap(u.x), y: snap(u.y - 20), width: snap(u.width), height: snap(u.height + 20) });
    });
    this.selection = new Set([id]);
  }

  // Copies of cards with fresh ids, their edges among themselves, sidecar records and submaps.
  private placeCopies(nodes: CardNode[], edges: JsonObject[], records: Record<string, JsonObject>, fromPath: string, offset: Point): void {
    const ids = new Map(nodes.map((n) => [n.id, newId()]));
    this.change(() => {
      for (const n of nodes) {
        const copy = clone(n);
        copy.id = ids.get(n.id)!;
        copy.x = Number(n.x) + offset.x;
        copy.y = Number(n.y) + offset.y;
        if (records[n.id]) this.doc.setSidecarRecord(this.path, copy.id, clone(records[n.id]));
        if (this.doc.map(submapPath(fromPath, n.id))) this.doc.copySubtree(submapPath(fromPath, n.id), submapPath(this.path, copy.id));
        this.doc.addNode(this.path, copy);
      }
      for (const e of edges) {
        if (!ids.has(str(e.fromNode)) || !ids.has(str(e.toNode))) continue;
        this.doc.addEdge(this.path, { ...clone(e), id: newId(), fromNode: ids.get(str(e.fromNode))!, toNode: ids.get(str(e.toNode))! });
      }
    });
    this.selection = new Set(ids.values());
  }

  duplicate(): void {
    const nodes = this.withEnclosed(this.selectedNodes());
    if (!nodes.length) return;
    const records: Record<string, JsonObject> = {};
    nodes.forEach((n) => { const r = this.doc.sidecarRecord(this.path, n.id); if (r) records[n.id] = r; });
    this.placeCopies(nodes, this.doc.edges(this.path), records, this.path, { x: 30, y: 30 });
  }

  copy(): boolean {
    const nodes = this.withEnclosed(this.selectedNodes());
    if (!nodes.length) return false;
    const ids = new Set(nodes.map((n) => n.id));
    const records: Record<string, JsonObject> = {};
    nodes.forEach((n) => { const r = this.doc.sidecarRecord(this.path, n.id); if (r) records[n.id] = clone(r); });
    this.clipboard = {
      nodes: clone(nodes),
      edges: clone(this.doc.edges(this.path).filter((e) => ids.has(e.fromNode) && ids.has(e.toNode))),
      records, path: this.path,
    };
    return true;
  }

  pasteCards(): boolean {
    if (!this.clipboard) return false;
    const { nodes, edges, records, path } = this.clipboard;
    const u = union(nodes.map(box))!;
    const { width, height } = this.size();
    const centre = toCanvas(this.view, { x: width / 2, y: height / 2 });
    const offset = path === this.path ? { x: 30, y: 30 } : { x: snap(centre.x - u.x - u.width / 2), y: snap(centre.y - u.y - u.height / 2) };
    this.placeCopies(nodes, edges, records, path, offset);
    return true;
  }

  connect(fromId: string, fromSide: string, toId: string, toSide: string): void {
    if (fromId === toId) return;
    this.change(() => this.doc.addEdge(this.path, { id: newId(), fromNode: fromId, fromSide, toNode: toId, toSide }));
  }

  editEdgeLabel(id: string): void {
    const edge = this.doc.edges(this.path).find((e) => e.id === id);
    if (!edge) return;
    this.ask("Connection label", str(edge.label), (label) => {
      this.change(() => { if (label) edge.label = label; else delete edge.label; });
    });
  }

  // ---- ink -----------------------------------------------------------------------------------

  private addInk(stroke: Stroke | null, line: InkLine | null): void {
    const existing = this.inkCard && this.doc.node(this.path, this.inkCard) ? this.inkCard : null;
    const id = existing ?? newId();
    this.change(() => {
      const record = this.doc.sidecarRecord(this.path, id) ?? { role: "ink", source: { strokes: [], lines: [] } };
      const source: JsonObject = isObject(record.source) ? record.source : (record.source = { strokes: [], lines: [] });
      const strokes: Json[] = Array.isArray(source.strokes) ? source.strokes : (source.strokes = []);
      const lines: Json[] = Array.isArray(source.lines) ? source.lines : (source.lines = []);
      if (stroke) strokes.push(strokeJson(stroke));
      if (line) lines.push(lineJson(line));
      this.doc.setSidecarRecord(this.path, id, record);
      const bounds = inkBounds(readInk(record)!)!;
      if (!existing) this.doc.addNode(this.path, { id, type: "file", ...bounds });
      else Object.assign(this.doc.node(this.path, id)!, bounds);
    });
    this.inkCard = id;
  }

  setTool(tool: Tool): void {
    this.tool = tool;
    this.inkCard = null;
    this.stopEditing(true);
    this.invalidate();
  }

  // ---- media and links -----------------------------------------------------------------------

  async addImage(file: Blob, at: Point): Promise<void> {
    const data = await new Promise<string>((resolve, reject) => {
      const reader = new FileReader();
      reader.onload = () => resolve(String(reader.result).replace(/^data:[^,]*,/, ""));
      reader.onerror = () => reject(reader.error);
      reader.readAsDataURL(file);
    });
    try {
      const { src } = await this.conn.bridge.request<{ src: string }>("media", { type: file.type, data });
      const size = await new Promise<{ w: number; h: number }>((resolve) => {
        const img = new Image();
        img.onload = () => resolve({ w: img.naturalWidth || 400, h: img.naturalHeight || 300 });
        img.onerror = () => resolve({ w: 400, h: 300 });
        img.src = this.conn.mediaURL(src);
      });
      const scale = Math.min(1, 400 / size.w, 400 / size.h);
      const width = Math.max(40, Math.round(size.w * scale)), height = Math.max(40, Math.round(size.h * scale));
      const id = newId();
      this.change(() => this.doc.addNode(this.path, { id, type: "file", file: src, x: snap(at.x - width / 2), y: snap(at.y - height / 2), width, height }));
      this.selection = new Set([id]);
    } catch (error) {
      this.toast((error as Error).message, true);
    }
  }

  addLink(url: string, at: Point): void {
    const id = newId();
    const path = this.path;
    this.change(() => this.doc.addNode(path, { id, type: "link", url, x: snap(at.x - 150), y: snap(at.y - 80), width: 300, height: 160 }));
    this.selection = new Set([id]);
    void this.fetchPreview(id);
  }

  // The preview is the page's own data: it lives in the card's sidecar record.
  private async fetchPreview(id: string): Promise<void> {
    const path = this.path;
    const node = this.doc.node(path, id);
    const url = node ? str(node.url) : "";
    if (!/^https?:\/\//i.test(url)) return;
    try {
      const preview = await this.conn.bridge.request<JsonObject>("preview", { url });
      const current = this.doc.node(path, id);
      if (!current || str(current.url) !== url || !isObject(preview)) return;
      const record = { ...(this.doc.sidecarRecord(path, id) ?? {}), preview };
      this.change(() => this.doc.setSidecarRecord(path, id, record));
    } catch (error) {
      this.toast(`No preview for ${url}: ${(error as Error).message}`);
    }
  }

  // ---- document commands ---------------------------------------------------------------------

  renameMap(): void {
    this.ask("Map name", this.name, async (name) => {
      if (!name.trim() || name === this.name) return;
      try {
        await this.conn.bridge.request("rename", { name: name.trim() });
        this.setName(name.trim());
      } catch (error) {
        this.toast((error as Error).message, true);
      }
    });
  }

  private shareRecord(): JsonObject | null {
    const s = this.doc.map(rootPath)!.sidecar.share;
    return isObject(s) ? s : null;
  }

  async share(): Promise<void> {
    const existing = this.shareRecord();
    if (existing && str(existing.url)) { this.showShare(str(existing.url)); return; }
    await this.saver.flush();
    // The withdrawal token stays private: it is not part of what others receive.
    const state = JSON.parse(this.doc.snapshot());
    for (const m of state.maps) if (m.path === rootPath && isObject(m.sidecar)) delete m.sidecar.share;
    try {
      const answer = await this.conn.bridge.request<JsonObject>("share", { state, name: this.name || "Shared map" });
      const url = isObject(answer) ? str(answer.url) || str(answer.link) || str(answer.shareURL) : "";
      if (isObject(answer)) {
        this.change(() => { this.doc.map(rootPath)!.sidecar.share = { id: str(answer.id), token: str(answer.token), url }; });
      }
      this.showShare(url || "Shared.");
    } catch (error) {
      this.toast(`Could not share: ${(error as Error).message}`, true);
    }
  }

  async unshare(): Promise<void> {
    const s = this.shareRecord();
    if (!s) return;
    try {
      await this.conn.bridge.request("unshare", { id: str(s.id), token: str(s.token) });
      this.change(() => { delete this.doc.map(rootPath)!.sidecar.share; });
      $("shareDialog").hidden = true;
      this.toast("The map is no longer shared.");
    } catch (error) {
      this.toast(`Could not stop sharing: ${(error as Error).message}`, true);
    }
  }

  private showShare(url: string): void {
    const dialog = $("shareDialog");
    const field = $<HTMLInputElement>("shareURL");
    field.value = url;
    dialog.hidden = false;
    field.focus();
    field.select();
  }

  // ---- chrome, dialogs -----------------------------------------------------------------------

  private showSaveStatus(status: string, error: string | null): void {
    const el = $("saveStatus");
    el.dataset.status = status;
    el.textContent = status === "failed" ? "Not saved" : status === "saved" ? "Saved" : "Saving…";
    el.title = error ?? "";
    if (error) this.toast(`Not saved: ${error}`, true);
  }

  toast(message: string, isError = false): void {
    const t = $("toast");
    t.textContent = message;
    t.classList.toggle("error", isError);
    t.hidden = false;
    clearTimeout(Number(t.dataset.timer));
    t.dataset.timer = String(setTimeout(() => { t.hidden = true; }, isError ? 8000 : 3500));
  }

  private ask(title: string, value: string, done: (value: string) => void): void {
    const dialog = $("askDialog");
    const field = $<HTMLInputElement>("askField");
    $("askTitle").textContent = title;
    field.value = value;
    dialog.hidden = false;
    field.focus();
    field.select();
    const finish = (ok: boolean) => {
      dialog.hidden = true;
      field.onkeydown = null;
      $("askOK").onclick = null;
      $("askCancel").onclick = null;
      this.viewport.focus();
      if (ok) done(field.value);
    };
    field.onkeydown = (e) => {
      e.stopPropagation();
      if (e.key === "Enter") finish(true);
      if (e.key === "Escape") finish(false);
    };
    $("askOK").onclick = () => finish(true);
    $("askCancel").onclick = () => finish(false);
  }

  toggleShortcuts(show?: boolean): void {
    const dialog = $("shortcuts");
    dialog.hidden = show === undefined ? !dialog.hidden : !show;
    if (!dialog.hidden) $("shortcutsClose").focus();
  }

  private bindChrome(): void {
    const on = (id: string, fn: () => void) => $(id).addEventListener("click", () => { fn(); this.viewport.focus(); });
    on("homeBtn", () => void this.conn.bridge.request("home").catch((e) => this.toast(e.message, true)));
    on("undoBtn", () => this.undoChange());
    on("redoBtn", () => this.redoChange());
    on("tool-select", () => this.setTool("select"));
    on("tool-pen", () => this.setTool("pen"));
    on("tool-line", () => this.setTool("line"));
    on("addCard", () => { const { width, height } = this.size(); this.createCard(toCanvas(this.view, { x: width / 2, y: height / 2 })); });
    on("shareBtn", () => void this.share());
    on("feedbackBtn", () => void this.conn.bridge.request("feedback", {}).catch((e) => this.toast(e.message, true)));
    on("zoomIn", () => this.zoomBy(1.25));
    on("zoomOut", () => this.zoomBy(0.8));
    on("zoomFit", () => this.fit());
    on("zoom-indicator", () => { this.view = { ...this.view, z: 1 }; this.zoomBy(1); });
    on("shortcutsLink", () => this.toggleShortcuts());
    $("shortcutsClose").addEventListener("click", () => this.toggleShortcuts(false));
    $("shareClose").addEventListener("click", () => { $("shareDialog").hidden = true; this.viewport.focus(); });
    $("shareCopy").addEventListener("click", () => { void navigator.clipboard?.writeText($<HTMLInputElement>("shareURL").value); this.toast("Link copied."); });
    $("unshareBtn").addEventListener("click", () => void this.unshare());
    on("ctx-open", () => { const [id] = this.selection; if (id) this.openSubmap(id); });
    on("ctx-group", () => this.groupSelection());
    on("ctx-front", () => this.restack(true));
    on("ctx-back", () => this.restack(false));
    on("ctx-dup", () => this.duplicate());
    on("ctx-delete", () => this.deleteSelection());
    for (const how of ["left", "hcenter", "right", "top", "vcenter", "bottom"] as Alignment[]) on(`align-${how}`, () => this.alignSelection(how));

    const swatches = $("swatches");
    const none = document.createElement("button");
    none.className = "swatch none";
    none.title = "No colour (0)";
    none.setAttribute("aria-label", "No colour");
    none.addEventListener("click", () => this.setColour(null));
    swatches.append(none, ...presets.map((p) => {
      const b = document.createElement("button");
      b.className = "swatch";
      b.style.background = `var(--c${p.id})`;
      b.title = `${p.name} (${p.id})`;
      b.setAttribute("aria-label", p.name);
      b.addEventListener("click", () => this.setColour(p.id));
      return b;
    }));
    $("pens").append(...pens.map((pen) => {
      const b = document.createElement("button");
      b.className = "pen";
      b.dataset.pen = pen;
      b.title = pen;
      b.setAttribute("aria-label", `Pen ${pen}`);
      b.style.background = pen === "default" ? "var(--ink-default)" : penHex[pen];
      b.addEventListener("click", () => { this.pen = pen; document.querySelectorAll(".pen").forEach((p) => p.classList.toggle("active", p === b)); });
      if (pen === this.pen) b.classList.add("active");
      return b;
    }));
    document.querySelectorAll<HTMLButtonElement>("[data-style]").forEach((b) => b.addEventListener("click", () => {
      this.lineStyle = b.dataset.style as LineStyle;
      document.querySelectorAll("[data-style]").forEach((o) => o.classList.toggle("active", o === b));
    }));

    const list = $("shortcutList");
    list.replaceChildren(...commands.map((c) => {
      const row = document.createElement("div");
      row.className = "shortcut";
      const k = document.createElement("kbd");
      k.textContent = c.keys;
      const l = document.createElement("span");
      l.textContent = c.label;
      row.append(l, k);
      return row;
    }));
    $("version").textContent = `velk ${__VELK_VERSION__}${this.conn.native ? "" : " · browser demo"}`;
  }

  // ---- pointer -------------------------------------------------------------------------------

  private bindPointer(): void {
    const vp = this.viewport;
    vp.addEventListener("wheel", (e) => {
      e.preventDefault();
      if (e.ctrlKey || e.metaKey) this.zoomBy(Math.exp(-e.deltaY * (e.deltaMode === 1 ? 0.05 : 0.0025)), this.viewportPoint(e));
      else {
        const scale = e.deltaMode === 1 ? 20 : 1;
        this.view = { ...this.view, x: this.view.x - (e.shiftKey && !e.deltaX ? e.deltaY : e.deltaX) * scale, y: this.view.y - (e.shiftKey && !e.deltaX ? 0 : e.deltaY) * scale };
        this.invalidate();
      }
    }, { passive: false });

    vp.addEventListener("pointerdown", (e) => this.pointerDown(e));
    vp.addEventListener("pointermove", (e) => this.pointerMove(e));
    vp.addEventListener("pointerup", (e) => this.pointerUp(e));
    vp.addEventListener("pointercancel", (e) => this.pointerUp(e));
    vp.addEventListener("dblclick", (e) => this.doubleClick(e));
    vp.addEventListener("change", (e) => {
      const box = e.target as HTMLInputElement;
      const cardEl = box.closest<HTMLElement>(".card");
      if (box.type !== "checkbox" || !cardEl?.dataset.id) return;
      const node = this.doc.node(this.path, cardEl.dataset.id);
      if (node) this.change(() => { node.text = toggleTask(str(node.text), Number(box.dataset.line)); });
    });
    vp.addEventListener("dragover", (e) => e.preventDefault());
    vp.addEventListener("drop", (e) => {
      e.preventDefault();
      const at = this.canvasPoint(e);
      const files = Array.from(e.dataTransfer?.files ?? []).filter((f) => f.type.startsWith("image/"));
      files.forEach((f, i) => void this.addImage(f, { x: at.x + i * 30, y: at.y + i * 30 }));
      const url = e.dataTransfer?.getData("text/uri-list") || e.dataTransfer?.getData("text/plain") || "";
      if (!files.length && /^https?:\/\/\S+$/.test(url.trim())) this.addLink(url.trim(), at);
    });
  }

  private pointerDown(e: PointerEvent): void {
    const target = e.target as Element;
    if (target.closest("a, input[type=checkbox], .card-editor")) return;
    this.viewport.focus({ preventScroll: true });
    const p = this.viewportPoint(e);
    const drag: Drag = { kind: "pan", start: p, last: p, moved: false };
    const cardEl = target.closest<HTMLElement>(".card");
    const edgeEl = target.closest<SVGGElement>("[data-edge]");
    if (this.editing && cardEl?.dataset.id !== this.editing.id) this.stopEditing(true);

    if (this.tool !== "select" && e.button === 0) {
      drag.kind = "ink";
      drag.origin = new Map([["points", { x: 0, y: 0, width: 0, height: 0 }]]);
      this.inkPoints = [this.canvasPoint(e)];
    } else if (e.button === 1 || (e.button === 0 && e.altKey)) {
      drag.kind = "pan";
    } else if (target.classList.contains("handle") && cardEl?.dataset.id) {
      drag.kind = "connect";
      drag.fromId = cardEl.dataset.id;
      drag.fromSide = (target as HTMLElement).dataset.side;
    } else if (target.classList.contains("resize") && cardEl?.dataset.id) {
      drag.kind = "resize";
      drag.fromId = cardEl.dataset.id;
      const node = this.doc.node(this.path, cardEl.dataset.id)!;
      drag.origin = new Map([[node.id, box(node)]]);
    } else if (cardEl?.dataset.id) {
      const id = cardEl.dataset.id;
      this.selectedEdge = null;
      if (e.shiftKey) {
        if (this.selection.has(id)) this.selection.delete(id); else this.selection.add(id);
      } else if (!this.selection.has(id)) this.selection = new Set([id]);
      drag.kind = "move";
      drag.origin = new Map(this.withEnclosed(this.selectedNodes()).map((n) => [n.id, box(n)]));
    } else if (edgeEl) {
      this.selection.clear();
      this.selectedEdge = edgeEl.dataset.edge ?? null;
      drag.kind = "pan";
    } else if (e.shiftKey) {
      drag.kind = "band";
    } else {
      this.selection.clear();
      this.selectedEdge = null;
      drag.kind = "pan";
      drag.startView = { ...this.view };
    }
    drag.startView = { ...this.view };
    this.drag = drag;
    this.dragBefore = drag.kind === "move" || drag.kind === "resize" ? this.snapshot() : null;
    this.viewport.setPointerCapture(e.pointerId);
    this.invalidate();
  }

  private inkPoints: Point[] = [];
  private dragBefore: Snapshot | null = null;

  private pointerMove(e: PointerEvent): void {
    const drag = this.drag;
    if (!drag) return;
    const p = this.viewportPoint(e);
    if (!drag.moved && Math.hypot(p.x - drag.start.x, p.y - drag.start.y) < 3) return;
    drag.moved = true;
    const dx = (p.x - drag.start.x) / this.view.z, dy = (p.y - drag.start.y) / this.view.z;
    switch (drag.kind) {
      case "pan":
        this.view = { ...drag.startView!, x: drag.startView!.x + p.x - drag.start.x, y: drag.startView!.y + p.y - drag.start.y };
        this.viewport.classList.add("panning");
        break;
      case "move":
        for (const [id, r] of drag.origin!) {
          const n = this.doc.node(this.path, id);
          if (n) { n.x = snap(r.x + dx); n.y = snap(r.y + dy); }
        }
        break;
      case "resize": {
        const [[id, r]] = [...drag.origin!];
        const n = this.doc.node(this.path, id);
        if (n) { n.width = Math.max(40, snap(r.width + dx)); n.height = Math.max(30, snap(r.height + dy)); }
        break;
      }
      case "band": {
        const r = rectFromPoints(drag.start, p);
        Object.assign(this.band.style, { left: `${r.x}px`, top: `${r.y}px`, width: `${r.width}px`, height: `${r.height}px`, display: "block" });
        const cr = rectFromPoints(toCanvas(this.view, drag.start), toCanvas(this.view, p));
        this.selection = new Set(this.items.filter((i) => intersects(i.rect, cr)).map((i) => i.id));
        break;
      }
      case "connect":
      case "ink": {
        const c = toCanvas(this.view, p);
        if (drag.kind === "ink") this.inkPoints.push(c);
        this.drawOverlay(drag, c);
        break;
      }
    }
    drag.last = p;
    this.invalidate();
  }

  private drawOverlay(drag: Drag, c: Point): void {
    this.overlay.style.transform = `translate(${this.view.x}px, ${this.view.y}px) scale(${this.view.z})`;
    if (drag.kind === "ink") {
      const pts = this.tool === "line" ? [this.inkPoints[0], c] : this.inkPoints;
      const d = this.tool === "line" ? linePath({ x1: pts[0].x, y1: pts[0].y, x2: c.x, y2: c.y, mids: [], palette: this.pen, style: this.lineStyle }) : polyline(pts);
      this.overlay.replaceChildren(inkPath(d, this.pen));
    } else {
      const from = this.doc.node(this.path, drag.fromId!);
      if (!from) return;
      const r = box(from);
      const side = drag.fromSide ?? "right";
      const a = side === "top" ? { x: r.x + r.width / 2, y: r.y } : side === "bottom" ? { x: r.x + r.width / 2, y: r.y + r.height } :
        side === "left" ? { x: r.x, y: r.y + r.height / 2 } : { x: r.x + r.width, y: r.y + r.height / 2 };
      this.overlay.replaceChildren(svg("path", { d: `M${a.x} ${a.y} L${c.x} ${c.y}`, class: "connecting" }));
    }
  }

  private pointerUp(e: PointerEvent): void {
    const drag = this.drag;
    this.drag = null;
    if (!drag) return;
    this.viewport.classList.remove("panning");
    this.band.style.display = "none";
    this.overlay.replaceChildren();
    const c = this.canvasPoint(e);
    if (drag.kind === "move" || drag.kind === "resize") {
      if (drag.moved && this.dragBefore) this.change(() => {}, null, this.dragBefore);
      else if (drag.kind === "move" && !e.shiftKey) {
        const id = (e.target as Element).closest<HTMLElement>(".card")?.dataset.id;
        if (id) this.selection = new Set([id]);
      }
    } else if (drag.kind === "connect" && drag.moved) {
      const target = hitTest(this.items.filter((i) => i.id !== drag.fromId), c);
      if (target) this.connect(drag.fromId!, drag.fromSide ?? "right", target.id, nearestSide(target.rect, c));
      else {
        const id = this.createCard(c, "", false);
        this.doc.addEdge(this.path, { id: newId(), fromNode: drag.fromId!, fromSide: drag.fromSide ?? "right", toNode: id, toSide: nearestSide(box(this.doc.node(this.path, id)!), toCanvas(this.view, drag.start)) });
        this.startEditing(id);
      }
    } else if (drag.kind === "ink") {
      const pts = this.inkPoints;
      this.inkPoints = [];
      if (this.tool === "line" && pts.length && Math.hypot(c.x - pts[0].x, c.y - pts[0].y) > 2) {
        this.addInk(null, { x1: pts[0].x, y1: pts[0].y, x2: c.x, y2: c.y, mids: [], palette: this.pen, style: this.lineStyle });
      } else if (this.tool === "pen" && pts.length >= 2) {
        this.addInk({ points: simplify(pts, 0.75 / this.view.z), palette: this.pen }, null);
      }
    }
    this.dragBefore = null;
    this.invalidate();
  }

  private doubleClick(e: MouseEvent): void {
    if (this.tool !== "select") return;
    const target = e.target as Element;
    if (target.closest(".card-editor, a")) return;
    const edgeEl = target.closest<SVGGElement>("[data-edge]");
    if (edgeEl?.dataset.edge) { this.editEdgeLabel(edgeEl.dataset.edge); return; }
    const id = target.closest<HTMLElement>(".card")?.dataset.id;
    if (!id) { this.createCard(this.canvasPoint(e)); return; }
    const node = this.doc.node(this.path, id);
    if (!node) return;
    if (this.doc.hasSubmap(this.path, id)) this.openSubmap(id);
    else this.startEditing(id);
  }

  // ---- keyboard ------------------------------------------------------------------------------

  private bindKeys(): void {
    document.addEventListener("keydown", (e) => {
      if (this.editing || (e.target as Element).closest?.("input, textarea, dialog, .dialog")) {
        if (e.key === "Escape") { this.toggleShortcuts(false); $("shareDialog").hidden = true; }
        return;
      }
      const target = e.target as Element;
      // Buttons keep Enter and Space; Tab walks between cards only on the canvas itself.
      if (target.closest?.("button") && (e.key === "Enter" || e.key === " ")) return;
      if (e.key === "Tab" && target !== this.viewport) return;
      const command = commandFor(e);
      if (!command) return;
      if (this.run(command.id, e)) e.preventDefault();
    });
  }

  private run(id: string, e: KeyboardEvent): boolean {
    const { width, height } = this.size();
    const centre = toCanvas(this.view, { x: width / 2, y: height / 2 });
    const [first] = this.selection;
    switch (id) {
      case "new": this.createCard(centre); return true;
      case "edit": if (first) this.startEditing(first); else if (this.selectedEdge) this.editEdgeLabel(this.selectedEdge); return true;
      case "escape":
        if (!$("shortcuts").hidden || !$("shareDialog").hidden) { this.toggleShortcuts(false); $("shareDialog").hidden = true; }
        else if (this.tool !== "select") this.setTool("select");
        else { this.selection.clear(); this.selectedEdge = null; this.invalidate(); }
        return true;
      case "next": this.focusNext(e.shiftKey ? -1 : 1); return true;
      case "move": {
        const step = e.shiftKey ? 100 : 10;
        const d = { ArrowLeft: [-step, 0], ArrowRight: [step, 0], ArrowUp: [0, -step], ArrowDown: [0, step] }[e.key];
        if (!d) return false;
        if (this.selection.size) this.moveSelection(d[0], d[1]);
        else { this.view = { ...this.view, x: this.view.x - d[0] * 4, y: this.view.y - d[1] * 4 }; this.invalidate(); }
        return true;
      }
      case "delete": this.deleteSelection(); return true;
      case "selectAll": this.selection = new Set(this.items.map((i) => i.id)); this.invalidate(); return true;
      case "duplicate": this.duplicate(); return true;
      case "undo": this.undoChange(); return true;
      case "redo": this.redoChange(); return true;
      case "group": this.groupSelection(); return true;
      case "submap": if (first) this.openSubmap(first); return true;
      case "up": this.goUp(); return true;
      case "front": this.restack(true); return true;
      case "back": this.restack(false); return true;
      case "colour": this.setColour(e.key === "0" ? null : e.key); return true;
      case "align": this.alignSelection(({ l: "left", r: "right", t: "top", b: "bottom" } as const)[e.key.toLowerCase() as "l"]); return true;
      case "zoom": this.zoomBy(e.key === "-" || e.key === "_" ? 0.8 : 1.25); return true;
      case "zoomReset": this.view = { ...this.view, z: 1 }; this.zoomBy(1); return true;
      case "fit": this.fit(); return true;
      case "toolSelect": this.setTool("select"); return true;
      case "toolPen": this.setTool("pen"); return true;
      case "toolLine": this.setTool("line"); return true;
      case "edgeLabel": if (this.selectedEdge) this.editEdgeLabel(this.selectedEdge); return true;
      case "help": this.toggleShortcuts(); return true;
      case "saveAs": void this.saver.flush().then(() => this.conn.bridge.request("saveAs")).catch((err: Error) => this.toast(err.message, true)); return true;
    }
    return false;
  }

  // Keyboard navigation between cards in reading order (top to bottom, left to right), keeping
  // the chosen card in view.
  private focusNext(step: number): void {
    const ordered = [...this.items].filter((i) => i.node.type !== "group" || this.items.length === 1)
      .sort((a, b) => a.rect.y - b.rect.y || a.rect.x - b.rect.x);
    if (!ordered.length) return;
    const [current] = this.selection;
    const at = ordered.findIndex((i) => i.id === current);
    const next = ordered[(at < 0 ? (step > 0 ? 0 : -1) : at + step + ordered.length) % ordered.length] ?? ordered[ordered.length - 1];
    this.selection = new Set([next.id]);
    this.selectedEdge = null;
    const { width, height } = this.size();
    const seen = visibleRect(this.view, width, height);
    if (!intersects(inflate(seen, -40 / this.view.z), next.rect)) {
      this.view = { ...this.view, x: width / 2 - (next.rect.x + next.rect.width / 2) * this.view.z, y: height / 2 - (next.rect.y + next.rect.height / 2) * this.view.z };
    }
    this.invalidate();
  }

  // ---- clipboard -----------------------------------------------------------------------------

  private bindClipboard(): void {
    const busy = (e: Event) => this.editing || (e.target as Element)?.closest?.("input, textarea");
    document.addEventListener("copy", (e) => {
      if (busy(e) || !this.copy()) return;
      e.clipboardData?.setData("text/plain", this.selectedNodes().map((n) => str(n.text) || str(n.url) || str(n.label)).join("\n\n"));
      e.preventDefault();
    });
    document.addEventListener("cut", (e) => {
      if (busy(e) || !this.copy()) return;
      e.preventDefault();
      this.deleteSelection();
    });
    document.addEventListener("paste", (e) => {
      if (busy(e)) return;
      e.preventDefault();
      const { width, height } = this.size();
      const at = toCanvas(this.view, { x: width / 2, y: height / 2 });
      const images = Array.from(e.clipboardData?.files ?? []).filter((f) => f.type.startsWith("image/"));
      if (images.length) { images.forEach((f, i) => void this.addImage(f, { x: at.x + i * 30, y: at.y + i * 30 })); return; }
      const text = (e.clipboardData?.getData("text/plain") ?? "").trim();
      const fromUs = this.clipboard && text === this.clipboard.nodes.map((n) => str(n.text) || str(n.url) || str(n.label)).join("\n\n").trim();
      if (this.clipboard && (fromUs || !text)) { this.pasteCards(); return; }
      if (/^https?:\/\/\S+$/.test(text)) this.addLink(text, at);
      else if (text) this.createCard(at, text, false);
    });
  }
}

// Drops points closer than `tolerance` to the previous kept one, so strokes stay small.
function simplify(points: Point[], tolerance: number): Point[] {
  const out = [points[0]];
  for (let i = 1; i < points.length; i++) {
    const last = out[out.length - 1];
    if (Math.hypot(points[i].x - last.x, points[i].y - last.y) >= tolerance || i === points.length - 1) out.push(points[i]);
  }
  return out;
}

