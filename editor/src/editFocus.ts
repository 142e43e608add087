// Who an Edit command (undo, select all, cut, copy, paste) belongs to: the text field that has
// the focus, or the map.
export interface FocusLike {
  tagName: string;
  type?: string;
  isContentEditable?: boolean;
}

const textInputTypes = new Set(["", "text", "search", "url", "email", "tel", "password", "number"]);

export function isTextEntry(el: FocusLike | null | undefined): boolean {
  if (!el) return false;
  if (el.isContentEditable) return true;
  const tag = el.tagName.toUpperCase();
  if (tag === "TEXTAREA") return true;
  return tag === "INPUT" && textInputTypes.has((el.type ?? "").toLowerCase());
}

export type EditCommand = "undo" | "redo" | "selectAll";

export function isEditCommand(value: unknown): value is EditCommand {
  return value === "undo" || value === "redo" || value === "selectAll";
}
