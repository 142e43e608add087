// Copying cards: what a copy holds and how it is placed again. A copy carries everything that
// belongs to its cards (edges among them, sidecar records, whole submap trees) taken at copy
// time, so pasting after a cut, or after the originals changed, gives what was copied.
import { Point, union } from "./geometry";
import { translateInk } from "./inkEdit";
import { JsonObject, clone, str } from "./json";
import { CardNode, MapDocument, box, newId, ownsSubmap, submapPath } from "./model";

export interface CardCopy {
  path: string; // the map the cards were copied from
  nodes: CardNode[];
  edges: JsonObject[];
  records: Record<string, JsonObject>;
  submaps: JsonObject[]; // map records below the copied cards, under their original paths
}

export function copyCards(doc: MapDocument, path: string, nodes: CardNode[]): CardCopy | null {
  if (!nodes.length) return null;
  const ids = new Set(nodes.map((n) => n.id));
  const records: Record<string, JsonObject> = {};
  const submaps: JsonObject[] = [];
  for (const n of nodes) {
    const record = doc.sidecarRecord(path, n.id);
    if (record) records[n.id] = clone(record);
    if (ownsSubmap(n.id)) submaps.push(...doc.subtree(submapPath(path, n.id)));
  }
  const edges = doc.edges(path).filter((e) => ids.has(e.fromNode) && ids.has(e.toNode));
  return { path, nodes: clone(nodes), edges: clone(edges), records, submaps };
}

// Adds the copied cards to map `toPath`, moved by `offset`, with fresh ids for cards and
// edges; returns the new card ids in the order of the copy.
export function placeCopies(doc: MapDocument, copy: CardCopy, toPath: string, offset: Point, makeId = newId): string[] {
  const ids = new Map(copy.nodes.map((n) => [n.id, makeId()]));
  for (const n of copy.nodes) {
    const id = ids.get(n.id)!;
    const at = box(n);
    const card = { ...clone(n), id, x: at.x + offset.x, y: at.y + offset.y };
    if (copy.records[n.id]) {
      const record = clone(copy.records[n.id]);
      translateInk(record, offset.x, offset.y);
      doc.setSidecarRecord(toPath, id, record);
    }
    if (ownsSubmap(n.id)) doc.graftSubtree(copy.submaps, submapPath(copy.path, n.id), submapPath(toPath, id));
    doc.addNode(toPath, card);
  }
  for (const e of copy.edges) {
    const from = ids.get(str(e.fromNode)), to = ids.get(str(e.toNode));
    if (from && to) doc.addEdge(toPath, { ...clone(e), id: makeId(), fromNode: from, toNode: to });
  }
  return [...ids.values()];
}

// Where a paste lands: beside the originals in their own map, else centred on `centre`.
export function pasteOffset(copy: CardCopy, toPath: string, centre: Point, snapTo: (v: number) => number): Point {
  if (copy.path === toPath) return { x: 30, y: 30 };
  const u = union(copy.nodes.map(box))!;
  return { x: snapTo(centre.x - u.x - u.width / 2), y: snapTo(centre.y - u.y - u.height / 2) };
}

// The plain text other programs receive for copied cards.
export function copyText(nodes: CardNode[]): string {
  return nodes.map((n) => str(n.text) || str(n.url) || str(n.label)).join("\n\n");
}

// Whether clipboard text is what the page put there when it copied these cards (or nothing),
// so a paste brings back the cards rather than a note of their text.
export function pastesCards(copy: CardCopy | null, clipboardText: string): boolean {
  const text = clipboardText.trim();
  return !!copy && (!text || text === copyText(copy.nodes).trim());
}
