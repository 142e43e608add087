// Free-hand ink. A drawing lives in the map's sidecar record of its card ("role" "ink",
// "source" with strokes and lines); the card itself is a file card that velk points at the
// map's ink SVG and sizes to the drawing when it saves.
import { Json, JsonObject, isObject, num, str } from "./json";
import { Point, Rect } from "./geometry";

export const pens = ["default", "cobalt", "iris", "moss", "amber", "rose", "ember", "graphite", "ink"] as const;
export type Pen = (typeof pens)[number];
export const penHex: Record<Pen, string> = {
  default: "#222222", cobalt: "#1d4ed8", iris: "#6d28d9", moss: "#15803d", amber: "#a16207",
  rose: "#b91c1c", ember: "#c2410c", graphite: "#374151", ink: "#ffffff",
};

export type LineStyle = "straight" | "smooth" | "elbow";
export const inkPad = 8;

export interface Stroke { points: Point[]; palette: string }
export interface InkLine { x1: number; y1: number; x2: number; y2: number; mids: Point[]; palette: string; style: string }
export interface InkSource { strokes: Stroke[]; lines: InkLine[] }

function points(value: Json | undefined): Point[] {
  if (!Array.isArray(value)) return [];
  const out: Point[] = [];
  for (const p of value) if (Array.isArray(p) && p.length >= 2) out.push({ x: num(p[0]), y: num(p[1]) });
  return out;
}

export function readInk(record: JsonObject | undefined): InkSource | null {
  if (!record || record.role !== "ink" || !isObject(record.source)) return null;
  const source = record.source;
  const strokes = (Array.isArray(source.strokes) ? source.strokes : []).map((s) =>
    isObject(s) ? { points: points(s.points), palette: str(s.palette) } : { points: [], palette: "" });
  const lines = (Array.isArray(source.lines) ? source.lines : []).map((l) => {
    const o = isObject(l) ? l : {};
    return { x1: num(o.x1), y1: num(o.y1), x2: num(o.x2), y2: num(o.y2), mids: points(o.mids), palette: str(o.palette), style: str(o.style, "straight") };
  });
  return { strokes, lines };
}

// Rounded to whole units so the source stays small and matches what velk writes.
const round1 = (v: number) => Math.round(v * 10) / 10;

export function strokeJson(stroke: Stroke): JsonObject {
  return { points: stroke.points.map((p) => [round1(p.x), round1(p.y)]), palette: stroke.palette };
}

export function lineJson(line: InkLine): JsonObject {
  return {
    x1: round1(line.x1), y1: round1(line.y1), x2: round1(line.x2), y2: round1(line.y2),
    mids: line.mids.map((p) => [round1(p.x), round1(p.y)]), palette: line.palette, style: line.style,
  };
}

// The drawing's padded bounds, as velk computes them when it sizes the card.
export function inkBounds(source: InkSource): Rect | null {
  let minX = Infinity, minY = Infinity, maxX = -Infinity, maxY = -Infinity;
  const add = (p: Point) => {
    minX = Math.min(minX, p.x); minY = Math.min(minY, p.y);
    maxX = Math.max(maxX, p.x); maxY = Math.max(maxY, p.y);
  };
  for (const s of source.strokes) s.points.forEach(add);
  for (const l of source.lines) {
    add({ x: l.x1, y: l.y1 }); add({ x: l.x2, y: l.y2 }); l.mids.forEach(add);
  }
  if (minX === Infinity) return null;
  const away = (v: number) => Math.sign(v) * Math.round(Math.abs(v));
  const x = away(minX - inkPad), y = away(minY - inkPad);
  return { x, y, width: Math.max(1, Math.ceil(maxX + inkPad - x)), height: Math.max(1, Math.ceil(maxY + inkPad - y)) };
}

const n = (v: number) => (Number.isInteger(v) ? String(v) : v.toFixed(2));

export function polyline(ps: Point[]): string {
  return ps.map((p, i) => `${i ? "L" : "M"}${n(p.x)} ${n(p.y)}`).join(" ");
}

export function smooth(ps: Point[]): string {
  if (ps.length < 3) return polyline(ps);
  let d = `M${n(ps[0].x)} ${n(ps[0].y)}`;
  for (let i = 1; i < ps.length - 1; i++) {
    d += ` Q${n(ps[i].x)} ${n(ps[i].y)} ${n((ps[i].x + ps[i + 1].x) / 2)} ${n((ps[i].y + ps[i + 1].y) / 2)}`;
  }
  const last = ps[ps.length - 1];
  return d + ` L${n(last.x)} ${n(last.y)}`;
}

export function elbow(ps: Point[]): string {
  if (!ps.length) return "";
  let d = `M${n(ps[0].x)} ${n(ps[0].y)}`;
  for (let i = 1; i < ps.length; i++) d += ` L${n(ps[i].x)} ${n(ps[i - 1].y)} L${n(ps[i].x)} ${n(ps[i].y)}`;
  return d;
}

export function linePath(line: InkLine): string {
  const ps = [{ x: line.x1, y: line.y1 }, ...line.mids, { x: line.x2, y: line.y2 }];
  return line.style === "smooth" ? smooth(ps) : line.style === "elbow" ? elbow(ps) : polyline(ps);
}

// Pen colours for the page. "default" follows the theme so it stays visible in dark mode.
export function penColour(palette: string): string {
  // Looked up among the pens themselves: `in` would also find what every object inherits
  // ("constructor"), which a map's pen name could be.
  if (palette === "default" || !(pens as readonly string[]).includes(palette)) return "var(--ink-default)";
  return penHex[palette as Pen];
}

// Drops points closer than `tolerance` to the previous kept one, so strokes stay small; the
// first and last points always stay.
export function simplify(points: Point[], tolerance: number): Point[] {
  if (!points.length) return [];
  const out = [points[0]];
  for (let i = 1; i < points.length; i++) {
    const last = out[out.length - 1];
    if (Math.hypot(points[i].x - last.x, points[i].y - last.y) >= tolerance || i === points.length - 1) out.push(points[i]);
  }
  return out;
}
