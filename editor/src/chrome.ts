// The page around the canvas: toolbar, breadcrumb trail, selection bar, zoom control, ink
// palette, shortcuts list and version.
import type { EditorContext, Tool } from "./editorContext";
import { presets } from "./colors";
import { commands } from "./commands";
import { $ } from "./dom";
import { Alignment, union } from "./geometry";
import { LineStyle, pens, penHex } from "./ink";
import { mapTrail, mayOpenSubmap } from "./model";
import { gridShown } from "./operations";

declare global {
  const __VELK_VERSION__: string; // written in by the build
}

function button(className: string, title: string, label: string, onClick: () => void): HTMLButtonElement {
  const b = document.createElement("button");
  b.className = className;
  b.title = title;
  b.setAttribute("aria-label", label);
  b.addEventListener("click", onClick);
  return b;
}

export class Chrome {
  constructor(private ed: EditorContext) {}

  bind(): void {
    const { ed } = this;
    const on = (id: string, fn: () => void) => $(id).addEventListener("click", () => { fn(); ed.focusCanvas(); });
    on("homeBtn", () => ed.documents.home());
    on("undoBtn", () => ed.undoChange());
    on("redoBtn", () => ed.redoChange());
    for (const tool of ["select", "pen", "line"] as Tool[]) on(`tool-${tool}`, () => ed.setTool(tool));
    on("addCard", () => ed.createCard(ed.camera.centre()));
    on("shareBtn", () => void ed.documents.share());
    on("feedbackBtn", () => ed.documents.feedback());
    on("zoomIn", () => ed.camera.zoomBy(1.25));
    on("zoomOut", () => ed.camera.zoomBy(0.8));
    on("zoomFit", () => ed.fit());
    on("zoom-indicator", () => ed.camera.zoomReset());
    on("gridBtn", () => ed.documents.toggleGrid());
    on("shortcutsLink", () => ed.dialogs.toggleShortcuts());
    $("shortcutsClose").addEventListener("click", () => ed.dialogs.toggleShortcuts(false));
    $("shareClose").addEventListener("click", () => { ed.dialogs.hideShare(); ed.focusCanvas(); });
    $("shareCopy").addEventListener("click", () => ed.documents.copyShareLink());
    $("unshareBtn").addEventListener("click", () => void ed.documents.unshare());
    const selected = (fn: (id: string) => void) => () => { const [id] = ed.selection; if (id) fn(id); };
    on("ctx-open", selected((id) => ed.openSubmap(id)));
    on("ctx-rename", selected((id) => ed.documents.renameSubmap(ed.submapOf(id))));
    on("ctx-preview", selected((id) => ed.media.editPreview(id)));
    on("ctx-group", () => ed.cards.groupSelection());
    on("ctx-front", () => ed.cards.restack(true));
    on("ctx-back", () => ed.cards.restack(false));
    on("ctx-dup", () => ed.cards.duplicate());
    on("ctx-delete", () => ed.cards.deleteSelection());
    for (const how of ["left", "hcenter", "right", "top", "vcenter", "bottom"] as Alignment[]) on(`align-${how}`, () => ed.cards.alignSelection(how));
    this.bindPalettes();
    this.listShortcuts();
    $("version").textContent = `velk ${__VELK_VERSION__}${ed.conn.native ? "" : " · browser demo"}`;
  }

  private bindPalettes(): void {
    const { ed } = this;
    const none = button("swatch none", "No colour (0)", "No colour", () => ed.cards.setColour(null));
    $("swatches").append(none, ...presets.map((p) => {
      const b = button("swatch", `${p.name} (${p.id})`, p.name, () => ed.cards.setColour(p.id));
      b.style.background = `var(--c${p.id})`;
      return b;
    }));
    $("pens").append(...pens.map((pen) => {
      const b = button("pen", pen, `Pen ${pen}`, () => {
        ed.pen = pen;
        document.querySelectorAll(".pen").forEach((p) => p.classList.toggle("active", p === b));
      });
      b.dataset.pen = pen;
      b.style.background = pen === "default" ? "var(--ink-default)" : penHex[pen];
      if (pen === ed.pen) b.classList.add("active");
      return b;
    }));
    document.querySelectorAll<HTMLButtonElement>("[data-style]").forEach((b) => b.addEventListener("click", () => {
      ed.lineStyle = b.dataset.style as LineStyle;
      document.querySelectorAll("[data-style]").forEach((o) => o.classList.toggle("active", o === b));
    }));
  }

