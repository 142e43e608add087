// The document the page edits: every map of the package, keyed by map path, each with its
// canvas and sidecar kept as the plain objects velk sent. The page changes only the members it
// knows, so everything else survives a save exactly as it was loaded.
import { Json, JsonObject, clone, isObject, num, str } from "./json";

export interface CardNode extends JsonObject {
  id: string;
  type: string;
  x: number;
  y: number;
  width: number;
  height: number;
}

export interface CanvasEdge extends JsonObject {
  id: string;
  fromNode: string;
  toNode: string;
}

export interface MapEntry {
  record: JsonObject; // the map object as received: "path", "canvas", "sidecar" and anything else
  canvas: JsonObject;
  sidecar: JsonObject;
}

export const rootPath = "/";

// Whether a card's id can name a submap of its own: "" would name the map the card is on, and
// an id with "/" the map of a card further down. Such a card has no submap in the page.
export function ownsSubmap(id: string): boolean {
  return id !== "" && !id.includes("/");
}

export function submapPath(parent: string, id: string): string {
  return parent === rootPath ? `/${id}` : `${parent}/${id}`;
}

export function parentPath(path: string): string | null {
  if (path === rootPath) return null;
  const cut = path.lastIndexOf("/");
  return cut <= 0 ? rootPath : path.slice(0, cut);
}

// The paths from the root down to `path`, both included.
export function mapTrail(path: string): string[] {
  const trail: string[] = [];
  for (let p: string | null = path; p !== null; p = parentPath(p)) trail.unshift(p);
  return trail;
}

// The id of the card that opens the submap at `path`.
export function cardIdOf(path: string): string {
  return path.slice(path.lastIndexOf("/") + 1);
}

export function isCard(value: unknown): value is CardNode {
  return isObject(value) && typeof value.id === "string";
}

export function isEdge(value: unknown): value is CanvasEdge {
  return isObject(value) && typeof value.id === "string" &&
    typeof value.fromNode === "string" && typeof value.toNode === "string";
}

// Position and size as numbers, whatever the file held, and within `far` of 0, so that sums of
// them (bounds, the view that fits them, where a copy lands) stay finite too.
const far = 1e15;
const near = (v: number) => Math.min(far, Math.max(-far, v));

export function box(node: CardNode): { x: number; y: number; width: number; height: number } {
  return {
    x: near(num(node.x)), y: near(num(node.y)),
    width: near(Math.max(1, num(node.width, 250))), height: near(Math.max(1, num(node.height, 60))),
  };
}

export function newId(): string {
  const bytes = new Uint8Array(8);
  crypto.getRandomValues(bytes);
  return Array.from(bytes, (b) => b.toString(16).padStart(2, "0")).join("");
}

// A canvas member that should be an array, as one: another program may have written an object
// of cards, or a lone value; its content must survive the first edit.
function asArray(value: Json | undefined): Json[] {
  if (value === undefined) return [];
  if (Array.isArray(value)) return value;
  return isObject(value) ? (Object.values(value).filter((v) => v !== undefined) as Json[]) : [value];
}

// Cards of another program's canvas may share an id, and the page finds, edits and deletes cards
// by id: the later ones get ids of their own, or deleting one would delete them all.
function giveRepeatedIdsTheirOwn(cards: Json | undefined): void {
  const seen = new Set<string>();
  for (const card of Array.isArray(cards) ? cards : []) {
    if (!isCard(card)) continue;
    if (seen.has(card.id)) card.id = newId();
    seen.add(card.id);
  }
}

export class MapDocument {
  readonly maps = new Map<string, MapEntry>();
  private extra: JsonObject = {};

  static fromState(state: unknown): MapDocument {
    const doc = new MapDocument();
    if (isObject(state)) {
      for (const [key, value] of Object.entries(state)) if (key !== "maps" && value !== undefined) doc.extra[key] = value;
      const maps = Array.isArray(state.maps) ? state.maps : [];
      for (const record of maps) {
        if (!isObject(record) || typeof record.path !== "string" || doc.maps.has(record.path)) continue;
        doc.adopt(record);
      }
    }
    if (!doc.maps.has(rootPath)) doc.adopt({ path: rootPath, canvas: { nodes: [], edges: [] }, sidecar: {} });
    return doc;
  }

