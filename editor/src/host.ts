// Connects the page to velk, or, in a plain browser, to an in-memory stand-in holding a demo
// map, so the page can be developed and tested anywhere.
import { BridgeClient, Transport } from "./bridge";
import { JsonObject, isObject } from "./json";
import { demoState } from "./demo";
import { packageURL } from "./render";
import type { ExportRequest } from "./exportPicture";

export interface Connection {
  bridge: BridgeClient;
  native: boolean;
  // The URL to show a stored image from its package path (a URL, never the path itself).
  mediaURL(path: string): string;
}

declare global {
  interface Window {
    VELK_NATIVE?: boolean;
    webkit?: { messageHandlers?: { velk?: { postMessage(text: string): void } } };
    __velkReply?: (id: number, reply: unknown) => void;
    __velkChanged?: (notice: unknown) => void;
    __velkSetName?: (name: string) => void;
    // Sends what is not saved yet; velk awaits it before a window closes.
    __velkFlush?: () => Promise<void>;
    // The map as a picture, for velk's export: JSON text { width, height, data } (data is the
    // SVG text or the PNG in base64).
    __velkExport?: (request: ExportRequest) => Promise<string>;
    // Runs a command of the page's command table by its id, for velk's menus; true when it ran.
    __velkCommand?: (id: string) => boolean;
  }
}

export function connect(onChanged: (notice: unknown) => void, onName: (name: string) => void): Connection {
  const handler = window.webkit?.messageHandlers?.velk;
  if (handler) {
    const bridge = new BridgeClient({ post: (text) => handler.postMessage(text) });
    install(bridge, onChanged, onName);
    return { bridge, native: true, mediaURL: packageURL };
  }
  const demo = new DemoHost(onName);
  const bridge = new BridgeClient(demo);
  demo.client = bridge;
  install(bridge, onChanged, onName);
  return { bridge, native: false, mediaURL: (path) => demo.media.get(path) ?? packageURL(path) };
}

function install(bridge: BridgeClient, onChanged: (notice: unknown) => void, onName: (name: string) => void) {
  window.__velkReply = (id, reply) => bridge.receive(id, reply);
  window.__velkChanged = (notice) => onChanged(notice);
  window.__velkSetName = (name) => onName(String(name));
}

// Answers the page's requests the way velk would, from memory. Replies arrive asynchronously,
// as they do from the real host.
class DemoHost implements Transport {
  client!: BridgeClient;
  readonly media = new Map<string, string>();
  private state: JsonObject = demoState();
  private revision = 1;
  private name = "Demo map";

  constructor(private onName: (name: string) => void) {}

  post(text: string): void {
    const request = JSON.parse(text) as { id: number; op: string; payload?: JsonObject };
    const p = isObject(request.payload) ? request.payload : {};
    const answer = (value: unknown): void => { setTimeout(() => this.client.receive(request.id, { ok: true, value }), 5); };
    const fail = (error: string): void => { setTimeout(() => this.client.receive(request.id, { ok: false, error }), 5); };
    switch (request.op) {
      case "load":
      case "refresh":
        answer(JSON.parse(JSON.stringify(this.state)));
        setTimeout(() => this.onName(this.name), 10);
        return;
      case "save":
        if (typeof p.body !== "string") return fail("save needs a string `body`");
        this.state = JSON.parse(p.body);
        return answer({ revision: ++this.revision });
      case "media": {
        if (typeof p.type !== "string" || typeof p.data !== "string") return fail("media needs {type, data: base64}");
        const ext = { "image/png": "png", "image/jpeg": "jpg", "image/gif": "gif", "image/webp": "webp", "image/svg+xml": "svg" }[p.type.toLowerCase()];
        if (!ext) return fail(`unsupported image type: ${p.type}`);
        const path = `velk-media/${hash(p.data)}.${ext}`;
        this.media.set(path, `data:${p.type};base64,${p.data}`);
        return answer({ src: path });
      }
      case "rename":
        if (typeof p.name !== "string") return fail("rename needs a `name`");
        this.name = p.name;
        answer(null);
        setTimeout(() => this.onName(this.name), 10);
        return;
      case "preview": {
        if (typeof p.url !== "string") return fail("preview needs a `url`");
        let host = "";
        try { host = new URL(p.url).hostname; } catch { return fail("not a web link"); }
        return answer({ title: host, description: "Link previews are fetched by velk; this is the browser demo.", siteName: host });
      }
      case "share":
        return answer({ id: "demo23456789", token: "demo-token", url: "https://example.com/s/demo23456789" });
      case "home":
      case "feedback":
      case "unshare":
        return answer(null);
      case "saveAs":
        return fail("Save as is not available here yet");
      case "export":
        return fail("Export is available in the velk app");
      default:
        return fail(`unknown op ${request.op}`);
    }
  }
}

function hash(text: string): string {
  let h1 = 0x811c9dc5, h2 = 0x01000193;
  for (let i = 0; i < text.length; i++) {
    h1 = Math.imul(h1 ^ text.charCodeAt(i), 16777619);
    h2 = Math.imul(h2 + text.charCodeAt(i), 2246822519);
  }
  return ((h1 >>> 0).toString(16).padStart(8, "0") + (h2 >>> 0).toString(16).padStart(8, "0")).slice(0, 16);
}
