// Writes one map (or some of its cards) as a standalone SVG picture that looks like the map on
// screen: groups, then edges, then cards, as the page stacks them; text as real, wrapped text;
// images embedded as data URLs. No DOM here: the page gives the theme's colours, a text
// measure and the images, so the same writer runs in the unit tests.
import { colourValue } from "./colors";
import { Point, Rect, inflate, routeBetween, union } from "./geometry";
import { InkSource, linePath, penColour, polyline } from "./ink";
import { JsonObject, isObject, str } from "./json";
import { headingLine, ruleLine } from "./markdown";
import { CanvasEdge, CardNode, box, cardTitle, graphemes } from "./model";
import { arrowPoints, imageExtensions, linkSite, routePath } from "./render";
import { inlinePlain } from "./search";

// The style sheet's colours, resolved for the theme in use ("c1" … "c6" are the presets).
export type Palette = Record<"bg" | "surface" | "surface2" | "text" | "muted" | "border" | "edge" | "accent" | "inkDefault"
  | "c1" | "c2" | "c3" | "c4" | "c5" | "c6", string>;

export interface Font { size: number; weight: 400 | 600 | 700; mono?: boolean }

export interface SvgSource {
  nodes: readonly CardNode[];
  edges: readonly CanvasEdge[];
  record(id: string): JsonObject | undefined; // the card's sidecar record
  ink(id: string): InkSource | null;
  hasSubmap(id: string): boolean;
}

export interface SvgTools {
  palette: Palette;
  measure(text: string, font: Font): number;
  // A data URL of a stored image, or null when it could not be read (then the card shows its
  // name, as a card whose image is missing does).
  image(path: string): string | null;
  // A stored image's own size, which a repeating group background is tiled at; when unknown the
  // background fills the group.
  imageSize?(path: string): { width: number; height: number } | null;
}

export const sansFamily = `system-ui, -apple-system, "Segoe UI", Cantarell, "Noto Sans", sans-serif`;
export const monoFamily = `ui-monospace, "DejaVu Sans Mono", monospace`;
export const exportMargin = 40;
const groupLabelRoom = 26; // a group's label sits above its box
const groupLabelInset = 6;
const groupLabelFont: Font = { size: 15, weight: 600 };
const edgeLabelFont: Font = { size: 13, weight: 400 };

// ---- what to draw ------------------------------------------------------------------------------

// The cards exported (all, or the selected ones) and the edges between two of them.
export function exportedPart(nodes: readonly CardNode[], edges: readonly CanvasEdge[], only: ReadonlySet<string> | null) {
  const kept = only && only.size ? nodes.filter((n) => only.has(n.id)) : [...nodes];
  const ids = new Set(kept.map((n) => n.id));
  return { nodes: kept, edges: edges.filter((e) => ids.has(e.fromNode) && ids.has(e.toNode)) };
}

// The picture's area in map coordinates: every card, group label, edge curve and edge label, and
// a margin. Without `measure` a group's label counts no wider than the group, an edge's not at all.
export function exportBounds(source: Pick<SvgSource, "nodes" | "edges">, measure?: SvgTools["measure"]): Rect {
  const rects = new Map(source.nodes.map((n) => [n.id, box(n)]));
  const parts: Rect[] = [...rects.values()];
  for (const n of source.nodes) if (n.type === "group" && str(n.label)) {
    const r = rects.get(n.id)!;
    const label = measure ? groupLabelInset + measure(str(n.label), groupLabelFont) : 0;
    parts.push({ x: r.x, y: r.y - groupLabelRoom, width: Math.max(r.width, label), height: groupLabelRoom });
  }
  for (const e of source.edges) {
    const route = routeBetween(e, rects);
    if (!route) continue;
    parts.push(union([route.from, route.c1, route.c2, route.to].map((p) => ({ ...p, width: 0, height: 0 })))!);
    // The label is centred on the curve's middle, with its halo.
    const width = measure && str(e.label) ? measure(str(e.label), edgeLabelFont) + 6 : 0;
    if (width) parts.push({ x: route.mid.x - width / 2, y: route.mid.y - 12, width, height: 24 });
  }
  const all = union(parts) ?? { x: 0, y: 0, width: 0, height: 0 };
  const r = inflate(all, exportMargin);
  return { x: Math.floor(r.x), y: Math.floor(r.y), width: Math.ceil(r.width), height: Math.ceil(r.height) };
}

