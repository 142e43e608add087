// The editor page: one map on screen at a time, the whole document in memory. This file puts the
// parts together, holds what they share (the selection, the tool and the map on screen) and
// starts the page. Every change goes through change(), which records undo, redraws and
// schedules a save.
import { runBench } from "./bench";
import { Camera } from "./camera";
import { CanvasView } from "./canvasView";
import { CardCommands } from "./cardCommands";
import { Chrome } from "./chrome";
import { Dialogs } from "./dialogs";
import { $ } from "./dom";
import { DocumentCommands } from "./documentCommands";
import { EditMenu } from "./editMenu";
import type { EditorContext, Tool } from "./editorContext";
import { exportPicture } from "./exportPicture";
import { FindBar } from "./findBar";
import { Palette } from "./palette";
import { Point, View, formatFragment, parseFragment, snap, union } from "./geometry";
import { Connection, connect } from "./host";
import { InkLine, LineStyle, Pen, Stroke } from "./ink";
import { appendInk } from "./inkEdit";
import { KeyboardInput } from "./keyboard";
import { MediaInput } from "./mediaInput";
import { CardNode, MapDocument, box, cardIdOf, mayOpenSubmap, newId, ownsSubmap, parentPath, submapPath } from "./model";
import { PointerInput } from "./pointer";
import { browserTimers } from "./saver";
import { Draft, DocumentSession } from "./session";
import { Snapshot } from "./undo";
import { TextEditing } from "./textEditing";
import { ViewAddress, replaceFragment } from "./viewAddress";

class Editor implements EditorContext {
  name = "Untitled map";
  selection = new Set<string>();
  selectedEdge: string | null = null;
  tool: Tool = "select";
  pen: Pen = "default";
  lineStyle: LineStyle = "straight";
  readonly editable = true;
  readonly session: DocumentSession;
  readonly dialogs = new Dialogs(() => this.focusCanvas());
  readonly camera: Camera;
  readonly canvas: CanvasView = new CanvasView(this);
  readonly text: TextEditing = new TextEditing(this);
  readonly cards = new CardCommands(this);
  readonly media = new MediaInput(this);
  readonly documents = new DocumentCommands(this);
  readonly pointer = new PointerInput(this);
  readonly find = new FindBar(this);
  readonly keys = new KeyboardInput(this);
  readonly palette = new Palette((entry) => this.keys.run(entry.command.id, new KeyboardEvent("keydown", entry.event)),
    () => this.focusCanvas());
  private readonly chrome = new Chrome(this);
  private readonly viewport = $("viewport");
  private inkCard: string | null = null; // the ink card that further strokes join
  private frame = 0;
  private contentChanged = true;
  private moved = new Set<string>();
  private loading: Promise<unknown> = Promise.resolve();
  // A page opened from a file has no address of its own to keep the view in.
  private readonly address = new ViewAddress(browserTimers, (fragment) => { if (location.protocol !== "file:") replaceFragment(fragment); });

  constructor(readonly conn: Connection) {
    this.camera = new Camera(this.viewport, () => this.invalidate(true));
    this.session = new DocumentSession(conn.bridge, {
      edited: () => { this.invalidate(); this.find.documentChanged(); },
      replaced: (reason) => { this.replaced(reason); this.find.documentChanged(); },
      saveStatus: (status, error) => this.dialogs.saveStatus(status, error),
      failed: (message) => this.dialogs.toast(message, true),
      draft: () => this.text.draft(),
      restoreDraft: (draft, onCard) => this.restoreDraft(draft, onCard),
    }, browserTimers);
    this.chrome.bind();
    this.find.bind();
    this.pointer.bind();
    this.keys.bind();
    this.palette.bind();
    new EditMenu(this).bind();
    new ResizeObserver(() => this.camera.resized()).observe(this.viewport);
    // velk calls this before it closes the window or quits, and waits for it: what was changed
    // in the last moments (typing within the save delay) reaches velk before the page goes.
    window.__velkFlush = () => this.session.saver.flush();
    window.__velkCommand = (id) => this.keys.run(id, new KeyboardEvent("keydown"));
    window.__velkExport = async (request) => {
      await this.loading;
      return exportPicture(this, request);
    };
    window.addEventListener("pagehide", () => void this.session.saver.flush());
    document.addEventListener("visibilitychange", () => { if (document.hidden) void this.session.saver.flush(); });
  }

  get doc(): MapDocument { return this.session.doc; }
  set doc(doc: MapDocument) { this.session.doc = doc; }
  get path(): string { return this.session.path; }
  get view(): View { return this.camera.view; }
  set view(view: View) { this.camera.view = view; }

