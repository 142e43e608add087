// What the parts of the editor page see of the editor. app.ts puts the parts together and is
// the only file that knows them all; each part takes just the members it uses, so none of them
// depends on app.ts or on the parts it never calls.
import type { Camera } from "./camera";
import type { Item } from "./canvasView";
import type { Dialogs } from "./dialogs";
import type { Alignment, Point, View } from "./geometry";
import type { Connection } from "./host";
import type { InkLine, LineStyle, Pen, Stroke } from "./ink";
import type { CardNode, MapDocument } from "./model";
import type { DocumentSession } from "./session";
import type { Snapshot } from "./undo";

export type Tool = "select" | "pen" | "line";

export interface CardActions {
  carried(): CardNode[];
  selectAll(): void;
  deleteSelection(): void;
  setColour(colour: string | null): void;
  moveSelection(dx: number, dy: number): void;
  alignSelection(how: Alignment): void;
  restack(toFront: boolean): void;
  groupSelection(): void;
  duplicate(): void;
  copy(): string | null;
  cut(): string | null;
  ownsClipboard(text: string): boolean;
  paste(): boolean;
  connect(fromId: string, fromSide: string, toId: string, toSide: string): void;
  editEdgeLabel(id: string): void;
}

export interface TextActions {
  readonly editingId: string | null;
  start(id: string): void;
  stop(commit: boolean): void;
}

export interface MediaActions {
  addImages(files: Blob[], at: Point): void;
  addLink(url: string, at: Point): void;
  fetchPreview(id: string): Promise<void>;
  editPreview(id: string): void;
}

export interface DocumentActions {
  home(): void;
  feedback(): void;
  saveAs(): void;
  exportPicture(): void;
  renameCurrent(): void;
  renameSubmap(mapPath: string): void;
  toggleGrid(): void;
  share(): Promise<void>;
  unshare(): Promise<void>;
  copyShareLink(): void;
}

export interface FindActions {
  readonly isOpen: boolean;
  open(): void;
  close(): void;
  step(direction: 1 | -1): void;
}

export interface CanvasSurface {
  readonly items: Item[];
  cardElement(id: string): HTMLElement | undefined;
  cardAt(target: Element | null, at: Point): string | undefined;
}

// The whole editor as its parts know it. Every change goes through change(), which records
// undo, redraws and schedules a save.
export interface EditorContext {
  readonly name: string;
  readonly doc: MapDocument;
  readonly path: string;
  readonly selection: Set<string>;
  selectedEdge: string | null;
  readonly tool: Tool;
  pen: Pen;
  lineStyle: LineStyle;
  readonly conn: Connection;
  readonly session: DocumentSession;
  readonly dialogs: Dialogs;
  readonly camera: Camera;
  readonly canvas: CanvasSurface;
  readonly text: TextActions;
  readonly cards: CardActions;
  readonly media: MediaActions;
  readonly documents: DocumentActions;
  readonly pointer: { readonly dragging: boolean };
  readonly find: FindActions;
  readonly palette: { open(): void };

  setName(name: string): void;
  change(fn: () => void, key?: string | null, before?: Snapshot): void;
  undoChange(): void;
  redoChange(): void;
  invalidate(viewOnly?: boolean): void;
  invalidateMoved(ids: Iterable<string>): void;
  render(content?: boolean): void;
  fit(): void;
  focusCanvas(): void;
  select(ids: Iterable<string>): void;
  setTool(tool: Tool): void;
  submapOf(id: string): string;
  openMap(path: string): void;
  openSubmap(id: string): void;
  goUp(): void;
  createCard(at: Point, text?: string, edit?: boolean): string;
  addInk(stroke: Stroke | null, line: InkLine | null): void;
}

// The narrower views, one for each part that needs only a little of the editor.
export type CardHost = Pick<EditorContext, "doc" | "path" | "selection" | "selectedEdge" | "change" | "select"> & {
  readonly camera: Pick<Camera, "centre">;
  readonly dialogs: Pick<Dialogs, "askText">;
};

export type TextHost = Pick<EditorContext, "doc" | "path" | "change" | "render" | "invalidate" | "focusCanvas"> & {
  readonly canvas: Pick<CanvasSurface, "cardElement">;
  readonly media: Pick<MediaActions, "fetchPreview">;
};

export type MediaHost = Pick<EditorContext, "doc" | "path" | "conn" | "change" | "select"> & {
  readonly dialogs: Pick<Dialogs, "ask" | "toast">;
};

export type DocumentHost = Pick<EditorContext, "name" | "doc" | "path" | "conn" | "setName" | "change" | "selection"> & {
  readonly session: { readonly saver: { flush(): Promise<void> } };
  readonly dialogs: Pick<Dialogs, "askText" | "toast" | "showShare" | "hideShare">;
};

export type EditMenuHost = Pick<EditorContext, "selection" | "undoChange" | "redoChange" | "createCard"> & {
  readonly camera: Pick<Camera, "centre">;
  readonly text: Pick<TextActions, "editingId">;
  readonly cards: Pick<CardActions, "selectAll" | "copy" | "cut" | "ownsClipboard" | "paste">;
  readonly media: Pick<MediaActions, "addImages" | "addLink">;
};

export type FindHost = Pick<EditorContext, "name" | "doc" | "path" | "selectedEdge" | "select" | "openMap" | "invalidate" | "focusCanvas"> & {
  readonly camera: Pick<Camera, "centreOn">;
  readonly canvas: Pick<CanvasSurface, "cardElement">;
};

export type PointerHost = Pick<EditorContext, "doc" | "path" | "selection" | "selectedEdge" | "tool" | "pen" | "lineStyle"
  | "camera" | "canvas" | "text" | "cards" | "change" | "invalidate" | "invalidateMoved" | "select" | "focusCanvas" | "createCard" | "addInk"
  | "openSubmap"> & {
  readonly session: Pick<DocumentSession, "snapshot">;
  readonly media: Pick<MediaActions, "addImages" | "addLink">;
};

// What the browser demo's timing of a big map drives.
export interface BenchHost {
  doc: MapDocument;
  view: View;
  render(content?: boolean): void;
}
