// Changing drawings in the document. An ink card is a file card without "file" whose sidecar
// record has "role" "ink" and the drawing under "source"; velk names its SVG and sizes it on
// save, and the page keeps the card's box on the drawing's padded bounds meanwhile.
import { Point } from "./geometry";
import { InkLine, Stroke, inkBounds, lineJson, readInk, strokeJson } from "./ink";
import { Json, JsonObject, isObject } from "./json";
import { MapDocument, newId } from "./model";

// Adds a stroke or a line to the ink card `cardId` of the map, or to a new ink card when that
// card is gone or not given. Returns the card's id.
export function appendInk(doc: MapDocument, path: string, cardId: string | null, stroke: Stroke | null, line: InkLine | null, makeId = newId): string {
  const existing = cardId !== null && doc.node(path, cardId) ? cardId : null;
  const id = existing ?? makeId();
  const record = doc.sidecarRecord(path, id) ?? { role: "ink", source: { strokes: [], lines: [] } };
  const source = sourceOf(record);
  if (stroke) arrayIn(source, "strokes").push(strokeJson(stroke));
  if (line) arrayIn(source, "lines").push(lineJson(line));
  doc.setSidecarRecord(path, id, record);
  if (existing) fitCard(doc, path, id);
  else doc.addNode(path, { id, type: "file", ...inkBounds(readInk(record)!)! });
  return id;
}

// A grip on an ink line: an existing middle point, or (insert) the middle of a segment, where
// dragging makes a new middle point.
export interface MidHandle { line: number; index: number; point: Point; insert: boolean }

export function midHandles(record: JsonObject | undefined): MidHandle[] {
  const ink = readInk(record);
  if (!ink) return [];
  const out: MidHandle[] = [];
  ink.lines.forEach((l, line) => {
    const points = [{ x: l.x1, y: l.y1 }, ...l.mids, { x: l.x2, y: l.y2 }];
    l.mids.forEach((point, index) => out.push({ line, index, point, insert: false }));
    for (let i = 0; i + 1 < points.length; i++) {
      const a = points[i], b = points[i + 1];
      out.push({ line, index: i, point: { x: (a.x + b.x) / 2, y: (a.y + b.y) / 2 }, insert: true });
    }
  });
  return out;
}

// Moves a middle point (making it first for an insert grip) and refits the card. Returns the
// grip that now holds the point, so a drag goes on moving the same one.
export function dragMid(doc: MapDocument, path: string, id: string, handle: MidHandle, to: Point): MidHandle {
  const record = doc.sidecarRecord(path, id);
  const lines = record ? arrayIn(sourceOf(record), "lines") : [];
  const line = lines[handle.line];
  if (!isObject(line)) return handle;
  const mids = arrayIn(line, "mids");
  const point = [Math.round(to.x * 10) / 10, Math.round(to.y * 10) / 10];
  // Malformed entries are skipped when the drawing is read, so count only readable points.
  const readable = mids.flatMap((m, raw) => (Array.isArray(m) && m.length >= 2 ? [raw] : []));
  if (handle.insert) mids.splice(handle.index < readable.length ? readable[handle.index] : mids.length, 0, point);
  else if (handle.index < readable.length) mids[readable[handle.index]] = point;
  else return handle;
  fitCard(doc, path, id);
  return { line: handle.line, index: handle.index, point: to, insert: false };
}

function fitCard(doc: MapDocument, path: string, id: string): void {
  const bounds = inkBounds(readInk(doc.sidecarRecord(path, id))!);
  const node = doc.node(path, id);
  if (bounds && node) Object.assign(node, bounds);
}

function sourceOf(record: JsonObject): JsonObject {
  return isObject(record.source) ? record.source : (record.source = { strokes: [], lines: [] });
}

function arrayIn(object: JsonObject, key: string): Json[] {
  const value = object[key];
  return Array.isArray(value) ? value : (object[key] = []);
}

// Moves a drawing with its card: the points are in canvas coordinates, so a card moved
// without them would show the drawing where it was, and velk would put the card back there.
export function translateInk(record: JsonObject | undefined, dx: number, dy: number): void {
  if (!record || record.role !== "ink" || !isObject(record.source) || (!dx && !dy)) return;
  const round = (v: number) => Math.round(v * 10) / 10;
  const shiftPoint = (p: Json) => {
    if (Array.isArray(p) && typeof p[0] === "number" && typeof p[1] === "number") { p[0] = round(p[0] + dx); p[1] = round(p[1] + dy); }
  };
  const shiftAll = (points: Json | undefined) => { if (Array.isArray(points)) points.forEach(shiftPoint); };
  const { strokes, lines } = record.source;
  if (Array.isArray(strokes)) for (const s of strokes) if (isObject(s)) shiftAll(s.points);
  if (Array.isArray(lines)) {
    for (const l of lines) {
      if (!isObject(l)) continue;
      for (const [key, d] of [["x1", dx], ["x2", dx], ["y1", dy], ["y2", dy]] as const) {
        const v = l[key];
        if (typeof v === "number") l[key] = round(v + d);
      }
      shiftAll(l.mids);
    }
  }
}
