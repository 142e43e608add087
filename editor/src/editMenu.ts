// The Edit commands, whether they come from keys or from velk's Edit menu. Each belongs to the
// focused text field when there is one, else to the map. velk calls window.__velkEdit for
// undo, redo and select all; its Cut, Copy and Paste run as the web view's own commands,
// which reach the page's cut/copy/paste events only when the page claims them in the
// before* events.
import type { EditMenuHost } from "./editorContext";
import { EditCommand, isEditCommand, isTextEntry } from "./editFocus";
import { webLink } from "./mediaInput";

declare global {
  interface Window { __velkEdit?: (command: string) => boolean }
}

export class EditMenu {
  constructor(private ed: EditMenuHost) {}

  bind(): void {
    window.__velkEdit = (command) => isEditCommand(command) && this.run(command);
    document.addEventListener("beforecopy", (e) => { if (this.mapHasSelection(e)) e.preventDefault(); });
    document.addEventListener("beforecut", (e) => { if (this.mapHasSelection(e)) e.preventDefault(); });
    document.addEventListener("beforepaste", (e) => { if (this.forMap(e)) e.preventDefault(); });
    document.addEventListener("copy", (e) => this.copy(e, false));
    document.addEventListener("cut", (e) => this.copy(e, true));
    document.addEventListener("paste", (e) => this.paste(e));
  }

  run(command: EditCommand): boolean {
    if (this.textFocused()) return document.execCommand(command);
    if (command === "undo") this.ed.undoChange();
    else if (command === "redo") this.ed.redoChange();
    else this.ed.cards.selectAll();
    return true;
  }

  private textFocused(): boolean {
    return !!this.ed.text.editingId || isTextEntry(document.activeElement as HTMLInputElement | null);
  }

  private forMap(e: Event): boolean {
    return !this.textFocused() && !isTextEntry(e.target as HTMLInputElement | null);
  }

  private mapHasSelection(e: Event): boolean {
    return this.forMap(e) && this.ed.selection.size > 0;
  }

  private copy(e: ClipboardEvent, cut: boolean): void {
    if (!this.forMap(e)) return;
    const text = cut ? this.ed.cards.cut() : this.ed.cards.copy();
    if (text === null) return;
    e.clipboardData?.setData("text/plain", text);
    e.preventDefault();
  }

  private paste(e: ClipboardEvent): void {
    if (!this.forMap(e)) return;
    e.preventDefault();
    const at = this.ed.camera.centre();
    const images = Array.from(e.clipboardData?.files ?? []).filter((f) => f.type.startsWith("image/"));
    if (images.length) { this.ed.media.addImages(images, at); return; }
    const text = (e.clipboardData?.getData("text/plain") ?? "").trim();
    if (this.ed.cards.ownsClipboard(text) && this.ed.cards.paste()) return;
    if (webLink.test(text)) this.ed.media.addLink(text, at);
    else if (text) this.ed.createCard(at, text, false);
  }
}
