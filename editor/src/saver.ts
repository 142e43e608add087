// Sends the whole document to velk a short while after the last change, with at most one save
// in flight. Changes made while a save is travelling are sent by the next one. A refused save
// keeps the edits in the page; the next change or flush tries again.
export interface Timers {
  set(fn: () => void, ms: number): unknown;
  clear(handle: unknown): void;
}

export const browserTimers: Timers = { set: (fn, ms) => setTimeout(fn, ms), clear: (handle) => clearTimeout(handle as number) };

export type SaveStatus = "saved" | "waiting" | "saving" | "failed";

export class SaveQueue {
  private timer: unknown = null;
  private inFlight = false;
  private dirty = false;
  private idleWaiters: Array<() => void> = [];
  status: SaveStatus = "saved";
  lastError: string | null = null;

  constructor(
    private send: () => Promise<void>,
    private onStatus: (status: SaveStatus, error: string | null) => void,
    private timers: Timers,
    private delayMs = 300,
  ) {}

  changed(): void {
    this.dirty = true;
    this.setStatus("waiting", null);
    if (this.timer !== null) this.timers.clear(this.timer);
    this.timer = this.timers.set(() => {
      this.timer = null;
      this.start();
    }, this.delayMs);
  }

  // Sends pending changes now (before a reload, when the page is hidden or the window closes),
  // and tries a refused save again: the edits it held are still only here.
  flush(): Promise<void> {
    if (this.timer !== null) {
      this.timers.clear(this.timer);
      this.timer = null;
    }
    if (this.refused) this.dirty = true;
    this.start();
    return this.idle();
  }

  // Resolves once nothing is waiting or travelling.
  idle(): Promise<void> {
    if (!this.inFlight && !this.dirty) return Promise.resolve();
    return new Promise((resolve) => this.idleWaiters.push(resolve));
  }

  // Forgets unsent changes, after the document was replaced by a fresh load.
  discard(): void {
    if (this.timer !== null) this.timers.clear(this.timer);
    this.timer = null;
    this.dirty = false;
    this.unsaved = false;
    if (!this.inFlight) this.settle();
  }

  // True while changes wait, travel, or were refused by the last save.
  get pending(): boolean {
    return this.dirty || this.inFlight || this.unsaved;
  }

  private unsaved = false;

  // True when the last save was refused and its edits are still only in the page.
  get refused(): boolean {
    return this.unsaved && !this.dirty && !this.inFlight;
  }

  private start(): void {
    if (this.inFlight || !this.dirty) return;
    this.inFlight = true;
    this.dirty = false;
    this.setStatus("saving", null);
    this.send().then(
      () => this.finish(null),
      (error: unknown) => this.finish(error instanceof Error ? error.message : String(error)),
    );
  }

  private finish(error: string | null): void {
    this.inFlight = false;
    this.unsaved = error !== null;
    if (error !== null) this.setStatus("failed", error);
    if (this.dirty && this.timer === null) {
      this.start();
      return;
    }
    if (error === null && !this.dirty) this.setStatus("saved", null);
    this.settle();
  }

  private settle(): void {
    if (this.timer !== null || this.inFlight) return;
    const waiters = this.idleWaiters;
    this.idleWaiters = [];
    for (const w of waiters) w();
  }

  private setStatus(status: SaveStatus, error: string | null): void {
    this.status = status;
    this.lastError = error;
    this.onStatus(status, error);
  }
}
