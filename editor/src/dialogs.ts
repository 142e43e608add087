// Messages and small dialogs: the toast, the save status, questions with one or two fields,
// the share link and the shortcuts overlay.
import { $ } from "./dom";
import { SaveStatus } from "./saver";

export interface Field { label: string; value: string; multiline?: boolean }

export class Dialogs {
  constructor(private focusCanvas: () => void) {}

  toast(message: string, isError = false): void {
    const t = $("toast");
    t.textContent = message;
    t.classList.toggle("error", isError);
    t.hidden = false;
    clearTimeout(Number(t.dataset.timer));
    t.dataset.timer = String(setTimeout(() => { t.hidden = true; }, isError ? 8000 : 3500));
  }

  saveStatus(status: SaveStatus, error: string | null): void {
    const el = $("saveStatus");
    el.dataset.status = status;
    el.textContent = status === "failed" ? "Not saved" : status === "saved" ? "Saved" : "Saving…";
    el.title = error ?? "";
    if (error) this.toast(`Not saved: ${error}`, true);
  }

  // Asks for one or more texts; `done` gets them in order when the user confirms.
  ask(title: string, fields: Field[], done: (values: string[]) => void): void {
    const dialog = $("askDialog");
    $("askTitle").textContent = title;
    const inputs = fields.map((f, i) => {
      const input = document.createElement(f.multiline ? "textarea" : "input");
      if (i === 0) input.id = "askField";
      input.className = "ask-field";
      input.value = f.value;
      input.setAttribute("aria-label", f.label);
      input.placeholder = f.label;
      return input;
    });
    $("askFields").replaceChildren(...inputs);
    dialog.hidden = false;
    inputs[0]?.focus();
    inputs[0]?.select();
    const finish = (ok: boolean) => {
      dialog.hidden = true;
      $("askOK").onclick = null;
      $("askCancel").onclick = null;
      $("askFields").replaceChildren();
      this.focusCanvas();
      if (ok) done(inputs.map((i) => i.value));
    };
    for (const input of inputs) {
      input.onkeydown = (e) => {
        e.stopPropagation();
        if (e.key === "Enter" && (input instanceof HTMLInputElement || e.ctrlKey)) { e.preventDefault(); finish(true); }
        if (e.key === "Escape") finish(false);
      };
    }
    $("askOK").onclick = () => finish(true);
    $("askCancel").onclick = () => finish(false);
  }

  askText(title: string, label: string, value: string, done: (value: string) => void): void {
    this.ask(title, [{ label, value }], ([text]) => done(text));
  }

  showShare(url: string): void {
    const field = $<HTMLInputElement>("shareURL");
    field.value = url;
    $("shareDialog").hidden = false;
    field.focus();
    field.select();
  }

  hideShare(): void {
    $("shareDialog").hidden = true;
  }

  toggleShortcuts(show?: boolean): void {
    const dialog = $("shortcuts");
    dialog.hidden = show === undefined ? !dialog.hidden : !show;
    if (!dialog.hidden) $("shortcutsClose").focus();
  }

  // Closes an open overlay; false when none was open.
  closeOverlays(): boolean {
    const open = !$("shortcuts").hidden || !$("shareDialog").hidden;
    this.toggleShortcuts(false);
    this.hideShare();
    return open;
  }
}
