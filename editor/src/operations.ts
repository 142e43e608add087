// Edits of cards that need no screen: grouping, aligning, colouring, naming submaps, the grid
// flag and hand-written link previews. Each changes the document in place; the editor wraps
// the call in a change so it is undoable and saved.
import { Alignment, align, encloses, inflate, snap, union } from "./geometry";
import { translateInk } from "./inkEdit";
import { JsonObject, isObject, num, str } from "./json";
import { CardNode, MapDocument, box } from "./model";

// A group carries the cards that sit inside it.
export function withEnclosed(doc: MapDocument, path: string, nodes: CardNode[]): CardNode[] {
  const out = new Map(nodes.map((n) => [n.id, n]));
  for (const g of nodes.filter((n) => n.type === "group")) {
    const gr = box(g);
    for (const n of doc.nodes(path)) if (n !== g && encloses(gr, box(n))) out.set(n.id, n);
  }
  return [...out.values()];
}

// Puts a card at (x, y), taking its drawing along when it is an ink card.
export function placeCard(doc: MapDocument, path: string, node: CardNode, x: number, y: number): void {
  translateInk(doc.sidecarRecord(path, node.id), x - num(node.x), y - num(node.y));
  node.x = x;
  node.y = y;
}

export function moveCards(doc: MapDocument, path: string, nodes: CardNode[], dx: number, dy: number): void {
  for (const n of nodes) placeCard(doc, path, n, num(n.x) + dx, num(n.y) + dy);
}

export function alignCards(doc: MapDocument, path: string, nodes: CardNode[], how: Alignment): void {
  const targets = align(nodes.map(box), how);
  nodes.forEach((n, i) => placeCard(doc, path, n, targets[i].x, targets[i].y));
}

// Sets a preset or hex colour, or removes it with null.
export function setColour(items: JsonObject[], colour: string | null): void {
  for (const item of items) { if (colour) item.color = colour; else delete item.color; }
}

// A labelled group around the cards, drawn below everything else.
export function groupAround(doc: MapDocument, path: string, nodes: CardNode[], id: string): void {
  const u = inflate(union(nodes.map(box))!, 40);
  doc.nodeArray(path).unshift({ id, type: "group", label: "Group", x: snap(u.x), y: snap(u.y - 20), width: snap(u.width), height: snap(u.height + 20) });
}

// The height a text card needs so nothing typed is hidden, or null when it is tall enough.
export function grownHeight(node: CardNode, text: string): number | null {
  const perLine = (l: string) => Math.max(1, Math.ceil((l.length * 8) / Math.max(80, Number(node.width) - 32)));
  const lines = text.split("\n").reduce((n, l) => n + perLine(l), 0);
  const wanted = snap(Math.max(60, lines * 24 + 36));
  return wanted > Number(node.height) ? wanted : null;
}

// The dotted grid is a flag of the map's sidecar ("view" "grid"), which velk's previews read.
export function gridShown(doc: MapDocument, path: string): boolean {
  const view = doc.map(path)?.sidecar.view;
  return isObject(view) && view.grid === true;
}

export function setGrid(doc: MapDocument, path: string, shown: boolean): void {
  const sidecar = doc.map(path)!.sidecar;
  if (!isObject(sidecar.view)) sidecar.view = {};
  (sidecar.view as JsonObject).grid = shown;
}

// Renames a submap by renaming what its card shows, which is also what velk names the
// submap's file after: a file card's file stem, a group's label, a note's first line.
export function renameSubmapCard(card: CardNode, name: string): void {
  const clean = name.replace(/\s+/g, " ").trim();
  if (!clean) return;
  if (card.type === "file") {
    const file = str(card.file);
    const dir = file.includes("/") ? file.slice(0, file.lastIndexOf("/") + 1) : "";
    card.file = `${dir}${clean.replace(/[/\\]/g, "-")}.canvas`;
    // A note that became a submap shows its text: the new name is its first line too.
    if (str(card.text)) card.text = replaceFirstLine(str(card.text), clean);
  } else if (card.type === "group") {
    card.label = clean;
  } else if (card.type === "link") {
    // velk stores every submap card as a file card; a link card gets there now, named.
    delete card.url;
    card.type = "file";
    card.file = `${clean.replace(/[/\\]/g, "-")}.canvas`;
  } else {
    card.text = replaceFirstLine(str(card.text), clean);
  }
}

function replaceFirstLine(text: string, title: string): string {
  const lines = text.split("\n");
  const at = lines.findIndex((l) => l.trim());
  if (at < 0) return title;
  const heading = lines[at].match(/^\s*#+\s*/)?.[0] ?? "";
  lines[at] = heading + title;
  return lines.join("\n");
}

// A link card's preview as the user wrote it: title and description replace what velk
// fetched; the image and site stay. Empty fields are removed.
export function setPreviewText(doc: MapDocument, path: string, id: string, title: string, description: string): void {
  const record = { ...(doc.sidecarRecord(path, id) ?? {}) };
  const preview: JsonObject = { ...(isObject(record.preview) ? record.preview : {}) };
  const put = (key: string, value: string) => { if (value.trim()) preview[key] = value.trim(); else delete preview[key]; };
  put("title", title);
  put("description", description);
  record.preview = preview;
  doc.setSidecarRecord(path, id, record);
}
