// Builds the DOM of cards and edges. Everything taken from the map goes in as text or through
// the Markdown renderer, which escapes it; colours pass through colourValue.
import { colourValue } from "./colors";
import { EdgeRoute, Point } from "./geometry";
import { InkSource, linePath, penColour, polyline } from "./ink";
import { JsonObject, isObject, str } from "./json";
import { renderMarkdown } from "./markdown";
import { CardNode, cardTitle } from "./model";

const svgNS = "http://www.w3.org/2000/svg";
export const imageExtensions = /\.(png|jpe?g|gif|webp|svg|avif|bmp)$/i;

export interface CardContext {
  hasSubmap: boolean;
  submapTitle: string;
  sidecar: JsonObject | undefined;
  ink: InkSource | null;
  mediaURL(path: string): string;
}

// The URL of a file of the package from its path, relative to the page. Each segment is
// percent-encoded, so a name holding "#", "?", "%" or spaces comes back whole to velk, which
// decodes the escapes.
export function packageURL(path: string): string {
  return path.split("/").map(encodeURIComponent).join("/");
}

// A CSS url() of a URL made already; only what would end or break the string is escaped.
export function cssURL(url: string): string {
  return `url("${url.replace(/["\\\n\r]/g, encodeURIComponent)}")`;
}

function el<K extends keyof HTMLElementTagNameMap>(tag: K, cls?: string, text?: string): HTMLElementTagNameMap[K] {
  const e = document.createElement(tag);
  if (cls) e.className = cls;
  if (text !== undefined) e.textContent = text;
  return e;
}

export function svg<K extends keyof SVGElementTagNameMap>(tag: K, attrs: Record<string, string | number> = {}): SVGElementTagNameMap[K] {
  const e = document.createElementNS(svgNS, tag);
  for (const [k, v] of Object.entries(attrs)) e.setAttribute(k, String(v));
  return e;
}

function paintColour(card: HTMLElement, node: CardNode): void {
  const colour = colourValue(node.color);
  if (colour) card.style.setProperty("--card-color", colour);
  else card.style.removeProperty("--card-color");
  card.classList.toggle("colored", !!colour);
}

// A card far out, where its content would be specks: its colour and outline only.
export function fillBox(card: HTMLElement, node: CardNode): void {
  card.replaceChildren();
  paintColour(card, node);
  card.classList.add("box");
}

// A card at middle distance: its title line as plain text, large enough to read there.
export function fillTitle(card: HTMLElement, node: CardNode): void {
  card.replaceChildren(el("div", "card-title", cardTitle(node)));
  paintColour(card, node);
  card.classList.add("summary");
}

export function fillCard(card: HTMLElement, node: CardNode, ctx: CardContext): void {
  card.replaceChildren();
  paintColour(card, node);

  if (ctx.ink) {
    card.classList.add("ink");
    card.append(inkDrawing(ctx.ink, node));
    return;
  }
  switch (node.type) {
    case "group": {
      const label = el("div", "group-label", str(node.label));
      card.append(label);
      const background = str(node.background);
      if (background) {
        card.style.backgroundImage = cssURL(ctx.mediaURL(background));
        const style = str(node.backgroundStyle, "cover");
        card.style.backgroundSize = style === "ratio" ? "contain" : style === "repeat" ? "auto" : "cover";
        card.style.backgroundRepeat = style === "repeat" ? "repeat" : "no-repeat";
      } else card.style.backgroundImage = "";
      break;
    }
    case "link":
      card.append(linkPreview(node, ctx));
      break;
    case "file": {
      const file = str(node.file);
      const opensSubmap = ctx.hasSubmap || /\.canvas$/i.test(file);
      // A note that became a submap keeps its text beside the file: it is still the card's body.
      if (opensSubmap && str(node.text)) card.append(noteBody(node), el("div", "submap-badge", "↳ submap"));
      else if (opensSubmap) card.append(submapFace(ctx.submapTitle || cardTitle(node)));
      else if (imageExtensions.test(file)) {
        const img = el("img", "image");
        img.src = ctx.mediaURL(file);
        img.alt = file.slice(file.lastIndexOf("/") + 1);
        img.draggable = false;
        card.append(img);
      } else {
        const face = el("div", "file-face");
        face.append(el("div", "file-icon", "📄"), el("div", "file-name", file.slice(file.lastIndexOf("/") + 1) || "File"));
        if (str(node.subpath)) face.append(el("div", "file-sub", str(node.subpath)));
        card.append(face);
      }
      break;
    }
    default:
      card.append(noteBody(node));
  }
  if (ctx.hasSubmap && node.type !== "file") card.append(el("div", "submap-badge", "↳ submap"));
}

