// Images and web links brought onto the map: images are stored in the package through velk,
// links get a card whose preview velk fetches; the user may also write the preview by hand.
import type { MediaHost } from "./editorContext";
import { Point, snap } from "./geometry";
import { JsonObject, isObject, str } from "./json";
import { newId } from "./model";
import { setPreviewText } from "./operations";

export const webLink = /^https?:\/\/\S+$/;

function readBase64(file: Blob): Promise<string> {
  return new Promise((resolve, reject) => {
    const reader = new FileReader();
    reader.onload = () => resolve(String(reader.result).replace(/^data:[^,]*,/, ""));
    reader.onerror = () => reject(reader.error);
    reader.readAsDataURL(file);
  });
}

function naturalSize(src: string): Promise<{ w: number; h: number }> {
  return new Promise((resolve) => {
    const img = new Image();
    img.onload = () => resolve({ w: img.naturalWidth || 400, h: img.naturalHeight || 300 });
    img.onerror = () => resolve({ w: 400, h: 300 });
    img.src = src;
  });
}

export class MediaInput {
  constructor(private ed: MediaHost) {}

  // Several images are fanned out from `at` so none hides another.
  addImages(files: Blob[], at: Point): void {
    files.forEach((f, i) => void this.addImage(f, { x: at.x + i * 30, y: at.y + i * 30 }));
  }

  async addImage(file: Blob, at: Point): Promise<void> {
    const path = this.ed.path;
    try {
      const data = await readBase64(file);
      const { src } = await this.ed.conn.bridge.request<{ src: string }>("media", { type: file.type, data });
      const size = await naturalSize(this.ed.conn.mediaURL(src));
      const scale = Math.min(1, 400 / size.w, 400 / size.h);
      const width = Math.max(40, Math.round(size.w * scale)), height = Math.max(40, Math.round(size.h * scale));
      if (!this.ed.doc.map(path)) return;
      const id = newId();
      this.ed.change(() => this.ed.doc.addNode(path, { id, type: "file", file: src, x: snap(at.x - width / 2), y: snap(at.y - height / 2), width, height }));
      if (path === this.ed.path) this.ed.select([id]);
    } catch (error) {
      this.ed.dialogs.toast((error as Error).message, true);
    }
  }

  addLink(url: string, at: Point): void {
    const id = newId();
    const path = this.ed.path;
    this.ed.change(() => this.ed.doc.addNode(path, { id, type: "link", url, x: snap(at.x - 150), y: snap(at.y - 80), width: 300, height: 160 }));
    this.ed.select([id]);
    void this.fetchPreview(id);
  }

  // The preview is the page's own data: it lives in the card's sidecar record.
  async fetchPreview(id: string): Promise<void> {
    const path = this.ed.path;
    const node = this.ed.doc.node(path, id);
    const url = node ? str(node.url) : "";
    if (!/^https?:\/\//i.test(url)) return;
    try {
      const preview = await this.ed.conn.bridge.request<JsonObject>("preview", { url });
      if (!this.ed.doc.map(path)) return;
      const current = this.ed.doc.node(path, id);
      if (!current || str(current.url) !== url || !isObject(preview)) return;
      const record = { ...(this.ed.doc.sidecarRecord(path, id) ?? {}), preview };
      this.ed.change(() => this.ed.doc.setSidecarRecord(path, id, record));
    } catch (error) {
      this.ed.dialogs.toast(`No preview for ${url}: ${(error as Error).message}`);
    }
  }

  editPreview(id: string): void {
    const path = this.ed.path;
    const node = this.ed.doc.node(path, id);
    if (node?.type !== "link") return;
    const record = this.ed.doc.sidecarRecord(path, id);
    const preview = isObject(record?.preview) ? record!.preview : {};
    this.ed.dialogs.ask("Link preview", [
      { label: "Title", value: str(preview.title) },
      { label: "Description", value: str(preview.description), multiline: true },
    ], ([title, description]) => {
      if (!this.ed.doc.node(path, id)) return;
      this.ed.change(() => setPreviewText(this.ed.doc, path, id, title, description));
    });
  }
}
