// How much of a card a frame draws. Far out, a card is a few pixels wide and its text cannot be
// read, so it is drawn as a plain box: no Markdown, no images, no handles. Painting thousands of
// full cards is what makes a zoomed-out map slow.
import { JsonObject, str } from "./json";
import { CardNode } from "./model";

export type Detail = "full" | "box";

// Below this zoom, 14px text is under 4px on screen.
export const boxZoom = 0.3;

export function detailAt(zoom: number): Detail {
  return zoom < boxZoom ? "box" : "full";
}

// Groups keep their label, which is what orients a zoomed-out reader, and ink keeps its
// drawing, which is all there is of it; every other card becomes a box far out.
export function drawsAsBox(detail: Detail, node: CardNode, inked: boolean, pinned: boolean): boolean {
  return detail === "box" && !pinned && !inked && node.type !== "group";
}

// What a card's element depends on, to redraw it only when that changed.
export function cardSignature(node: CardNode, record: JsonObject | undefined, hasSubmap: boolean, asBox: boolean): string {
  if (asBox) return `box|${str(node.type)}|${str(node.color)}`;
  return JSON.stringify(node) + (record ? JSON.stringify(record) : "") + (hasSubmap ? "S" : "");
}

// Where a card's element sits and how it stacks, compared before writing its style.
export function placeSignature(x: number, y: number, width: number, height: number, z: number): string {
  return `${x},${y},${width},${height},${z}`;
}
