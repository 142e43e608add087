// Finding text in every map of the document: card text (its Markdown syntax left out), group
// labels, edge labels, link previews' titles and file names. By default case and accents do not
// count ("cafe" finds "Café"); whole words only is optional. The index keeps each text folded
// once, so a keystroke only scans; texts that did not change keep their folding across rebuilds.
import { isObject, str } from "./json";
import { CardNode, MapDocument, box, parentPath, rootPath } from "./model";

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
  return markdown
    .split("\n")
    .map((line) =>
      line
        .replace(/^\s{0,3}(?:>\s?)+/, "")
        .replace(/^\s*(?:[-*+]|\d+[.)])\s+(?:\[[ xX]\]\s+)?/, "")
        .replace(/^\s{0,3}#{1,6}\s+/, "")
        .replace(/^\s*(?:```|~~~).*$/, "")
        .replace(/!?\[([^\]]*)\]\([^)]*\)/g, "$1"),
    )
    .map(withoutEmphasis)
    .join("\n")
    .trim();
}

// Emphasis may nest ("**_a_**"): peeled until nothing changes.
function withoutEmphasis(line: string): string {
  for (let before = ""; before !== line;) {
    before = line;
    line = line.replace(/(\*\*|__|~~|==|[*_`])(?=\S)(.*?\S)\1/g, "$2");
  }
  return line;
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

interface Entry {
  path: string;
  kind: HitKind;
  id: string;
  text: string;
  folded?: [Folded | undefined, Folded | undefined]; // [case folded, case kept], made on demand
}

function searchableText(node: CardNode, record: unknown): string {
  if (node.type === "group") return str(node.label);
  if (node.type === "link") {
    const preview = isObject(record) && isObject(record.preview) ? record.preview : {};
    return [str(preview.title), str(node.url)].filter(Boolean).join("\n");
  }
  if (node.type === "file" && !str(node.text)) return str(node.file).slice(str(node.file).lastIndexOf("/") + 1);
  return plainText(str(node.text));
}

const wordChar = /[\p{L}\p{N}_]/u;

function isWordEdge(text: string, at: number): boolean {
  return at <= 0 || at >= text.length || !wordChar.test(text[at - 1]) || !wordChar.test(text[at]);
}

export class SearchIndex {
  private entries: Entry[] = [];
  private byText = new Map<string, Entry["folded"]>();

  // Reads every map of `doc`: the root first, then each submap after the map that opens it,
  // cards in reading order, then edges.
  rebuild(doc: MapDocument): void {
    const previous = this.byText;
    this.byText = new Map();
    this.entries = [];
    for (const path of mapOrder(doc)) {
      const cards = doc.nodes(path).map((node) => ({ node, rect: box(node) }))
        .sort((a, b) => a.rect.y - b.rect.y || a.rect.x - b.rect.x);
      for (const { node } of cards) this.add(path, node.type === "group" ? "group" : "card", node.id,
        searchableText(node, doc.sidecarRecord(path, node.id)), previous);
      for (const edge of doc.edges(path)) this.add(path, "edge", edge.id, str(edge.label), previous);
    }
  }

  private add(path: string, kind: HitKind, id: string, text: string, previous: Map<string, Entry["folded"]>): void {
    if (!text) return;
    const folded = this.byText.get(text) ?? previous.get(text) ?? [undefined, undefined];
    this.byText.set(text, folded);
    this.entries.push({ path, kind, id, text, folded });
  }

  // Every place `query` occurs, the first occurrence in each text.
  find(query: string, options: SearchOptions): SearchHit[] {
    const needle = fold(query.trim(), options.matchCase).text;
    if (!needle) return [];
    const slot = options.matchCase ? 1 : 0;
    const hits: SearchHit[] = [];
    for (const entry of this.entries) {
      const folded = (entry.folded![slot] ??= fold(entry.text, options.matchCase));
      for (let at = folded.text.indexOf(needle); at >= 0; at = folded.text.indexOf(needle, at + 1)) {
        const start = folded.origin ? folded.origin[at] : at;
        const end = folded.origin ? folded.origin[at + needle.length] : at + needle.length;
        if (options.wholeWords && !(isWordEdge(entry.text, start) && isWordEdge(entry.text, end))) continue;
        hits.push({ path: entry.path, kind: entry.kind, id: entry.id, text: entry.text, start, end });
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
  const titles: string[] = [];
  for (let at: string | null = path; at !== null; at = parentPath(at)) titles.unshift(doc.title(at, documentName));
  return titles;
}
