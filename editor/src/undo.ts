// Undo and redo over whole-document snapshots, so one stack covers every map of the document
// and an undo also takes the user back to the map where the change was made.
import { SnapshotStack } from "./snapshotStack";

export interface Snapshot {
  body: string;
  path: string;
}

export class UndoStack {
  private readonly done = new SnapshotStack();
  private readonly undone = new SnapshotStack();
  private lastKey: string | null = null;
  private lastAt = -Infinity;

  constructor(private limit = 100, private coalesceMs = 1000) {}

  // Records the state before a change, taken only when it is kept: a snapshot is the whole
  // document. Changes with the same non-empty key in quick succession (typing, nudging with
  // arrow keys) become one step.
  record(before: () => Snapshot, key: string | null = null, now = Date.now()): void {
    const merge = key !== null && key === this.lastKey && now - this.lastAt < this.coalesceMs;
    this.lastKey = key;
    this.lastAt = now;
    this.undone.clear();
    if (merge) return;
    const snapshot = before();
    if (this.done.topBody === snapshot.body) return;
    this.done.push(snapshot);
    if (this.done.length > this.limit) this.done.dropOldest();
  }

  undo(current: Snapshot): Snapshot | null {
    const previous = this.done.pop();
    if (!previous) return null;
    this.undone.push(current);
    this.lastKey = null;
    return previous;
  }

  redo(current: Snapshot): Snapshot | null {
    const next = this.undone.pop();
    if (!next) return null;
    this.done.push(current);
    this.lastKey = null;
    return next;
  }

  clear(): void {
    this.done.clear();
    this.undone.clear();
    this.lastKey = null;
  }

  get canUndo(): boolean {
    return this.done.length > 0;
  }

  get canRedo(): boolean {
    return this.undone.length > 0;
  }
}
