// The find bar (Ctrl+F): as you type, every card, group label and edge label of every map that
// holds the text is listed with where it is; Enter, Shift+Enter and F3 step through them,
// opening the submap that holds one, centring and selecting it and marking the match. Escape
// closes it and gives the keyboard back to the map.
import type { FindHost } from "./editorContext";
import { $ } from "./dom";
import { union } from "./geometry";
import { box } from "./model";
import { SearchHit, SearchIndex, breadcrumb, fold } from "./search";

const shownResults = 200;

export class FindBar {
  private readonly index = new SearchIndex();
  private stale = true;
  private hits: SearchHit[] = [];
  private current = -1;
  private readonly options = { matchCase: false, wholeWords: false };
  private refresh = 0;
  private readonly input = $<HTMLInputElement>("findInput");

  constructor(private ed: FindHost) {}

  bind(): void {
    this.input.addEventListener("input", () => this.search(true));
    this.input.addEventListener("keydown", (e) => {
      e.stopPropagation();
      if (e.key === "Enter") { e.preventDefault(); this.step(e.shiftKey ? -1 : 1); }
      if (e.key === "Escape") { e.preventDefault(); this.close(); }
      if (e.key === "F3") { e.preventDefault(); this.step(e.shiftKey ? -1 : 1); }
    });
    for (const [id, option] of [["findCase", "matchCase"], ["findWords", "wholeWords"]] as const) {
      $(id).addEventListener("click", () => {
        const pressed = $(id).getAttribute("aria-pressed") !== "true";
        $(id).setAttribute("aria-pressed", String(pressed));
        this.options[option] = pressed;
        this.search(true);
        this.input.focus();
      });
    }
    $("findNext").addEventListener("click", () => this.step(1));
    $("findPrev").addEventListener("click", () => this.step(-1));
    $("findClose").addEventListener("click", () => this.close());
    $("findResults").addEventListener("click", (e) => {
      const row = (e.target as Element).closest<HTMLElement>("[data-hit]");
      if (row) this.show(Number(row.dataset.hit));
    });
  }

  get isOpen(): boolean {
    return !$("findBar").hidden;
  }

  open(): void {
    $("findBar").hidden = false;
    this.input.focus();
    this.input.select();
    this.search(false);
  }

  close(): void {
    if (!this.isOpen) return;
    $("findBar").hidden = true;
    this.clearMark();
    this.ed.focusCanvas();
  }

  // The document changed: results follow while the bar is open, once typing pauses.
  documentChanged(): void {
    this.stale = true;
    if (!this.isOpen) return;
    clearTimeout(this.refresh);
    this.refresh = window.setTimeout(() => { if (this.isOpen) this.search(false); }, 250);
  }

  step(direction: 1 | -1): void {
    if (!this.isOpen) return this.open();
    if (!this.hits.length) return;
    this.show((this.current + direction + this.hits.length) % this.hits.length);
  }

  private search(fromTyping: boolean): void {
    if (this.stale) {
      this.index.rebuild(this.ed.doc);
      this.stale = false;
    }
    const previous = this.hits[this.current];
    this.hits = this.index.find(this.input.value, this.options);
    // Typing starts from the first result; an update of the document keeps the place.
    this.current = fromTyping || !previous ? -1
      : this.hits.findIndex((h) => h.path === previous.path && h.id === previous.id);
    this.renderResults();
  }

  private renderResults(): void {
    const query = this.input.value.trim();
    $("findCount").textContent = !query ? "" : !this.hits.length ? "No results"
      : this.current >= 0 ? `${this.current + 1} of ${this.hits.length}` : `${this.hits.length} found`;
    const rows = this.hits.slice(0, shownResults).map((hit, i) => {
      const row = document.createElement("li");
      row.dataset.hit = String(i);
      row.classList.toggle("current", i === this.current);
      const where = document.createElement("span");
      where.className = "find-where";
      where.textContent = breadcrumb(this.ed.doc, hit.path, this.ed.name).join(" › ");
      row.append(snippet(hit), where);
      return row;
    });
    $("findResults").replaceChildren(...rows);
    $("findResults").querySelector(".current")?.scrollIntoView({ block: "nearest" });
  }

  private show(i: number): void {
    const hit = this.hits[i];
    if (!hit) return;
    this.current = i;
    const { ed } = this;
    if (ed.path !== hit.path) ed.openMap(hit.path);
    const rect = this.rectOf(hit);
    if (hit.kind === "edge") {
      ed.select([]);
      ed.selectedEdge = hit.id;
    } else ed.select([hit.id]);
    if (rect) ed.camera.centreOn(rect);
    ed.invalidate();
    this.renderResults();
    // The card is drawn on the next frame; the match is marked in what it shows.
    requestAnimationFrame(() => this.mark(hit));
  }

  private rectOf(hit: SearchHit) {
    const { doc } = this.ed;
    if (hit.kind !== "edge") {
      const node = doc.node(hit.path, hit.id);
      return node ? box(node) : null;
    }
    const edge = doc.edges(hit.path).find((e) => e.id === hit.id);
    const from = edge && doc.node(hit.path, edge.fromNode), to = edge && doc.node(hit.path, edge.toNode);
    return from && to ? union([box(from), box(to)]) : null;
  }

  // Marks the match in the card's rendered text with a highlight, where the engine has them.
  private mark(hit: SearchHit): void {
    this.clearMark();
    const highlights = (CSS as unknown as { highlights?: Map<string, unknown> }).highlights;
    const Highlight = (window as unknown as { Highlight?: new (...r: Range[]) => unknown }).Highlight;
    const element = hit.kind === "edge" ? document.querySelector(`[data-edge="${CSS.escape(hit.id)}"]`)
      : this.ed.canvas.cardElement(hit.id);
    if (!element || !highlights || !Highlight) return;
    const range = rangeOf(element, hit.text.slice(hit.start, hit.end), this.options.matchCase);
    if (range) highlights.set("velk-find", new Highlight(range));
  }

  private clearMark(): void {
    (CSS as unknown as { highlights?: Map<string, unknown> }).highlights?.delete("velk-find");
  }
}

// The matched text with a little of what surrounds it, the match in a <mark>.
function snippet(hit: SearchHit): HTMLElement {
  const text = document.createElement("span");
  text.className = "find-text";
  const from = Math.max(0, hit.start - 30), to = Math.min(hit.text.length, hit.end + 60);
  const mark = document.createElement("mark");
  mark.textContent = hit.text.slice(hit.start, hit.end);
  text.append((from > 0 ? "…" : "") + hit.text.slice(from, hit.start).replace(/\s+/g, " "), mark,
    hit.text.slice(hit.end, to).replace(/\s+/g, " ") + (to < hit.text.length ? "…" : ""));
  return text;
}

// The first place `needle` shows in `element`'s text, folded as the search folds it.
function rangeOf(element: Element, needle: string, matchCase: boolean): Range | null {
  const walker = document.createTreeWalker(element, NodeFilter.SHOW_TEXT);
  const wanted = fold(needle, matchCase).text;
  for (let node = walker.nextNode(); node; node = walker.nextNode()) {
    const folded = fold(node.textContent ?? "", matchCase);
    const at = folded.text.indexOf(wanted);
    if (at < 0) continue;
    const range = document.createRange();
    const start = folded.origin ? folded.origin[at] : at;
    const end = folded.origin ? folded.origin[at + wanted.length] : at + wanted.length;
    range.setStart(node, start);
    range.setEnd(node, end);
    return range;
  }
  return null;
}
