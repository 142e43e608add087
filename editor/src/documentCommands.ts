// Commands on the document as a whole: names of the map and its submaps, the grid, going home,
// feedback, save as, and sharing.
import type { DocumentHost } from "./editorContext";
import { $ } from "./dom";
import { JsonObject, isObject, str } from "./json";
import { cardIdOf, parentPath, rootPath } from "./model";
import { gridShown, renameSubmapCard, setGrid } from "./operations";

export class DocumentCommands {
  constructor(private ed: DocumentHost) {}

  private report(error: unknown, prefix = ""): void {
    this.ed.dialogs.toast(prefix + (error as Error).message, true);
  }

  home(): void {
    void this.ed.conn.bridge.request("home").catch((e) => this.report(e));
  }

  feedback(): void {
    void this.ed.conn.bridge.request("feedback", {}).catch((e) => this.report(e));
  }

  saveAs(): void {
    void this.ed.session.saver.flush().then(() => this.ed.conn.bridge.request("saveAs")).catch((e) => this.report(e));
  }

  // velk asks where and in which format, then takes the picture from the page.
  exportPicture(): void {
    void this.ed.session.saver.flush()
      .then(() => this.ed.conn.bridge.request("export", { selection: this.ed.selection.size > 0 }))
      .catch((e) => this.report(e));
  }

  // The map on screen: the document itself at the root, else the submap.
  renameCurrent(): void {
    if (this.ed.path === rootPath) this.renameMap();
    else this.renameSubmap(this.ed.path);
  }

  renameMap(): void {
    this.ed.dialogs.askText("Map name", "Name", this.ed.name, async (name) => {
      if (!name.trim() || name === this.ed.name) return;
      try {
        // The host tells the page the name the map got, which is not always the one typed.
        await this.ed.conn.bridge.request("rename", { name: name.trim() });
      } catch (error) {
        this.report(error);
      }
    });
  }

  // A submap's name is its card's title; velk renames the submap's file after it on save.
  renameSubmap(mapPath: string): void {
    const parent = parentPath(mapPath);
    if (parent === null) return;
    const id = cardIdOf(mapPath);
    const { doc } = this.ed;
    if (!doc.node(parent, id)) return;
    this.ed.dialogs.askText("Submap name", "Name", doc.title(mapPath, this.ed.name), (name) => {
      const card = this.ed.doc.node(parent, id);
      if (!card || !name.trim() || name.trim() === this.ed.doc.title(mapPath, this.ed.name)) return;
      this.ed.change(() => renameSubmapCard(card, name));
    });
  }

  toggleGrid(): void {
    const { doc, path } = this.ed;
    this.ed.change(() => setGrid(doc, path, !gridShown(doc, path)));
  }

  private shareRecord(): JsonObject | null {
    const s = this.ed.doc.map(rootPath)!.sidecar.share;
    return isObject(s) ? s : null;
  }

  async share(): Promise<void> {
    const existing = this.shareRecord();
    if (existing && str(existing.url)) { this.ed.dialogs.showShare(str(existing.url)); return; }
    await this.ed.session.saver.flush();
    // The withdrawal token stays private: it is not part of what others receive.
    const state = JSON.parse(this.ed.doc.snapshot());
    for (const m of state.maps) if (m.path === rootPath && isObject(m.sidecar)) delete m.sidecar.share;
    try {
      const answer = await this.ed.conn.bridge.request<JsonObject>("share", { state, name: this.ed.name || "Shared map" });
      const url = isObject(answer) ? str(answer.url) || str(answer.link) || str(answer.shareURL) : "";
      if (isObject(answer)) {
        this.ed.change(() => { this.ed.doc.map(rootPath)!.sidecar.share = { id: str(answer.id), token: str(answer.token), url }; });
      }
      this.ed.dialogs.showShare(url || "Shared.");
    } catch (error) {
      this.report(error, "Could not share: ");
    }
  }

  async unshare(): Promise<void> {
    const s = this.shareRecord();
    if (!s) return;
    try {
      await this.ed.conn.bridge.request("unshare", { id: str(s.id), token: str(s.token) });
      this.ed.change(() => { delete this.ed.doc.map(rootPath)!.sidecar.share; });
      this.ed.dialogs.hideShare();
      this.ed.dialogs.toast("The map is no longer shared.");
    } catch (error) {
      this.report(error, "Could not stop sharing: ");
    }
  }

  copyShareLink(): void {
    void navigator.clipboard?.writeText($<HTMLInputElement>("shareURL").value);
    this.ed.dialogs.toast("Link copied.");
  }
}
