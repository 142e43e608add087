// Key presses on the map, turned into the commands of the shortcuts overlay. Typing into a
// field never reaches here.
import type { EditorContext } from "./editorContext";
import { commandFor } from "./commands";
import { $ } from "./dom";
import { inflate, intersects, visibleRect } from "./geometry";
import { readingOrderStep } from "./readingOrder";

const arrows: Record<string, [number, number]> = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] };
const alignKeys = { l: "left", r: "right", t: "top", b: "bottom" } as const;

export class KeyboardInput {
  constructor(private ed: EditorContext) {}

  bind(): void {
    document.addEventListener("keydown", (e) => {
      const target = e.target as Element;
      if (this.ed.text.editingId || target.closest?.("input, textarea, dialog, .dialog")) {
        if (e.key === "Escape") this.ed.dialogs.closeOverlays();
        return;
      }
      // Buttons keep Enter and Space; Tab walks between cards only on the canvas itself.
      if (target.closest?.("button") && (e.key === "Enter" || e.key === " ")) return;
      if (e.key === "Tab" && target !== $("viewport")) return;
      const command = commandFor(e);
      if (command && this.run(command.id, e)) e.preventDefault();
    });
  }

  // Runs the command `id` as the key press `e` asks; false when it had nothing to do.
  run(id: string, e: KeyboardEvent): boolean {
    const { ed } = this;
    const [first] = ed.selection;
    switch (id) {
      case "new": ed.createCard(ed.camera.centre()); return true;
      case "edit": if (first) ed.text.start(first); else if (ed.selectedEdge) ed.cards.editEdgeLabel(ed.selectedEdge); return true;
      case "escape": this.escape(); return true;
      case "next": this.focusNext(e.shiftKey ? -1 : 1); return true;
      case "move": return this.arrow(e);
      case "delete": ed.cards.deleteSelection(); return true;
      case "selectAll": ed.cards.selectAll(); return true;
      case "duplicate": ed.cards.duplicate(); return true;
      case "undo": ed.undoChange(); return true;
      case "redo": ed.redoChange(); return true;
      case "group": ed.cards.groupSelection(); return true;
      case "submap": if (first) ed.openSubmap(first); return true;
      case "up": ed.goUp(); return true;
      case "rename": this.rename(first); return true;
      case "preview": if (first) ed.media.editPreview(first); return true;
      case "front": ed.cards.restack(true); return true;
      case "back": ed.cards.restack(false); return true;
      case "colour": ed.cards.setColour(e.key === "0" ? null : e.key); return true;
      case "align": ed.cards.alignSelection(alignKeys[e.key.toLowerCase() as keyof typeof alignKeys]); return true;
      case "zoom": ed.camera.zoomBy(e.key === "-" || e.key === "_" ? 0.8 : 1.25); return true;
      case "zoomReset": ed.camera.zoomReset(); return true;
      case "fit": ed.fit(); return true;
      case "grid": ed.documents.toggleGrid(); return true;
      case "toolSelect": ed.setTool("select"); return true;
      case "toolPen": ed.setTool("pen"); return true;
      case "toolLine": ed.setTool("line"); return true;
      case "edgeLabel": if (ed.selectedEdge) ed.cards.editEdgeLabel(ed.selectedEdge); return true;
      case "help": ed.dialogs.toggleShortcuts(); return true;
      case "find": ed.find.open(); return true;
      case "findNext": ed.find.step(e.shiftKey ? -1 : 1); return true;
      case "palette": ed.palette.open(); return true;
      case "saveAs": ed.documents.saveAs(); return true;
      case "export": ed.documents.exportPicture(); return true;
    }
    return false;
  }

  private escape(): void {
    const { ed } = this;
    if (ed.dialogs.closeOverlays()) return;
    if (ed.find.isOpen) return ed.find.close();
    if (ed.tool !== "select") ed.setTool("select");
    else ed.select([]);
  }

  // Moves the selection, or pans the view when nothing is selected.
  private arrow(e: KeyboardEvent): boolean {
    const d = arrows[e.key];
    if (!d) return false;
    const step = e.shiftKey ? 100 : 10;
    if (this.ed.selection.size) this.ed.cards.moveSelection(d[0] * step, d[1] * step);
    else this.ed.camera.panBy(-d[0] * step * 4, -d[1] * step * 4);
    return true;
  }

  // The selected card's submap when it has one, else the map on screen.
  private rename(first: string | undefined): void {
    const { ed } = this;
    if (first && ed.selection.size === 1 && ed.doc.hasSubmap(ed.path, first)) ed.documents.renameSubmap(ed.submapOf(first));
    else ed.documents.renameCurrent();
  }

  // Keyboard navigation between cards, keeping the chosen card in view.
  private focusNext(step: 1 | -1): void {
    const { ed } = this;
    const [current] = ed.selection;
    const next = readingOrderStep(ed.canvas.items, current, step);
    if (!next) return;
    ed.select([next.id]);
    const view = ed.camera.view;
    const { width, height } = ed.camera.size();
    if (!intersects(inflate(visibleRect(view, width, height), -40 / view.z), next.rect)) {
      ed.camera.centreOn(next.rect);
    }
    ed.invalidate();
  }
}