function noteBody(node: CardNode): HTMLElement {
  const body = el("div", "md");
  body.innerHTML = renderMarkdown(str(node.text));
  return body;
}

function submapFace(title: string): HTMLElement {
  const face = el("div", "submap-face");
  face.append(el("div", "submap-stack"), el("div", "submap-title", title), el("div", "submap-hint", "Open submap"));
  return face;
}

function linkPreview(node: CardNode, ctx: CardContext): HTMLElement {
  const url = str(node.url);
  const preview = ctx.sidecar && isObject(ctx.sidecar.preview) ? ctx.sidecar.preview : {};
  const box = el("div", "link-card");
  const image = str(preview.image);
  if (image) {
    const img = el("img", "link-image");
    img.src = ctx.mediaURL(image);
    img.alt = "";
    img.draggable = false;
    box.append(img);
  }
  const text = el("div", "link-text");
  text.append(el("div", "link-title", str(preview.title) || url));
  if (str(preview.description)) text.append(el("div", "link-desc", str(preview.description)));
  const a = el("a", "link-site", linkSite(url, preview));
  if (/^https?:\/\//i.test(url)) {
    a.href = url;
    a.target = "_blank";
    a.rel = "noreferrer";
  }
  text.append(a);
  box.append(text);
  return box;
}

// The site a link card names: the preview's, else the link's host, else the link itself.
export function linkSite(url: string, preview: JsonObject): string {
  const site = str(preview.siteName);
  if (site) return site;
  try { return new URL(url).hostname; } catch { return url; }
}

function inkDrawing(ink: InkSource, node: CardNode): SVGSVGElement {
  const x = Number(node.x) || 0, y = Number(node.y) || 0, w = Number(node.width) || 1, h = Number(node.height) || 1;
  const root = svg("svg", { viewBox: `${x} ${y} ${w} ${h}`, width: "100%", height: "100%", class: "ink-svg" });
  for (const s of ink.strokes) if (s.points.length >= 2) root.append(inkPath(polyline(s.points), s.palette));
  for (const l of ink.lines) root.append(inkPath(linePath(l), l.palette));
  return root;
}

export function inkPath(d: string, palette: string): SVGPathElement {
  return svg("path", { d, fill: "none", stroke: penColour(palette), "stroke-width": 4, "stroke-linecap": "round", "stroke-linejoin": "round" });
}

export function routePath(route: EdgeRoute): string {
  return `M${route.from.x} ${route.from.y} C${route.c1.x} ${route.c1.y} ${route.c2.x} ${route.c2.y} ${route.to.x} ${route.to.y}`;
}

// One edge: a wide invisible path for the pointer, the visible curve, arrowheads and a label.
export function edgeElement(id: string, route: EdgeRoute, edge: JsonObject, selected: boolean): SVGGElement {
  const g = svg("g", { class: selected ? "edge selected" : "edge", "data-edge": id });
  const colour = colourValue(edge.color) ?? "var(--edge)";
  const d = routePath(route);
  g.append(svg("path", { d, class: "edge-hit" }));
  const line = svg("path", { d, class: "edge-line" });
  line.style.stroke = colour;
  g.append(line);
  const toEnd = str(edge.toEnd, "arrow"), fromEnd = str(edge.fromEnd, "none");
  if (toEnd === "arrow") g.append(arrow(route.to, route.c2, colour));
  if (fromEnd === "arrow") g.append(arrow(route.from, route.c1, colour));
  const label = str(edge.label);
  if (label) {
    const t = svg("text", { x: route.mid.x, y: route.mid.y, class: "edge-label", "text-anchor": "middle", "dominant-baseline": "middle" });
    t.textContent = label;
    g.append(t);
  }
  return g;
}

// An arrowhead's three corners: its tip, and two points back along the curve's direction.
export function arrowPoints(tip: Point, from: Point): Point[] {
  const angle = Math.atan2(tip.y - from.y, tip.x - from.x);
  const len = 14, spread = 0.45;
  return [tip, ...[angle - spread, angle + spread].map((a) => ({ x: tip.x - len * Math.cos(a), y: tip.y - len * Math.sin(a) }))];
}

function arrow(tip: Point, from: Point, colour: string): SVGPolygonElement {
  const p = svg("polygon", { points: arrowPoints(tip, from).map((q) => `${q.x},${q.y}`).join(" "), class: "edge-arrow" });
  p.style.fill = colour;
  return p;
}
