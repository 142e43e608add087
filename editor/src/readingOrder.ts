// Keyboard navigation between cards in reading order: top to bottom, then left to right.
import { Rect } from "./geometry";

export interface Placed { id: string; rect: Rect; node: { type: string } }

// The card after (step 1) or before (step -1) `current`; from nothing, the first or last.
// Groups are skipped unless they are all there is.
export function readingOrderStep<T extends Placed>(items: readonly T[], current: string | undefined, step: 1 | -1): T | null {
  const ordered = items.filter((i) => i.node.type !== "group" || items.length === 1)
    .sort((a, b) => a.rect.y - b.rect.y || a.rect.x - b.rect.x);
  if (!ordered.length) return null;
  const at = ordered.findIndex((i) => i.id === current);
  if (at < 0) return step > 0 ? ordered[0] : ordered[ordered.length - 1];
  return ordered[(at + step + ordered.length) % ordered.length];
}
