// One open document as the page holds it: the maps, the map on screen, the undo stack and the
// save queue, with no DOM. Every edit goes through change(), which records undo and schedules
// a save of the whole document.
import { BridgeClient } from "./bridge";
import { str } from "./json";
import { MapDocument, rootPath } from "./model";
import { SaveQueue, SaveStatus, Timers } from "./saver";
import { Snapshot, UndoStack } from "./undo";

// Text the user is typing into a card field, which a reload must not lose.
export interface Draft { id: string; field: string; text: string }

export interface SessionEvents {
  edited(): void; // redraw after a change
  replaced(reason: "load" | "undo"): void; // the document object is a new one
  saveStatus(status: SaveStatus, error: string | null): void;
  failed(message: string): void;
  draft(): Draft | null;
  restoreDraft(draft: Draft, onCard: boolean): void;
}

// Edits made while the state travels are saved and the state asked for again, this often.
const reloadAttempts = 3;
// The member of a save body that says it was made before the document velk last sent arrived.
const madeBeforeReload = "madeBeforeReload";

export class DocumentSession {
  doc = MapDocument.fromState(null);
  path = rootPath;
  readonly undo = new UndoStack();
  readonly saver: SaveQueue;
  private edits = 0;
  private loaded = false;
  // From asking for velk's document until it is in place, the page's document is older than
  // velk's: what is saved meanwhile must not go over another program's version. A page that gave
  // up and kept its own document stays behind until a load succeeds.
  private behindVelk = false;

  constructor(private bridge: BridgeClient, private events: SessionEvents, timers: Timers, saveDelayMs = 300) {
    this.saver = new SaveQueue(
      () => this.bridge.request("save", { body: JSON.stringify(this.bodyToSave()) }).then(() => undefined),
      (status, error) => this.events.saveStatus(status, error),
      timers,
      saveDelayMs,
    );
  }

  private bodyToSave(): object {
    const body = this.doc.saveBody();
    return this.behindVelk && this.loaded ? { ...body, [madeBeforeReload]: true } : body;
  }

  snapshot(): Snapshot {
    return { body: this.doc.snapshot(), path: this.path };
  }

  // Until velk's document has arrived, the page holds an empty stand-in; an edit of it saved
  // over the package would wipe the map, so edits wait for the first load.
  get ready(): boolean {
    return this.loaded;
  }

  change(fn: () => void, key: string | null = null, before?: Snapshot): void {
    if (!this.loaded) return;
    this.undo.record(() => before ?? this.snapshot(), key);
    fn();
    this.edits++;
    this.saver.changed();
    this.events.edited();
  }

  undoChange(): boolean { return this.restore(this.undo.undo(this.snapshot())); }
  redoChange(): boolean { return this.restore(this.undo.redo(this.snapshot())); }

  private restore(s: Snapshot | null): boolean {
    if (!s || !this.loaded) return false;
    this.doc = MapDocument.fromState(JSON.parse(s.body));
    this.path = this.doc.map(s.path) ? s.path : rootPath;
    this.edits++;
    this.events.replaced("undo");
    this.saver.changed();
    this.events.edited();
    return true;
  }

  // Takes the document from velk. Returns false when it could not be had.
  async load(op: "load" | "refresh" = "load"): Promise<boolean> {
    this.behindVelk = true;
    try {
      for (let attempt = 1; ; attempt++) {
        const edits = this.edits;
        const state = await this.bridge.request(op);
        if (this.edits === edits) {
          this.replace(state);
          return true;
        }
        // The state is older than those edits: never put in their place, and never drop them.
        await this.saver.flush();
        if (this.saver.refused) return this.keptEdits();
        if (attempt === reloadAttempts) return this.keptEdits("your edits kept coming while it was read again");
      }
    } catch (error) {
      this.events.failed(`Could not load the map: ${(error as Error).message}`);
      return false;
    }
  }

  // velk read the package again (another program changed it). Pending edits are sent first so
  // nothing made here is lost; when velk refuses them, the page keeps its own document rather
  // than drop the edits for the one on disk.
  async changed(): Promise<boolean> {
    await this.saver.flush();
    if (this.saver.refused) return this.keptEdits();
    return this.load("refresh");
  }

  private keptEdits(why = `your edits could not be saved: ${this.saver.lastError ?? "refused"}`): false {
    this.events.failed(`The map changed on disk, but ${why}. They are kept here.`);
    return false;
  }

  private replace(state: unknown): void {
    const draft = this.events.draft();
    this.behindVelk = false;
    this.doc = MapDocument.fromState(state);
    this.loaded = true;
    this.saver.discard();
    // Steps recorded before hold whole documents from before: undoing one would put back the
    // old document over whatever another program changed.
    this.undo.clear();
    if (!this.doc.map(this.path)) this.path = rootPath;
    this.events.replaced("load");
    if (!draft) return;
    // What is being typed wins over what was loaded: it is the newest text of that card.
    const node = this.doc.node(this.path, draft.id);
    if (node && str(node[draft.field]) !== draft.text) this.change(() => { node[draft.field] = draft.text; }, `edit:${this.path}:${draft.id}`);
    this.events.restoreDraft(draft, !!node);
  }
}