// Every stored image the picture shows, so the page can read them before writing.
export function imagePaths(source: SvgSource): string[] {
  const paths = new Set<string>();
  for (const n of source.nodes) {
    if (source.ink(n.id)) continue;
    if (n.type === "group" && str(n.background)) paths.add(str(n.background));
    if (n.type === "file" && !source.hasSubmap(n.id) && imageExtensions.test(str(n.file)) && !/\.canvas$/i.test(str(n.file))) paths.add(str(n.file));
    const preview = source.record(n.id)?.preview;
    if (n.type === "link" && isObject(preview) && str(preview.image)) paths.add(str(preview.image));
  }
  return [...paths];
}

// ---- text --------------------------------------------------------------------------------------

// Text safe in XML content and attributes; characters XML cannot hold at all are dropped.
export function xml(text: string): string {
  return text
    .replace(/[\u0000-\u0008\u000b\u000c\u000e-\u001f\ufffe\uffff]/g, "")
    .replace(/[\ud800-\udbff](?![\udc00-\udfff])|(?<![\ud800-\udbff])[\udc00-\udfff]/g, "\ufffd")
    .replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;").replace(/"/g, "&quot;");
}

// Breaks `text` into lines at most `width` wide, at spaces where it can and between characters
// in a word too long for a line, as the cards' text wraps on screen. No-break spaces hold.
export function wrap(text: string, width: number, measure: (t: string) => number): string[] {
  const lines: string[] = [];
  let line = "";
  for (const word of text.split(/(?<=[^\S\u00a0\u2007\u202f\ufeff])/)) {
    const tried = line + word;
    if (measure(tried.trimEnd()) <= width || !line && measure(word.trimEnd()) <= width) { line = tried; continue; }
    if (line) lines.push(line.trimEnd());
    line = "";
    for (const ch of graphemes(word)) {
      if (line && measure((line + ch).trimEnd()) > width) { lines.push(line); line = ""; }
      line += ch;
    }
  }
  if (line.trimEnd() || !lines.length) lines.push(line.trimEnd());
  return lines;
}

// `rule` is a horizontal rule, drawn as a line; `pre` keeps the text's spaces (code).
interface TextBlock { text: string; font: Font; muted?: boolean; indent: number; gap: number; rule?: boolean; pre?: boolean }

// Tabs as the spaces up to the next stop of 8, as a <pre> on screen sets them: SVG would make each one space.
const untabbed = (line: string) => line.replace(/[^\t]*\t/g, (run) => run.slice(0, -1) + " ".repeat(8 - ((run.length - 1) % 8)));

