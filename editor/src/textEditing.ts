// Editing a card's text in place: a note's text, a group's label or a link's address. Every
// key stroke is committed to the document (one undo step per burst of typing).
import type { TextHost } from "./editorContext";
import { readInk } from "./ink";
import { isObject, str } from "./json";
import { CardNode } from "./model";
import { grownHeight } from "./operations";
import { Draft } from "./session";

type Field = "text" | "label" | "url";
type Input = HTMLTextAreaElement | HTMLInputElement;

function fieldOf(node: CardNode): Field | null {
  return node.type === "group" ? "label" : node.type === "link" ? "url" : node.type === "text" ? "text" : null;
}

const fieldLabels: Record<Field, string> = { text: "Card text", label: "Group label", url: "Link address" };

export class TextEditing {
  private editing: { id: string; field: Field; input: Input; url: string } | null = null;
  private opening: string | null = null; // the card whose editor is being made

  constructor(private ed: TextHost) {}

  get editingId(): string | null {
    return this.editing?.id ?? null;
  }

  // The card whose editor is about to open: it is drawn even beyond the view, to hold it.
  get openingId(): string | null {
    return this.opening;
  }

  draft(): Draft | null {
    return this.editing ? { id: this.editing.id, field: this.editing.field, text: this.editing.input.value } : null;
  }

  start(id: string): void {
    this.stop(true);
    const { doc, path } = this.ed;
    const node = doc.node(path, id);
    if (!node || readInk(doc.sidecarRecord(path, id))) return;
    const field = fieldOf(node);
    if (!field) return;
    this.opening = id;
    try {
      this.ed.render();
    } finally {
      this.opening = null;
    }
    const el = this.ed.canvas.cardElement(id);
    if (!el) return;
    const input = document.createElement(field === "text" ? "textarea" : "input");
    input.className = `card-editor editor-${field}`;
    input.value = str(node[field]);
    input.setAttribute("aria-label", fieldLabels[field]);
    input.addEventListener("keydown", (e) => {
      const ke = e as KeyboardEvent;
      ke.stopPropagation();
      if (ke.key === "Escape" || (ke.key === "Enter" && (ke.ctrlKey || field !== "text"))) {
        ke.preventDefault();
        this.stop(true);
        this.ed.focusCanvas();
      }
    });
    input.addEventListener("input", () => this.commit(id, field, input.value));
    input.addEventListener("blur", () => { if (this.editing?.input === input) this.stop(true); });
    input.addEventListener("pointerdown", (e) => e.stopPropagation());
    el.append(input);
    this.editing = { id, field, input, url: str(node.url) };
    el.classList.add("editing");
    input.focus();
    if (input instanceof HTMLTextAreaElement) input.setSelectionRange(input.value.length, input.value.length);
  }

  stop(commit: boolean): void {
    const editing = this.editing;
    if (!editing) return;
    this.editing = null;
    if (commit) {
      this.commit(editing.id, editing.field, editing.input.value);
      const node = this.ed.doc.node(this.ed.path, editing.id);
      // A new address needs a new preview; an unchanged one keeps its preview, even one
      // written by hand.
      const hasPreview = isObject(this.ed.doc.sidecarRecord(this.ed.path, editing.id)?.preview);
      if (node?.type === "link" && (str(node.url) !== editing.url || !hasPreview)) void this.ed.media.fetchPreview(editing.id);
    }
    editing.input.remove();
    this.ed.invalidate();
  }

  private commit(id: string, field: Field, value: string): void {
    const { doc, path } = this.ed;
    const node = doc.node(path, id);
    if (!node || str(node[field]) === value) return;
    this.ed.change(() => {
      node[field] = value;
      const height = field === "text" ? grownHeight(node, value) : null;
      if (height !== null) node.height = height;
    }, `edit:${path}:${id}`);
  }
}
