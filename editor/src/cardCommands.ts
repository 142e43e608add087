// Commands on the selected cards and connections of the map on screen.
import type { CardHost } from "./editorContext";
import { CardCopy, copyCards, copyText, pasteOffset, pastesCards, placeCopies } from "./clipboard";
import { Alignment, snap } from "./geometry";
import { str } from "./json";
import { CardNode, newId } from "./model";
import { alignCards, groupAround, moveCards, setColour, withEnclosed } from "./operations";

export class CardCommands {
  private clipboard: CardCopy | null = null;

  constructor(private ed: CardHost) {}

  selectedNodes(): CardNode[] {
    return this.ed.doc.nodes(this.ed.path).filter((n) => this.ed.selection.has(n.id));
  }

  // The selection with the cards inside selected groups, which travel with them.
  carried(): CardNode[] {
    return withEnclosed(this.ed.doc, this.ed.path, this.selectedNodes());
  }

  selectAll(): void {
    this.ed.select(this.ed.doc.nodes(this.ed.path).map((n) => n.id));
  }

  deleteSelection(): void {
    const { doc, path } = this.ed;
    if (this.ed.selectedEdge) {
      const id = this.ed.selectedEdge;
      this.ed.selectedEdge = null;
      this.ed.change(() => doc.removeEdges(path, [id]));
      return;
    }
    this.removeCards([...this.ed.selection]);
  }

  private removeCards(ids: string[]): void {
    if (!ids.length) return;
    this.ed.selection.clear();
    this.ed.change(() => this.ed.doc.removeNodes(this.ed.path, ids));
  }

  setColour(colour: string | null): void {
    if (this.ed.selectedEdge) {
      const edge = this.ed.doc.edges(this.ed.path).find((e) => e.id === this.ed.selectedEdge);
      if (edge) this.ed.change(() => setColour([edge], colour));
      return;
    }
    const nodes = this.selectedNodes();
    if (nodes.length) this.ed.change(() => setColour(nodes, colour));
  }

  moveSelection(dx: number, dy: number): void {
    const nodes = this.carried();
    if (nodes.length) this.ed.change(() => moveCards(this.ed.doc, this.ed.path, nodes, dx, dy), `nudge:${this.ed.path}`);
  }

  alignSelection(how: Alignment): void {
    const nodes = this.selectedNodes();
    if (nodes.length >= 2) this.ed.change(() => alignCards(this.ed.doc, this.ed.path, nodes, how));
  }

  restack(toFront: boolean): void {
    if (this.ed.selection.size) this.ed.change(() => this.ed.doc.restack(this.ed.path, this.ed.selection, toFront));
  }

  groupSelection(): void {
    const nodes = this.selectedNodes();
    if (!nodes.length) return;
    const id = newId();
    this.ed.change(() => groupAround(this.ed.doc, this.ed.path, nodes, id));
    this.ed.select([id]);
  }

  duplicate(): void {
    const copy = copyCards(this.ed.doc, this.ed.path, this.carried());
    if (copy) this.place(copy, { x: 30, y: 30 });
  }

  // Keeps a copy of the selection for pasting; returns its plain text, or null without one.
  copy(nodes = this.carried()): string | null {
    const copy = copyCards(this.ed.doc, this.ed.path, nodes);
    if (!copy) return null;
    this.clipboard = copy;
    return copyText(nodes);
  }

  // Takes away what it copied: a group goes with the cards inside it, or a paste would double them.
  cut(): string | null {
    const nodes = this.carried();
    const text = this.copy(nodes);
    if (text !== null) this.removeCards(nodes.map((n) => n.id));
    return text;
  }

  ownsClipboard(text: string): boolean {
    return pastesCards(this.clipboard, text);
  }

  paste(): boolean {
    if (!this.clipboard) return false;
    this.place(this.clipboard, pasteOffset(this.clipboard, this.ed.path, this.ed.camera.centre(), snap));
    return true;
  }

  private place(copy: CardCopy, offset: { x: number; y: number }): void {
    let ids: string[] = [];
    this.ed.change(() => { ids = placeCopies(this.ed.doc, copy, this.ed.path, offset); });
    this.ed.select(ids);
  }

  connect(fromId: string, fromSide: string, toId: string, toSide: string): void {
    if (fromId === toId) return;
    this.ed.change(() => this.ed.doc.addEdge(this.ed.path, { id: newId(), fromNode: fromId, fromSide, toNode: toId, toSide }));
  }

  editEdgeLabel(id: string): void {
    const path = this.ed.path;
    const find = () => this.ed.doc.map(path) && this.ed.doc.edges(path).find((e) => e.id === id);
    const edge = find();
    if (!edge) return;
    this.ed.dialogs.askText("Connection label", "Label", str(edge.label), (label) => {
      // Looked up again: the document may have been reloaded while the dialog was open.
      const current = find();
      if (current) this.ed.change(() => { if (label) current.label = label; else delete current.label; });
    });
  }
}