// A note's Markdown as blocks of plain text: headings larger, lists with their marks, quotes
// muted, code in the monospace font; inline marks are removed.
export function textBlocks(markdown: string): TextBlock[] {
  const blocks: TextBlock[] = [];
  let fenced = false;
  for (const raw of markdown.replace(/\r\n?/g, "\n").split("\n")) {
    if (/^\s*(```|~~~)/.test(raw)) { fenced = !fenced; continue; }
    if (fenced) { blocks.push({ text: untabbed(raw), font: { size: 12.5, weight: 400, mono: true }, indent: 8, gap: 0, pre: true }); continue; }
    if (!raw.trim()) continue;
    const heading = headingLine(raw);
    if (heading) {
      const size = [21, 17.5, 15.1][heading.level - 1] ?? 14;
      blocks.push({ text: inlinePlain(heading.text), font: { size, weight: 700 }, indent: 0, gap: 4 });
      continue;
    }
    if (ruleLine.test(raw)) { blocks.push({ text: "", font: { size: 14, weight: 400 }, indent: 0, gap: 5, rule: true }); continue; }
    const item = /^(\s*)([-*+]|\d+[.)])\s+(?:\[([ xX])\]\s+)?(.*)$/.exec(raw);
    if (item) {
      const mark = item[3] !== undefined ? (item[3] === " " ? "☐" : "☑") : /\d/.test(item[2]) ? item[2] : "•";
      blocks.push({ text: `${mark} ${inlinePlain(item[4])}`, font: { size: 14, weight: 400 }, indent: 6 + Math.min(item[1].length, 8) * 4, gap: 1 });
      continue;
    }
    const quote = /^\s{0,3}>\s?(.*)$/.exec(raw);
    if (quote) { blocks.push({ text: inlinePlain(quote[1]), font: { size: 14, weight: 400 }, muted: true, indent: 12, gap: 3 }); continue; }
    blocks.push({ text: inlinePlain(raw.trim()), font: { size: 14, weight: 400 }, indent: 0, gap: 5 });
  }
  return blocks;
}

// ---- colours -----------------------------------------------------------------------------------

function rgb(colour: string): [number, number, number] | null {
  const hex = /^#([0-9a-f]{3}|[0-9a-f]{6})$/i.exec(colour.trim());
  if (hex) {
    const h = hex[1].length === 3 ? [...hex[1]].map((c) => c + c).join("") : hex[1];
    return [0, 2, 4].map((i) => parseInt(h.slice(i, i + 2), 16)) as [number, number, number];
  }
  const fn = /^rgba?\(\s*(\d+)[\s,]+(\d+)[\s,]+(\d+)/i.exec(colour.trim());
  return fn ? [Number(fn[1]), Number(fn[2]), Number(fn[3])] : null;
}

// `amount` of `colour` over `base`, as the style sheet's color-mix() does.
export function mix(colour: string, amount: number, base: string): string {
  const a = rgb(colour), b = rgb(base);
  if (!a || !b) return base;
  const hex = a.map((v, i) => Math.round(v * amount + b[i] * (1 - amount)).toString(16).padStart(2, "0")).join("");
  return `#${hex}`;
}

function cardColour(node: JsonObject, palette: Palette): string | null {
  const value = colourValue(node.color);
  if (!value) return null;
  const preset = /^var\(--(c[1-6])\)$/.exec(value);
  return preset ? palette[preset[1] as keyof Palette] : value;
}

// ---- the picture -------------------------------------------------------------------------------

type Size = { width: number; height: number };

const fmt = (v: number) => (Number.isInteger(v) ? String(v) : v.toFixed(2).replace(/\.?0+$/, ""));

class SvgWriter {
  private out: string[] = [];
  private clips = 0;
  private patterns = 0;
  // Symbol ids by fit, then by data URL: a key made of both would copy megabytes per image.
  private symbols = { slice: new Map<string, string>(), meet: new Map<string, string>() };
  private symbolCount = 0;

  constructor(private tools: SvgTools) {}

  get palette(): Palette { return this.tools.palette; }

  add(text: string): void { this.out.push(text); }
  result(): string { return this.out.join("\n"); }

  // A clip to a card's box; everything drawn until end() is cut to it.
  clip(r: Rect, radius: number): void {
    const id = `c${++this.clips}`;
    this.add(`<clipPath id="${id}"><rect x="${fmt(r.x)}" y="${fmt(r.y)}" width="${fmt(r.width)}" height="${fmt(r.height)}" rx="${radius}"/></clipPath><g clip-path="url(#${id})">`);
  }
  end(): void { this.add("</g>"); }

  // `pre` keeps runs of spaces, which SVG text otherwise collapses as HTML does.
  text(x: number, y: number, text: string, font: Font, fill: string, extra = "", pre = false): void {
    const family = font.mono ? monoFamily : sansFamily;
    if (pre) extra += ` xml:space="preserve"`;
    this.add(`<text x="${fmt(x)}" y="${fmt(y)}" font-family="${xml(family)}" font-size="${font.size}" font-weight="${font.weight}" fill="${fill}"${extra}>${xml(text)}</text>`);
  }

  // Lines of `text` wrapped to `width` from `top`, at most down to `bottom`; returns where the
  // next line would start.
  lines(x: number, top: number, width: number, bottom: number, text: string, font: Font, fill: string, anchor = "", pre = false): number {
    const height = font.size * 1.45;
    let y = top;
    for (const line of wrap(text, width, (t) => this.tools.measure(t, font))) {
      if (y + height > bottom + height * 0.5) break;
      this.text(x, y + height / 2 + font.size * 0.35, line, font, fill, anchor, pre);
      y += height;
    }
    return y;
  }

  // An image drawn over `r`. One whose own size is known is written once, as a symbol every use
  // of it draws: a photo on ten cards was ten copies of megabytes of data.
  image(href: string, r: Rect, fit: "slice" | "meet" = "slice", size: Size | null = null): void {
    const at = `x="${fmt(r.x)}" y="${fmt(r.y)}" width="${fmt(r.width)}" height="${fmt(r.height)}"`;
    if (size) this.add(`<use href="#${this.symbol(href, size, fit)}" ${at}/>`);
    else this.add(`<image href="${xml(href)}" ${at} preserveAspectRatio="xMidYMid ${fit}"/>`);
  }

  private symbol(href: string, size: Size, fit: "slice" | "meet"): string {
    let id = this.symbols[fit].get(href);
    if (!id) {
      id = `i${++this.symbolCount}`;
      this.symbols[fit].set(href, id);
      const w = fmt(size.width), h = fmt(size.height);
      this.add(`<symbol id="${id}" viewBox="0 0 ${w} ${h}" preserveAspectRatio="xMidYMid ${fit}"><image href="${xml(href)}" width="${w}" height="${h}"/></symbol>`);
    }
    return id;
  }

  imageOf(path: string): string | null { return path ? this.tools.image(path) : null; }

  // `href` repeated from the corner of `r` at its own size, over all of `r`.
  tiles(href: string, r: Rect, size: Size): void {
    const id = `p${++this.patterns}`;
    const image = this.symbol(href, size, "slice");
    this.add(`<pattern id="${id}" patternUnits="userSpaceOnUse" x="${fmt(r.x)}" y="${fmt(r.y)}" width="${fmt(size.width)}" height="${fmt(size.height)}">` +
      `<use href="#${image}" width="${fmt(size.width)}" height="${fmt(size.height)}"/></pattern>`);
    this.add(`<rect x="${fmt(r.x)}" y="${fmt(r.y)}" width="${fmt(r.width)}" height="${fmt(r.height)}" fill="url(#${id})"/>`);
  }

  imageSize(path: string): { width: number; height: number } | null {
    const size = this.tools.imageSize?.(path);
    return size && size.width > 0 && size.height > 0 ? size : null;
  }
}

export function mapSvg(source: SvgSource, tools: SvgTools): string {
  const area = exportBounds(source, tools.measure);
  const w = new SvgWriter(tools);
  const p = tools.palette;
  w.add(`<svg xmlns="http://www.w3.org/2000/svg" width="${area.width}" height="${area.height}" viewBox="${area.x} ${area.y} ${area.width} ${area.height}">`);
  w.add(`<rect x="${area.x}" y="${area.y}" width="${area.width}" height="${area.height}" fill="${p.bg}"/>`);
  const groups = source.nodes.filter((n) => n.type === "group" && !source.ink(n.id));
  const cards = source.nodes.filter((n) => n.type !== "group" || source.ink(n.id));
  for (const n of groups) drawGroup(w, n);
  const rects = new Map(source.nodes.map((n) => [n.id, box(n)]));
  for (const e of source.edges) drawEdge(w, e, rects);
  for (const n of cards) drawCard(w, n, source);
  w.add("</svg>");
  return w.result() + "\n";
}

function drawGroup(w: SvgWriter, n: CardNode): void {
  const r = box(n), p = w.palette;
  const colour = cardColour(n, p) ?? p.muted;
  const background = w.imageOf(str(n.background));
  w.add(`<rect x="${fmt(r.x)}" y="${fmt(r.y)}" width="${fmt(r.width)}" height="${fmt(r.height)}" rx="14" fill="${colour}" fill-opacity="0.06" stroke="${mix(colour, 0.55, p.bg)}" stroke-width="1.5"/>`);
  if (background) {
    w.clip(r, 14);
    const style = str(n.backgroundStyle, "cover");
    const tile = style === "repeat" ? w.imageSize(str(n.background)) : null;
    if (tile) w.tiles(background, r, tile);
    else w.image(background, r, style === "ratio" ? "meet" : "slice", w.imageSize(str(n.background)));
    w.end();
  }
  const label = str(n.label);
  if (label) w.text(r.x + groupLabelInset, r.y - 8, label, groupLabelFont, colour);
}

function drawEdge(w: SvgWriter, e: CanvasEdge, rects: ReadonlyMap<string, Rect>): void {
  const route = routeBetween(e, rects);
  if (!route) return;
  const p = w.palette;
  const colour = cardColour(e, p) ?? p.edge;
  w.add(`<path d="${routePath(route)}" fill="none" stroke="${colour}" stroke-width="2.2"/>`);
  const arrow = (tip: Point, from: Point) =>
    w.add(`<polygon points="${arrowPoints(tip, from).map((q) => `${fmt(q.x)},${fmt(q.y)}`).join(" ")}" fill="${colour}"/>`);
  if (str(e.toEnd, "arrow") === "arrow") arrow(route.to, route.c2);
  if (str(e.fromEnd, "none") === "arrow") arrow(route.from, route.c1);
  const label = str(e.label);
  if (label) w.text(route.mid.x, route.mid.y + 13 * 0.35, label, edgeLabelFont, p.text,
    ` text-anchor="middle" paint-order="stroke" stroke="${p.bg}" stroke-width="5" stroke-linejoin="round"`);
}

function drawCard(w: SvgWriter, n: CardNode, source: SvgSource): void {
  const r = box(n), p = w.palette;
  const ink = source.ink(n.id);
  if (ink) return drawInk(w, r, ink);
  const colour = cardColour(n, p);
  const fill = colour ? mix(colour, 0.09, p.surface) : p.surface;
  w.add(`<rect x="${fmt(r.x)}" y="${fmt(r.y)}" width="${fmt(r.width)}" height="${fmt(r.height)}" rx="10" fill="${fill}" stroke="${colour ?? p.border}" stroke-width="1.5"/>`);
  w.clip(r, 9);
  const hasSubmap = source.hasSubmap(n.id);
  const file = str(n.file);
  if (n.type === "link") drawLink(w, n, r, source.record(n.id));
  else if (n.type === "file" && (hasSubmap || /\.canvas$/i.test(file)) && !str(n.text)) drawFace(w, r, [
    [cardTitle(n), { size: 16, weight: 600 }, p.text], ["Open submap", { size: 12, weight: 400 }, p.muted]]);
  else if (n.type === "file" && !str(n.text)) {
    const image = imageExtensions.test(file) ? w.imageOf(file) : null;
    if (image) w.image(image, r, "slice", w.imageSize(file));
    else drawFace(w, r, [["📄", { size: 26, weight: 400 }, p.text], [file.slice(file.lastIndexOf("/") + 1) || "File", { size: 14, weight: 400 }, p.text],
      ...(str(n.subpath) ? [[str(n.subpath), { size: 12, weight: 400 }, p.muted] as FaceLine] : [])]);
  } else drawNote(w, r, str(n.text));
  w.end();
  if (hasSubmap || (n.type === "file" && /\.canvas$/i.test(file) && str(n.text))) {
    w.text(r.x + r.width - 8, r.y + r.height - 9, "↳ submap", { size: 11, weight: 400 }, p.accent, ` text-anchor="end"`);
  }
}

function drawNote(w: SvgWriter, r: Rect, markdown: string): void {
  const p = w.palette;
  let y = r.y + 10;
  const bottom = r.y + r.height - 10;
  textBlocks(markdown).forEach((b, i) => {
    if (i) y += b.gap;
    const x = r.x + 14 + b.indent;
    if (b.rule) {
      // As the page's <hr>: a thin line across the text, with room above and below.
      if (y + 14 > bottom) return;
      w.add(`<rect x="${fmt(x)}" y="${fmt(y + 6)}" width="${fmt(Math.max(0, r.x + r.width - 14 - x))}" height="1" fill="${p.border}"/>`);
      y += 14;
      return;
    }
    y = w.lines(x, y, r.x + r.width - 14 - x, bottom, b.text, b.font, b.muted ? p.muted : p.text, "", b.pre);
  });
}

type FaceLine = [string, Font, string];

// Lines centred in the card, as the file and submap faces are.
function drawFace(w: SvgWriter, r: Rect, lines: FaceLine[]): void {
  const heights = lines.map(([, font]) => font.size * 1.45);
  let y = r.y + (r.height - heights.reduce((a, b) => a + b + 4, -4)) / 2;
  lines.forEach(([text, font, fill], i) => {
    w.text(r.x + r.width / 2, y + heights[i] / 2 + font.size * 0.35, text, font, fill, ` text-anchor="middle"`);
    y += heights[i] + 4;
  });
}

function drawLink(w: SvgWriter, n: CardNode, r: Rect, record: JsonObject | undefined): void {
  const p = w.palette;
  const url = str(n.url);
  const preview = record && isObject(record.preview) ? record.preview : {};
  let top = r.y;
  const image = w.imageOf(str(preview.image));
  if (image) {
    const h = r.height * 0.45;
    w.image(image, { x: r.x, y: r.y, width: r.width, height: h }, "slice", w.imageSize(str(preview.image)));
    top += h;
  }
  const x = r.x + 14, width = r.width - 28, bottom = r.y + r.height - 10;
  const site = linkSite(url, preview);
  let y = w.lines(x, top + 10, width, Math.min(bottom, top + 10 + 2 * 14 * 1.45), str(preview.title) || url, { size: 14, weight: 600 }, p.text);
  if (str(preview.description)) y = w.lines(x, y + 3, width, Math.min(bottom - 20, y + 3 + 3 * 13 * 1.45), str(preview.description), { size: 13, weight: 400 }, p.muted);
  w.lines(x, y + 3, width, bottom, site, { size: 12, weight: 400 }, p.accent);
}

function drawInk(w: SvgWriter, r: Rect, ink: InkSource): void {
  w.clip(r, 0);
  const colour = (palette: string) => (penColour(palette).startsWith("var(") ? w.palette.inkDefault : penColour(palette));
  const path = (d: string, palette: string) =>
    w.add(`<path d="${d}" fill="none" stroke="${colour(palette)}" stroke-width="4" stroke-linecap="round" stroke-linejoin="round"/>`);
  for (const s of ink.strokes) if (s.points.length >= 2) path(polyline(s.points), s.palette);
  for (const l of ink.lines) path(linePath(l), l.palette);
  w.end();
}