  private adopt(record: JsonObject): MapEntry {
    if (!isObject(record.canvas)) record.canvas = { nodes: [], edges: [] };
    if (!isObject(record.sidecar)) record.sidecar = {};
    giveRepeatedIdsTheirOwn((record.canvas as JsonObject).nodes);
    const entry = { record, canvas: record.canvas as JsonObject, sidecar: record.sidecar as JsonObject };
    this.maps.set(str(record.path), entry);
    return entry;
  }

  // The save body: always the whole document, maps in the order they were loaded or created.
  saveBody(): JsonObject {
    return { ...this.extra, maps: Array.from(this.maps.values(), (m) => m.record) };
  }

  snapshot(): string {
    return JSON.stringify(this.saveBody());
  }

  map(path: string): MapEntry | undefined {
    return this.maps.get(path);
  }

  nodes(path: string): CardNode[] {
    const m = this.maps.get(path);
    return m ? (asArray(m.canvas.nodes).filter(isCard) as CardNode[]) : [];
  }

  edges(path: string): CanvasEdge[] {
    const m = this.maps.get(path);
    return m ? (asArray(m.canvas.edges).filter(isEdge) as CanvasEdge[]) : [];
  }

  // The raw arrays, created on first write so a canvas that never had "edges" is not changed
  // just by being looked at.
  nodeArray(path: string): Json[] {
    const canvas = this.require(path).canvas;
    if (!Array.isArray(canvas.nodes)) canvas.nodes = asArray(canvas.nodes);
    return canvas.nodes as Json[];
  }

  edgeArray(path: string): Json[] {
    const canvas = this.require(path).canvas;
    if (!Array.isArray(canvas.edges)) canvas.edges = asArray(canvas.edges);
    return canvas.edges as Json[];
  }

  node(path: string, id: string): CardNode | undefined {
    return this.nodes(path).find((n) => n.id === id);
  }

  hasSubmap(path: string, id: string): boolean {
    return ownsSubmap(id) && this.maps.has(submapPath(path, id));
  }

  createSubmap(path: string, id: string): string {
    const sub = submapPath(path, id);
    if (!this.maps.has(sub)) this.adopt({ path: sub, canvas: { nodes: [], edges: [] }, sidecar: {} });
    return sub;
  }

  // The page's own record for a card in the map's sidecar ("nodes" keyed by card id).
  sidecarRecord(path: string, id: string): JsonObject | undefined {
    const nodes = this.require(path).sidecar.nodes;
    const record = isObject(nodes) ? nodes[id] : undefined;
    return isObject(record) ? record : undefined;
  }

  setSidecarRecord(path: string, id: string, record: JsonObject | undefined): void {
    const sidecar = this.require(path).sidecar;
    if (!isObject(sidecar.nodes)) {
      if (!record) return;
      sidecar.nodes = {};
    }
    const nodes = sidecar.nodes as JsonObject;
    if (record) nodes[id] = record;
    else delete nodes[id];
  }

  addNode(path: string, node: CardNode): void {
    this.nodeArray(path).push(node);
  }

  addEdge(path: string, edge: CanvasEdge): void {
    this.edgeArray(path).push(edge);
  }

  // Removes cards with their edges, sidecar records and submaps (and everything below those).
  removeNodes(path: string, ids: Iterable<string>): void {
    const gone = new Set(ids);
    if (!gone.size) return;
    const canvas = this.require(path).canvas;
    if (Array.isArray(canvas.nodes)) canvas.nodes = canvas.nodes.filter((n) => !(isCard(n) && gone.has(n.id)));
    if (Array.isArray(canvas.edges)) {
      canvas.edges = canvas.edges.filter((e) => !(isEdge(e) && (gone.has(e.fromNode) || gone.has(e.toNode))));
    }
    for (const id of gone) {
      this.setSidecarRecord(path, id, undefined);
      if (ownsSubmap(id)) this.removeSubtree(submapPath(path, id));
    }
  }

  removeEdges(path: string, ids: Iterable<string>): void {
    const gone = new Set(ids);
    const canvas = this.require(path).canvas;
    if (Array.isArray(canvas.edges)) canvas.edges = canvas.edges.filter((e) => !(isEdge(e) && gone.has(e.id)));
  }

