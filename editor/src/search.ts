// Finding text in every map of the document: card text (its Markdown syntax left out), group
// labels, edge labels, link previews' titles and file names. By default case and accents do not
// count ("cafe" finds "Café"); whole words only is optional. The index keeps each text folded
// once, so a keystroke only scans; texts that did not change keep their folding across rebuilds.
import { isObject, num, str } from "./json";
import { codeSpanText, codeSpans, emphasis } from "./markdown";
import { CardNode, MapDocument, mapTrail, parentPath, rootPath } from "./model";

export interface SearchOptions {
  matchCase: boolean;
  wholeWords: boolean;
}

export type HitKind = "card" | "group" | "edge";

export interface SearchHit {
  path: string; // the map holding it
  kind: HitKind;
  id: string; // the card's or edge's id
  text: string; // the searchable text, as shown in the results
  start: number; // the match, as offsets into `text`
  end: number;
}

// Card text as a reader sees it: no heading marks, emphasis, code ticks, link targets, list,
// quote or task markers.
export function plainText(markdown: string): string {
  return inlinePlain(markdown
    .replace(/^[ \t]{0,3}(?:>[ \t]?)+/gm, "")
    .replace(/^[ \t]*(?:[-*+]|\d+[.)])[ \t]+(?:\[[ xX]\][ \t]+)?/gm, "")
    .replace(/^[ \t]{0,3}#{1,6}[ \t]+/gm, "")
    .replace(/^[ \t]*(?:```|~~~).*$/gm, "")).trim();
}

// Text without its inline marks: link targets, code ticks and emphasis, line by line as the
// renderer takes them. A mark stands in for each tag the renderer writes, as later patterns see
// its edge there, and goes at the end.
export function inlinePlain(markdown: string): string {
  const plain = (part: string) => codeSpanText(part) ?? emphasis.reduce((t, [pattern]) => t.replace(pattern, "\u0001$1\u0001"), part);
  const line = (text: string) => text.replace(/!?\[([^\]\n]*)\]\([^)\n]*\)/g, "\u0001$1\u0001").split(codeSpans).map(plain).join("");
  return markdown.split("\n").map(line).join("\n").replace(/\u0001/g, "");
}

// `text` folded for comparison, with where each folded unit came from in `text` (absent when
// every unit stayed where it was, as in plain ASCII).
interface Folded {
  text: string;
  origin?: number[];
}

const marks = /\p{M}/gu;

export function fold(text: string, matchCase: boolean): Folded {
  if (/^[\x00-\x7f]*$/.test(text)) return { text: matchCase ? text : text.toLowerCase() };
  let folded = "";
  const origin: number[] = [];
  let at = 0;
  for (const char of text) {
    let part = char.normalize("NFD").replace(marks, "");
    if (!matchCase) part = part.toLowerCase();
    folded += part;
    for (let i = 0; i < part.length; i++) origin.push(at);
    at += char.length;
  }
  origin.push(at);
  return { text: folded, origin };
}

interface Cached {
  text: string;
  folded: [Folded | undefined, Folded | undefined]; // [case folded, case kept], made on demand
}

interface Entry {
  path: string;
  kind: HitKind;
  id: string;
  cached: Cached;
}


// What a card offers to the search, as [a key of what it was made from, a way to make it]:
// Markdown is the costly one, so its plain text is made once per distinct card text.
function source(node: CardNode, record: unknown): [string, () => string] {
  if (node.type === "group") return labelled(str(node.label));
  if (node.type === "link") {
    const preview = isObject(record) && isObject(record.preview) ? record.preview : {};
    return labelled([str(preview.title), str(node.url)].filter(Boolean).join("\n"));
  }
  const file = str(node.file);
  if (node.type === "file" && !str(node.text)) return labelled(file.slice(file.lastIndexOf("/") + 1));
  const markdown = str(node.text);
  return ["m" + markdown, () => plainText(markdown)];
}

function labelled(text: string): [string, () => string] {
  return ["l" + text, () => text];
}

const wordChar = /[\p{L}\p{N}_]/u;

function isWordEdge(text: string, at: number): boolean {
  return at <= 0 || at >= text.length || !wordChar.test(text[at - 1]) || !wordChar.test(text[at]);
}

export class SearchIndex {
  private entries: Entry[] = [];
  private cache = new Map<string, Cached>();

  // Reads every map of `doc`: the root first, then each submap after the map that opens it,
  // cards in reading order, then edges. What did not change since the last reading is reused.
  rebuild(doc: MapDocument): void {
    const previous = this.cache;
    this.cache = new Map();
    this.entries = [];
    for (const path of mapOrder(doc)) {
      const cards = doc.nodes(path).map((node) => ({ node, x: num(node.x), y: num(node.y) }))
        .sort((a, b) => a.y - b.y || a.x - b.x);
      for (const { node } of cards)
        this.add(path, node.type === "group" ? "group" : "card", node.id, source(node, doc.sidecarRecord(path, node.id)), previous);
      for (const edge of doc.edges(path)) this.add(path, "edge", edge.id, labelled(str(edge.label)), previous);
    }
  }

  private add(path: string, kind: HitKind, id: string, [key, make]: [string, () => string], previous: Map<string, Cached>): void {
    let cached = this.cache.get(key) ?? previous.get(key);
    if (!cached) cached = { text: make(), folded: [undefined, undefined] };
    this.cache.set(key, cached);
    if (cached.text) this.entries.push({ path, kind, id, cached });
  }

  // Every place `query` occurs, the first occurrence in each text.
  find(query: string, options: SearchOptions): SearchHit[] {
    const needle = fold(query.trim(), options.matchCase).text;
    if (!needle) return [];
    const slot = options.matchCase ? 1 : 0;
    const hits: SearchHit[] = [];
    for (const { path, kind, id, cached } of this.entries) {
      const { text } = cached;
      const folded = (cached.folded[slot] ??= fold(text, options.matchCase));
      for (let at = folded.text.indexOf(needle); at >= 0; at = folded.text.indexOf(needle, at + 1)) {
        const start = folded.origin ? folded.origin[at] : at;
        const end = folded.origin ? folded.origin[at + needle.length] : at + needle.length;
        if (options.wholeWords && !(isWordEdge(text, start) && isWordEdge(text, end))) continue;
        hits.push({ path, kind, id, text, start, end });
        break;
      }
    }
    return hits;
  }
}

// Maps in the order a reader meets them: each submap right after the map that opens it.
export function mapOrder(doc: MapDocument): string[] {
  const children = new Map<string, string[]>();
  for (const path of doc.maps.keys()) {
    const parent = parentPath(path);
    if (parent !== null) children.set(parent, [...(children.get(parent) ?? []), path]);
  }
  const order = new Set<string>();
  const visit = (path: string) => {
    order.add(path);
    for (const child of children.get(path) ?? []) visit(child);
  };
  visit(rootPath);
  // Maps whose parent is missing still count.
  for (const path of doc.maps.keys()) order.add(path);
  return [...order];
}

// The titles from the root down to the map at `path`, for showing where a result is.
export function breadcrumb(doc: MapDocument, path: string, documentName: string): string[] {
  return mapTrail(path).map((at) => doc.title(at, documentName));
}
