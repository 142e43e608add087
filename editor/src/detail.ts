// How much of a card a frame draws. Far out, a card is a few pixels wide and its text cannot be
// read, so it is drawn as a plain box: no Markdown, no images, no handles. In between, where
// body text is specks but a large title still reads, a card shows its title line only. Painting
// thousands of full cards is what makes a zoomed-out map slow.
import { JsonObject, str } from "./json";
import { CardNode, cardTitle } from "./model";

export type Detail = "full" | "title" | "box";

// Below this zoom, 14px text is under 4px on screen.
export const boxZoom = 0.3;
// Below this zoom, body text is under about 8px on screen: the title, drawn large, is what reads.
export const titleZoom = 0.6;

export function detailAt(zoom: number): Detail {
  return zoom < boxZoom ? "box" : zoom < titleZoom ? "title" : "full";
}

// What one card draws at the view's detail. Selected and edited cards keep their handles and
// editor, groups their label, which is what orients a zoomed-out reader, and ink its drawing,
// which is all there is of it.
export function cardDetail(detail: Detail, node: CardNode, inked: boolean, pinned: boolean): Detail {
  return pinned || inked || node.type === "group" ? "full" : detail;
}

// What a card's element depends on, to redraw it only when that changed. Where a card sits is
// not part of it (placeSignature is), so cards being dragged are moved, not rebuilt; an ink
// drawing is laid out in canvas coordinates, so it is.
export function cardSignature(node: CardNode, record: JsonObject | undefined, hasSubmap: boolean, detail: Detail,
  inked = false): string {
  if (detail === "box") return `box|${str(node.type)}|${str(node.color)}`;
  if (detail === "title") return `title|${str(node.type)}|${str(node.color)}|${cardTitle(node)}`;
  const { x, y, width, height, ...shown } = node;
  const place = inked ? `|${x},${y},${width},${height}` : "";
  return JSON.stringify(shown) + (record ? JSON.stringify(record) : "") + (hasSubmap ? "S" : "") + place;
}

// Where a card's element sits and how it stacks, compared before writing its style.
export function placeSignature(x: number, y: number, width: number, height: number, z: number): string {
  return `${x},${y},${width},${height},${z}`;
}

// The zoom a selected card's handles are sized for, to keep about their size on screen. It moves in
// steps of a quarter octave (handles then stay within 9% of their size) and stops at half size
// below: each new value restyles every handle in view, which would otherwise be every zoom step.
export const minHandleZoom = 0.5;
export function handleZoomFor(zoom: number): number {
  return zoom <= minHandleZoom ? minHandleZoom : 2 ** (Math.round(Math.log2(zoom) * 4) / 4);
}
