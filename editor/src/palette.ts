// The command palette (Ctrl+K): every command of the shortcuts table, found by typing part of its
// name, with its shortcut; Enter runs it as its key would. The entries come from the same table
// as the keys and the shortcuts overlay, each run by the key press its shortcut names.
import { Command, commands } from "./commands";
import { $ } from "./dom";
import { fold } from "./search";

export interface PaletteEntry {
  command: Command;
  keys: string; // the one shortcut this entry stands for
  event: KeyboardEventInit;
}

const keyNames: Record<string, string> = { Esc: "Escape", Up: "ArrowUp", Down: "ArrowDown", Left: "ArrowLeft", Right: "ArrowRight" };

// The key press a shortcut's text names, such as "Ctrl+Shift+Z" or "F2"; null for texts that
// name no single press ("Arrows", "1 … 6").
export function pressOf(shortcut: string): KeyboardEventInit | null {
  const parts = /^((?:(?:Ctrl|Shift|Alt)\+)*)(.+)$/.exec(shortcut.trim());
  if (!parts) return null;
  const modifiers = new Set(parts[1].split("+"));
  let key = parts[2];
  key = keyNames[key] ?? key;
  if (key.length !== 1 && !/^(F\d+|Enter|Escape|Tab|Delete|Arrow\w+)$/.test(key)) return null;
  return {
    key: key.length === 1 ? key.toLowerCase() : key,
    code: /^\d$/.test(key) ? `Digit${key}` : undefined,
    ctrlKey: modifiers.has("Ctrl"), shiftKey: modifiers.has("Shift"), altKey: modifiers.has("Alt"), bubbles: true,
  };
}

// Every command the palette can run: one entry per shortcut of a command that has several
// ("Ctrl+= / Ctrl+-"), the first way of one that offers alternatives ("Ctrl+Shift+Z or Ctrl+Y").
export function paletteEntries(): PaletteEntry[] {
  const entries: PaletteEntry[] = [];
  for (const command of commands) {
    for (const keys of command.keys.split(" or ")[0].split(" / ")) {
      const event = pressOf(keys);
      if (command.id !== "palette" && event && command.match(event as KeyboardEvent))
        entries.push({ command, keys: keys.trim(), event });
    }
  }
  return entries;
}

// The entries whose name holds every word of `query` (case and accents aside), those whose name
// starts with the query first.
export function filterEntries(entries: readonly PaletteEntry[], query: string): PaletteEntry[] {
  const words = fold(query, false).text.split(/\s+/).filter(Boolean);
  const name = (e: PaletteEntry) => fold(`${e.command.label} ${e.keys}`, false).text;
  const matching = entries.filter((e) => words.every((w) => name(e).includes(w)));
  const first = words.join(" ");
  return [...matching.filter((e) => name(e).startsWith(first)), ...matching.filter((e) => !name(e).startsWith(first))];
}

export class Palette {
  private readonly entries = paletteEntries();
  private shown: PaletteEntry[] = [];
  private current = 0;
  private readonly input = $<HTMLInputElement>("paletteInput");

  constructor(private run: (entry: PaletteEntry) => void, private closed: () => void) {}

  bind(): void {
    this.input.addEventListener("input", () => { this.current = 0; this.render(); });
    this.input.addEventListener("keydown", (e) => {
      e.stopPropagation();
      if (e.key === "ArrowDown" || e.key === "ArrowUp") {
        e.preventDefault();
        const step = e.key === "ArrowDown" ? 1 : -1;
        this.current = (this.current + step + this.shown.length) % Math.max(1, this.shown.length);
        this.render();
      } else if (e.key === "Enter") {
        e.preventDefault();
        this.choose(this.current);
      } else if (e.key === "Escape") {
        e.preventDefault();
        this.close();
      }
    });
    $("paletteList").addEventListener("click", (e) => {
      const row = (e.target as Element).closest<HTMLElement>("[data-entry]");
      if (row) this.choose(Number(row.dataset.entry));
    });
    $("palette").addEventListener("click", (e) => { if (e.target === $("palette")) this.close(); });
  }

  get isOpen(): boolean {
    return !$("palette").hidden;
  }

  open(): void {
    $("palette").hidden = false;
    this.input.value = "";
    this.current = 0;
    this.render();
    this.input.focus();
  }

  close(): void {
    if (!this.isOpen) return;
    $("palette").hidden = true;
    this.closed();
  }

  private choose(i: number): void {
    const entry = this.shown[i];
    if (!entry) return;
    this.close();
    this.run(entry);
  }

  private render(): void {
    this.shown = filterEntries(this.entries, this.input.value);
    const rows = this.shown.map((entry, i) => {
      const row = document.createElement("li");
      row.dataset.entry = String(i);
      row.setAttribute("role", "option");
      row.setAttribute("aria-selected", String(i === this.current));
      const label = document.createElement("span");
      label.textContent = entry.command.label;
      const keys = document.createElement("kbd");
      keys.textContent = entry.keys;
      row.append(label, keys);
      return row;
    });
    $("paletteList").replaceChildren(...rows);
    $("paletteList").querySelector("[aria-selected=true]")?.scrollIntoView({ block: "nearest" });
  }
}