  private removeSubtree(path: string): void {
    for (const key of this.tree(path)) this.maps.delete(key);
  }

  // Copies of the map records of the submap tree below `path` (the map itself first).
  subtree(path: string): JsonObject[] {
    return Array.from(this.tree(path), (key) => clone(this.maps.get(key)!.record));
  }

  // The paths of the map at `path` and of the submaps below it, followed card by card: a map
  // whose path only starts with `path` may be the submap of a card elsewhere whose id holds "/".
  private tree(path: string, out = new Set<string>()): Set<string> {
    if (!this.maps.has(path) || out.has(path)) return out;
    out.add(path);
    for (const n of this.nodes(path)) if (ownsSubmap(n.id)) this.tree(submapPath(path, n.id), out);
    return out;
  }

  // Adds map records taken by subtree() under another path, for duplicated and pasted cards.
  // velk gives the copies files of their own on the next save.
  graftSubtree(records: JsonObject[], from: string, to: string): void {
    for (const record of records) {
      const key = str(record.path);
      if (key !== from && !key.startsWith(from + "/")) continue;
      const copy = clone(record);
      copy.path = to + key.slice(from.length);
      if (!this.maps.has(str(copy.path))) this.adopt(copy);
    }
  }

  // Moves cards to the top (end of "nodes") or bottom of the drawing order.
  restack(path: string, ids: Set<string>, toFront: boolean): void {
    const all = this.nodeArray(path);
    const moving = all.filter((n) => isCard(n) && ids.has(n.id));
    const staying = all.filter((n) => !(isCard(n) && ids.has(n.id)));
    const next = toFront ? [...staying, ...moving] : [...moving, ...staying];
    all.splice(0, all.length, ...next);
  }

  // The map's title: the root's comes from the document name; a submap's from its card.
  title(path: string, documentName: string): string {
    const parent = parentPath(path);
    if (parent === null) return documentName;
    const id = cardIdOf(path);
    const card = this.node(parent, id);
    return card ? cardTitle(card) : id;
  }

  private require(path: string): MapEntry {
    const m = this.maps.get(path);
    if (!m) throw new Error(`no map ${path}`);
    return m;
  }
}

// The page is built against ES2020, whose types lack Intl.Segmenter; WebKitGTK and Chromium have it.
type Segmenter = { segment(text: string): Iterable<{ segment: string }> };
const SegmenterClass = (Intl as unknown as { Segmenter?: new (locale: undefined, options: { granularity: "grapheme" }) => Segmenter }).Segmenter;
const graphemeSegmenter = SegmenterClass ? new SegmenterClass(undefined, { granularity: "grapheme" }) : null;

// `text` as the characters a reader sees: an emoji sequence or a letter with its accents is one.
export function graphemes(text: string): string[] {
  return graphemeSegmenter ? Array.from(graphemeSegmenter.segment(text), (s) => s.segment) : Array.from(text);
}

// Whether a card may open a submap: a file card only when its file is a canvas. Saving makes a
// card that opens a submap point at the submap's file, so an image, a drawing or another
// program's file would lose what the card showed.
export function mayOpenSubmap(card: CardNode, hasSubmap: boolean): boolean {
  return hasSubmap || card.type !== "file" || /\.canvas$/i.test(str(card.file));
}

// A short human title for a card: its first line of text, label, link or file stem.
export function cardTitle(card: CardNode): string {
  let text = "";
  if (card.type === "group") text = str(card.label);
  else if (card.type === "link") text = str(card.url);
  else if (card.type === "file" && !str(card.text)) {
    const file = str(card.file);
    text = file.slice(file.lastIndexOf("/") + 1).replace(/\.canvas$/i, "");
  } else text = str(card.text);
  const line = text.split("\n").map((l) => l.replace(/^#+\s*/, "").trim()).find((l) => l) ?? "";
  if (line.length <= 60) return line || "Untitled";
  // Cut between whole characters, never inside an emoji.
  let cut = "";
  for (const g of graphemes(line)) {
    if (cut.length + g.length > 59) break;
    cut += g;
  }
  return cut + "…";
}