  // ---- document ------------------------------------------------------------------------------

  async load(): Promise<void> {
    const loading = this.session.load();
    this.loading = loading;
    if (!(await loading)) return;
    const fromURL = parseFragment(location.hash);
    if (fromURL) this.camera.view = fromURL;
    else this.fit();
  }

  async changed(_notice: unknown): Promise<void> {
    await this.session.changed();
  }

  setName(name: string): void {
    this.name = name;
    document.title = name ? `${name} — velk` : "velk";
    this.invalidate();
  }

  change(fn: () => void, key: string | null = null, before?: Snapshot): void {
    this.session.change(fn, key, before);
  }

  undoChange(): void { this.session.undoChange(); }
  redoChange(): void { this.session.redoChange(); }

  private replaced(reason: "load" | "undo"): void {
    this.text.stop(false);
    this.canvas.clear();
    if (reason === "undo") this.select([]);
    else this.selection = new Set([...this.selection].filter((id) => this.doc.node(this.path, id)));
    this.invalidate();
  }

  private restoreDraft(draft: Draft, onCard: boolean): void {
    if (onCard) this.text.start(draft.id);
  }

  // ---- view ----------------------------------------------------------------------------------

  // `viewOnly` when only the camera moved: the next frame then only places the world and draws
  // the cards coming into view, which keeps pans and zooms of big maps fluid.
  invalidate(viewOnly = false): void {
    if (!viewOnly) this.contentChanged = true;
    if (!this.frame) this.frame = requestAnimationFrame(() => { this.frame = 0; this.render(this.contentChanged); });
  }

  // Only these cards moved (a drag step): the next frame places them and redraws their edges,
  // instead of looking at every card in view.
  invalidateMoved(ids: Iterable<string>): void {
    for (const id of ids) this.moved.add(id);
    this.invalidate(true);
  }

  render(content = true): void {
    this.contentChanged = false;
    const moved = this.moved;
    this.moved = new Set();
    this.canvas.render(content, moved);
    this.chrome.render();
    this.address.show(formatFragment(this.camera.view));
  }

  fit(): void {
    this.camera.fit(union(this.doc.nodes(this.path).map(box)));
  }

  focusCanvas(): void {
    this.viewport.focus({ preventScroll: true });
  }

  select(ids: Iterable<string>): void {
    this.selection = new Set(ids);
    this.selectedEdge = null;
    this.invalidate();
  }

  setTool(tool: Tool): void {
    this.tool = tool;
    this.inkCard = null;
    this.text.stop(true);
    this.invalidate();
  }

  // ---- maps ----------------------------------------------------------------------------------

  submapOf(id: string): string {
    return submapPath(this.path, id);
  }

  openMap(path: string): void {
    if (!this.doc.map(path)) return;
    this.text.stop(true);
    this.session.path = path;
    this.select([]);
    this.canvas.clear();
    this.fit();
  }

  // Opens a card's submap, making it first if the card has none yet.
  openSubmap(id: string): void {
    const card = this.doc.node(this.path, id);
    const hasSubmap = this.doc.hasSubmap(this.path, id);
    if (!card || !ownsSubmap(id) || !mayOpenSubmap(card, hasSubmap)) return;
    if (!hasSubmap) this.change(() => this.doc.createSubmap(this.path, id));
    this.openMap(this.submapOf(id));
  }

  goUp(): void {
    const parent = parentPath(this.path);
    if (parent === null) return;
    const id = cardIdOf(this.path);
    this.openMap(parent);
    this.select([id]);
  }

  // ---- making cards --------------------------------------------------------------------------

  createCard(at: Point, text = "", edit = true): string {
    const id = newId();
    const node: CardNode = { id, type: "text", text, x: snap(at.x - 125), y: snap(at.y - 30), width: 250, height: 60 };
    this.change(() => this.doc.addNode(this.path, node));
    this.select([id]);
    if (edit) this.text.start(id);
    return id;
  }

  // Strokes drawn one after another with the same tool join one ink card.
  addInk(stroke: Stroke | null, line: InkLine | null): void {
    this.change(() => { this.inkCard = appendInk(this.doc, this.path, this.inkCard, stroke, line); });
  }
}

// Connect to velk (or the in-browser demo), then load the document.
let editor: Editor | null = null;
const connection = connect(
  (notice) => void editor?.changed(notice),
  (name) => editor?.setName(name),
);
editor = new Editor(connection);

// "?bench=5000" measures the first render and a pan over a generated map (browser demo only).
const bench = Number(new URLSearchParams(location.search).get("bench"));
if (!connection.native && bench > 0) runBench(editor, bench);
else void editor.load();
