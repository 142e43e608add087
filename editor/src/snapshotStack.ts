// A stack of whole-document snapshots that holds only its top one whole. Each one below is kept
// as what differs from the one above it: the text between the prefix and suffix they share. One
// edit of a 20,000-card map then keeps a few bytes instead of the four megabytes of its document.
import type { Snapshot } from "./undo";

interface Difference {
  path: string;
  prefix: number; // characters shared with the start of the snapshot above
  suffix: number; // and with its end
  middle: Uint8Array | Uint16Array; // the rest, copied (see stored)
}

// Compared a block at a time, which the engine does natively, then a character at a time.
const block = 4096;

function sharedPrefix(a: string, b: string): number {
  const most = Math.min(a.length, b.length);
  let n = 0;
  while (n + block <= most && a.slice(n, n + block) === b.slice(n, n + block)) n += block;
  while (n < most && a.charCodeAt(n) === b.charCodeAt(n)) n++;
  return n;
}

// At most `most` characters, so that prefix and suffix never overlap.
function sharedSuffix(a: string, b: string, most: number): number {
  let n = 0;
  while (n + block <= most && a.slice(a.length - n - block, a.length - n) === b.slice(b.length - n - block, b.length - n)) n += block;
  while (n < most && a.charCodeAt(a.length - n - 1) === b.charCodeAt(b.length - n - 1)) n++;
  return n;
}

const loneSurrogate = /[\ud800-\udbff](?![\udc00-\udfff])|(?<![\ud800-\udbff])[\udc00-\udfff]/;

// Copies, never slices: a slice of a string may keep the whole string it came from alive. UTF-8
// is the compact copy; a lone surrogate, which UTF-8 cannot carry (a cut through an emoji's
// pair), is kept as UTF-16 units.
function stored(middle: string): Uint8Array | Uint16Array {
  if (!loneSurrogate.test(middle)) return new TextEncoder().encode(middle);
  const units = new Uint16Array(middle.length);
  for (let i = 0; i < middle.length; i++) units[i] = middle.charCodeAt(i);
  return units;
}

function text(middle: Uint8Array | Uint16Array): string {
  // A middle may begin with U+FEFF, which is text here, not a byte order mark to drop.
  if (middle instanceof Uint8Array) return new TextDecoder("utf-8", { ignoreBOM: true }).decode(middle);
  let out = "";
  for (let i = 0; i < middle.length; i += block) out += String.fromCharCode(...middle.subarray(i, i + block));
  return out;
}

function difference(below: Snapshot, above: string): Difference {
  const body = below.body;
  const prefix = sharedPrefix(body, above);
  const suffix = sharedSuffix(body, above, Math.min(body.length, above.length) - prefix);
  return { path: below.path, prefix, suffix, middle: stored(body.slice(prefix, body.length - suffix)) };
}

function applied(d: Difference, above: string): Snapshot {
  return { path: d.path, body: above.slice(0, d.prefix) + text(d.middle) + above.slice(above.length - d.suffix) };
}

export class SnapshotStack {
  private top: Snapshot | null = null;
  private below: Difference[] = []; // oldest first; the last is relative to the top

  get length(): number {
    return this.top ? this.below.length + 1 : 0;
  }

  get topBody(): string | undefined {
    return this.top?.body;
  }

  push(s: Snapshot): void {
    if (this.top) this.below.push(difference(this.top, s.body));
    this.top = s;
  }

  pop(): Snapshot | null {
    const popped = this.top;
    const next = this.below.pop();
    this.top = popped && next ? applied(next, popped.body) : null;
    return popped;
  }

  dropOldest(): void {
    if (this.below.length) this.below.shift();
    else this.top = null;
  }

  clear(): void {
    this.top = null;
    this.below = [];
  }
}
