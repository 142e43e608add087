// Every command the editor offers, with its keyboard shortcut. The shortcuts overlay is built
// from this list, so it cannot disagree with what the keys do.
export interface Command {
  id: string;
  label: string;
  keys: string; // as shown to the user; "Mod" is Ctrl
  match(e: KeyboardEvent): boolean;
}

const mod = (e: KeyboardEvent) => e.ctrlKey || e.metaKey;
const plain = (e: KeyboardEvent) => !e.ctrlKey && !e.metaKey && !e.altKey;

function key(keys: string, label: string, id: string, match: (e: KeyboardEvent) => boolean): Command {
  return { id, label, keys, match };
}

export const commands: Command[] = [
  key("N or double-click", "New text card", "new", (e) => plain(e) && e.key.toLowerCase() === "n"),
  key("Enter", "Edit the selected card", "edit", (e) => plain(e) && !e.shiftKey && e.key === "Enter"),
  key("Esc", "Stop editing, clear selection", "escape", (e) => e.key === "Escape"),
  key("Tab / Shift+Tab", "Go to the next / previous card", "next", (e) => plain(e) && e.key === "Tab"),
  key("Arrows (Shift: 10×)", "Move the selection", "move", (e) => !mod(e) && !e.altKey && e.key.startsWith("Arrow")),
  key("Delete", "Delete the selection", "delete", (e) => plain(e) && (e.key === "Delete" || e.key === "Backspace")),
  key("Ctrl+A", "Select all", "selectAll", (e) => mod(e) && e.key.toLowerCase() === "a"),
  key("Ctrl+D", "Duplicate", "duplicate", (e) => mod(e) && e.key.toLowerCase() === "d"),
  key("Ctrl+C / Ctrl+X / Ctrl+V", "Copy, cut, paste cards, images or links", "clipboard", () => false),
  key("Ctrl+Z", "Undo", "undo", (e) => mod(e) && !e.shiftKey && e.key.toLowerCase() === "z"),
  key("Ctrl+Shift+Z or Ctrl+Y", "Redo", "redo", (e) => mod(e) && ((e.shiftKey && e.key.toLowerCase() === "z") || e.key.toLowerCase() === "y")),
  key("Ctrl+G", "Group the selection", "group", (e) => mod(e) && e.key.toLowerCase() === "g"),
  key("Ctrl+Enter", "Open the selected card as a submap", "submap", (e) => mod(e) && e.key === "Enter"),
  key("Alt+Up", "Go up to the parent map", "up", (e) => e.altKey && e.key === "ArrowUp"),
  key("F2", "Rename the selected card's submap, or this map", "rename", (e) => plain(e) && e.key === "F2"),
  key("]", "Bring to front", "front", (e) => plain(e) && e.key === "]"),
  key("[", "Send to back", "back", (e) => plain(e) && e.key === "["),
  key("1 … 6, 0", "Set colour, 0 removes it", "colour", (e) => plain(e) && /^[0-6]$/.test(e.key)),
  key("Alt+L / Alt+R / Alt+T / Alt+B", "Align left, right, top, bottom", "align", (e) => e.altKey && /^[lrtb]$/i.test(e.key)),
  key("Ctrl+= / Ctrl+-", "Zoom in / out", "zoom", (e) => mod(e) && ["=", "+", "-", "_"].includes(e.key)),
  key("Ctrl+0", "Zoom to 100%", "zoomReset", (e) => mod(e) && e.key === "0"),
  key("G", "Show or hide the grid", "grid", (e) => plain(e) && !e.shiftKey && e.key.toLowerCase() === "g"),
  key("Shift+1", "Zoom to fit", "fit", (e) => e.shiftKey && (e.key === "!" || e.code === "Digit1") && !mod(e)),
  key("V", "Select tool", "toolSelect", (e) => plain(e) && e.key.toLowerCase() === "v"),
  key("P", "Pen (free-hand ink)", "toolPen", (e) => plain(e) && e.key.toLowerCase() === "p"),
  key("L", "Line (ink)", "toolLine", (e) => plain(e) && e.key.toLowerCase() === "l"),
  key("Shift+E", "Edit the selected link's preview", "preview", (e) => plain(e) && e.shiftKey && e.key.toLowerCase() === "e"),
  key("E", "Edit the selected connection's label", "edgeLabel", (e) => plain(e) && e.key.toLowerCase() === "e"),
  key("Ctrl+Shift+S", "Save a copy under a new name", "saveAs", (e) => mod(e) && e.shiftKey && e.key.toLowerCase() === "s"),
  key("Ctrl+E", "Export the map or the selection (PNG, SVG, PDF)", "export", (e) => mod(e) && !e.shiftKey && e.key.toLowerCase() === "e"),
  key("Ctrl+F", "Find in every map", "find", (e) => mod(e) && !e.shiftKey && e.key.toLowerCase() === "f"),
  key("F3 / Shift+F3", "Next / previous result", "findNext", (e) => !mod(e) && e.key === "F3"),
  key("Ctrl+K", "Find a command", "palette", (e) => mod(e) && !e.shiftKey && e.key.toLowerCase() === "k"),
  key("?", "Show these shortcuts", "help", (e) => e.key === "?"),
];

export function commandFor(e: KeyboardEvent): Command | undefined {
  return commands.find((c) => c.match(e));
}