  // Built from the command list, so the overlay cannot disagree with what the keys do.
  private listShortcuts(): void {
    $("shortcutList").replaceChildren(...commands.map((c) => {
      const row = document.createElement("div");
      row.className = "shortcut";
      const k = document.createElement("kbd");
      k.textContent = c.keys;
      const l = document.createElement("span");
      l.textContent = c.label;
      row.append(l, k);
      return row;
    }));
  }

  render(): void {
    const { ed } = this;
    // Written only when it differs: a new text node every pan frame relays out the toolbar.
    const zoom = `${Math.round(ed.camera.view.z * 100)}%`;
    if ($("zoom-indicator").textContent !== zoom) $("zoom-indicator").textContent = zoom;
    this.renderCrumbs();
    $("undoBtn").toggleAttribute("disabled", !ed.session.undo.canUndo);
    $("redoBtn").toggleAttribute("disabled", !ed.session.undo.canRedo);
    for (const t of ["select", "pen", "line"]) $(`tool-${t}`).classList.toggle("active", ed.tool === t);
    const grid = gridShown(ed.doc, ed.path);
    $("gridBtn").classList.toggle("active", grid);
    $("gridBtn").setAttribute("aria-pressed", String(grid));
    $("inkBar").hidden = ed.tool === "select";
    $("lineStyles").hidden = ed.tool !== "line";
    if ($("viewport").dataset.tool !== ed.tool) $("viewport").dataset.tool = ed.tool;
    this.renderContextBar();
  }

  // The trail from the root to the map on screen; the last crumb renames that map.
  private renderCrumbs(): void {
    const { ed } = this;
    const crumbs = $("crumbs");
    const trail = mapTrail(ed.path);
    const titles = trail.map((p) => ed.doc.title(p, ed.name || "Map"));
    const key = trail.join("|") + "|" + titles.join("|");
    if (crumbs.dataset.key === key) return;
    crumbs.dataset.key = key;
    crumbs.replaceChildren(...trail.flatMap((p, i) => {
      const current = i === trail.length - 1;
      const b = document.createElement("button");
      b.className = current ? "crumb current" : "crumb";
      b.textContent = titles[i];
      b.title = current ? "Rename this map (F2)" : "Go to this map";
      b.addEventListener("click", () => (current ? ed.documents.renameCurrent() : ed.openMap(p)));
      if (i === 0) return [b];
      const sep = document.createElement("span");
      sep.className = "crumb-sep";
      sep.textContent = "›";
      return [sep, b];
    }));
  }

  private renderContextBar(): void {
    const { ed } = this;
    const bar = $("contextBar");
    // Looked for only when shown: every frame of a drag renders the chrome too.
    const selected = ed.pointer.dragging || ed.text.editingId ? [] : ed.canvas.items.filter((i) => ed.selection.has(i.id));
    if (!selected.length) { bar.hidden = true; return; }
    bar.hidden = false;
    const { view } = ed.camera;
    const u = union(selected.map((i) => i.rect))!;
    const [only] = selected.length === 1 ? selected : [];
    $("ctx-open").hidden = !only || !mayOpenSubmap(only.node, ed.doc.hasSubmap(ed.path, only.id));
    $("ctx-rename").hidden = !only || !ed.doc.hasSubmap(ed.path, only.id);
    $("ctx-preview").hidden = only?.node.type !== "link";
    $("ctx-align").hidden = selected.length < 2;
    // Above the selection's middle (the bar's bottom centre is its place), kept whole on screen
    // below the toolbar when the selection reaches past the view.
    const { offsetWidth: width, offsetHeight: height } = bar;
    const middle = u.x * view.z + view.x + (u.width * view.z) / 2;
    bar.style.left = `${Math.max(8 + width / 2, Math.min(innerWidth - 8 - width / 2, middle))}px`;
    bar.style.top = `${Math.max(56 + height, Math.min(innerHeight - 8, u.y * view.z + view.y - 12))}px`;
  }
}
