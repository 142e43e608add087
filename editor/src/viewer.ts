// The read-only viewer of a shared map, served by the share service: the editor's own drawing
// of cards, edges and ink, with pan, zoom and submaps, and nothing that edits. The service
// embeds the share in the page (#share); images come from the share's media address.
import { Camera } from "./camera";
import { CanvasHost, CanvasView } from "./canvasView";
import { commandFor } from "./commands";
import { $ } from "./dom";
import { formatFragment, parseFragment, union } from "./geometry";
import { isObject, str } from "./json";
import { MapDocument, box, mapTrail, parentPath, rootPath, submapPath } from "./model";
import { browserTimers } from "./saver";
import { ViewAddress, replaceFragment } from "./viewAddress";

interface Share { name: string; state: unknown; media: string; handoff: string }

const servedMedia = /^(velk-media|plovet-media)\/([^/]+)$/;
const handoffLink = /^velk:\/\/h\/[a-z2-9]{16}$/;

function readShare(): Share {
  let data: unknown = null;
  try { data = JSON.parse($("share").textContent ?? ""); } catch { data = null; }
  const o = isObject(data) ? data : {};
  return { name: str(o.name, "Shared map"), state: o.state ?? null, media: str(o.media), handoff: str(o.handoff) };
}

class Viewer implements CanvasHost {
  readonly doc: MapDocument;
  path = rootPath;
  readonly selection: ReadonlySet<string> = new Set();
  readonly selectedEdge = null;
  readonly tool = "select";
  readonly text = { editingId: null, openingId: null };
  readonly editable = false;
  readonly conn = { mediaURL: (path: string) => this.mediaURL(path) };
  readonly camera: Camera;
  private readonly canvas: CanvasView;
  private readonly viewport = $("viewport");
  private frame = 0;
  private content = true;
  private readonly address = new ViewAddress(browserTimers, replaceFragment);
  private drag: { x: number; y: number; vx: number; vy: number; moved: boolean } | null = null;

  constructor(private share: Share) {
    this.doc = MapDocument.fromState(share.state);
    this.camera = new Camera(this.viewport, () => this.invalidate(true));
    this.canvas = new CanvasView(this);
  }

  // Only images in the package's media folders exist on the service; anything else stays empty.
  private mediaURL(path: string): string {
    const m = servedMedia.exec(path);
    return m && this.share.media ? `${this.share.media}${m[1]}/${encodeURIComponent(m[2])}` : "";
  }

  start(): void {
    this.bind();
    new ResizeObserver(() => this.camera.resized()).observe(this.viewport);
    const fromURL = parseFragment(location.hash);
    if (fromURL) this.camera.view = fromURL;
    else this.fit();
    this.invalidate();
  }

  invalidate(viewOnly = false): void {
    if (!viewOnly) this.content = true;
    if (!this.frame) this.frame = requestAnimationFrame(() => { this.frame = 0; this.render(); });
  }

  private render(): void {
    const content = this.content;
    this.content = false;
    this.canvas.render(content);
    const zoom = `${Math.round(this.camera.view.z * 100)}%`;
    if ($("zoom-indicator").textContent !== zoom) $("zoom-indicator").textContent = zoom;
    if (content) this.renderCrumbs();
    this.address.show(formatFragment(this.camera.view));
  }

  fit(): void {
    this.camera.fit(union(this.doc.nodes(this.path).map(box)));
  }

  openMap(path: string): void {
    if (!this.doc.map(path)) return;
    this.path = path;
    this.canvas.clear();
    this.fit();
    this.invalidate();
  }

  private goUp(): void {
    const parent = parentPath(this.path);
    if (parent !== null) this.openMap(parent);
  }

  // The map's name (written by the service) starts the trail; submaps follow it.
  private renderCrumbs(): void {
    const root = $("rootCrumb");
    root.classList.toggle("current", this.path === rootPath);
    const trail = mapTrail(this.path).slice(1);
    const crumbs = $("crumbs");
    while (crumbs.lastElementChild && crumbs.lastElementChild !== $("mapName")) crumbs.lastElementChild.remove();
    trail.forEach((p, i) => {
      const sep = document.createElement("span");
      sep.className = "crumb-sep";
      sep.textContent = "›";
      const b = document.createElement("button");
      const current = i === trail.length - 1;
      b.className = current ? "crumb current" : "crumb";
      b.dataset.path = p;
      b.textContent = this.doc.title(p, this.share.name);
      if (current) b.setAttribute("aria-current", "page");
      else b.addEventListener("click", () => this.openMap(p));
      crumbs.append(sep, b);
    });
    document.title = `${this.path === rootPath ? this.share.name : this.doc.title(this.path, this.share.name)} — velk`;
  }

  private bind(): void {
    const vp = this.viewport;
    const on = (id: string, fn: () => void) => $(id).addEventListener("click", fn);
    on("rootCrumb", () => this.openMap(rootPath));
    on("zoomIn", () => this.camera.zoomBy(1.25));
    on("zoomOut", () => this.camera.zoomBy(0.8));
    on("zoomFit", () => this.fit());
    on("zoom-indicator", () => this.camera.zoomReset());
    on("openInApp", () => void this.openInApp());
    vp.addEventListener("wheel", (e) => {
      e.preventDefault();
      if (e.ctrlKey || e.metaKey) {
        this.camera.zoomBy(Math.exp(-e.deltaY * (e.deltaMode === 1 ? 0.05 : 0.0025)), this.camera.viewportPoint(e));
        return;
      }
      const scale = e.deltaMode === 1 ? 20 : 1;
      const sideways = e.shiftKey && !e.deltaX;
      this.camera.panBy(-(sideways ? e.deltaY : e.deltaX) * scale, -(sideways ? 0 : e.deltaY) * scale);
    }, { passive: false });
    // Two fingers on a touch screen pinch: the zoom follows their distance, about their middle.
    const touches = new Map<number, { x: number; y: number }>();
    let pinch = 0;
    vp.addEventListener("pointerdown", (e) => {
      if ((e.target as Element).closest("a")) return;
      const p = this.camera.viewportPoint(e);
      touches.set(e.pointerId, p);
      vp.setPointerCapture(e.pointerId);
      if (touches.size === 2) {
        const [a, b] = [...touches.values()];
        pinch = Math.hypot(a.x - b.x, a.y - b.y);
        if (this.drag) this.drag.moved = true;  // a pinch is no click
        return;
      }
      this.drag = { x: p.x, y: p.y, vx: this.camera.view.x, vy: this.camera.view.y, moved: false };
    });
    vp.addEventListener("pointermove", (e) => {
      const p = this.camera.viewportPoint(e);
      if (touches.has(e.pointerId)) touches.set(e.pointerId, p);
      if (touches.size === 2 && pinch > 0) {
        const [a, b] = [...touches.values()];
        const distance = Math.hypot(a.x - b.x, a.y - b.y);
        if (distance > 0) this.camera.zoomBy(distance / pinch, { x: (a.x + b.x) / 2, y: (a.y + b.y) / 2 });
        pinch = distance;
        return;
      }
      const d = this.drag;
      if (!d) return;
      if (!d.moved && Math.hypot(p.x - d.x, p.y - d.y) < 3) return;
      d.moved = true;
      vp.classList.add("panning");
      this.camera.view = { ...this.camera.view, x: d.vx + p.x - d.x, y: d.vy + p.y - d.y };
      this.invalidate(true);
    });
    const up = (e: PointerEvent) => {
      touches.delete(e.pointerId);
      if (touches.size) {
        // The finger left on the screen pans on from where the pinch ended.
        const [rest] = touches.values();
        this.drag = { x: rest.x, y: rest.y, vx: this.camera.view.x, vy: this.camera.view.y, moved: true };
        pinch = 0;
        return;
      }
      pinch = 0;
      const d = this.drag;
      this.drag = null;
      vp.classList.remove("panning");
      if (!d || d.moved || e.type === "pointercancel") return;
      // A click on a card that has a submap opens it. The pointer is captured, so the card is
      // found by position rather than by the event's target.
      const hit = document.elementsFromPoint(e.clientX, e.clientY).find((el) => el.closest(".card")) ?? null;
      const id = this.canvas.cardAt(hit, this.camera.canvasPoint(e));
      if (id && this.doc.hasSubmap(this.path, id)) this.openMap(submapPath(this.path, id));
    };
    vp.addEventListener("pointerup", up);
    vp.addEventListener("pointercancel", up);
    // Task boxes show their state; a click must not tick them.
    vp.addEventListener("click", (e) => { if ((e.target as Element).matches("input")) e.preventDefault(); });
    document.addEventListener("keydown", (e) => {
      if ((e.target as Element).closest?.("button, a, input") && (e.key === "Enter" || e.key === " ")) return;
      const command = commandFor(e);
      if (command && this.run(command.id, e)) e.preventDefault();
    });
  }

  // The editor's own shortcuts, those that only look.
  private run(id: string, e: KeyboardEvent): boolean {
    const arrows: Record<string, [number, number]> = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] };
    switch (id) {
      case "zoom": this.camera.zoomBy(e.key === "-" || e.key === "_" ? 0.8 : 1.25); return true;
      case "zoomReset": this.camera.zoomReset(); return true;
      case "fit": this.fit(); return true;
      case "up": case "escape": this.goUp(); return true;
      case "move": {
        const d = arrows[e.key];
        if (!d) return false;
        const step = e.shiftKey ? 400 : 40;
        this.camera.panBy(-d[0] * step, -d[1] * step);
        return true;
      }
    }
    return false;
  }

  // Asks the service for a hand-off and gives its velk:// link to the browser, which passes it
  // to the app. Only a link of the hand-off form is followed.
  private async openInApp(): Promise<void> {
    const status = $("openStatus");
    const button = $<HTMLButtonElement>("openInApp");
    status.classList.remove("error");
    status.textContent = "Opening velk…";
    button.disabled = true;
    try {
      const answer = await fetch(this.share.handoff, { method: "POST", headers: { Accept: "application/json" }, credentials: "omit" });
      let body: unknown = null;
      try { body = await answer.json(); } catch { body = null; }
      const o = isObject(body) ? body : {};
      if (!answer.ok) throw new Error(str(o.error) || `The service answered ${answer.status}.`);
      const link = str(o.link);
      if (!handoffLink.test(link)) throw new Error("The service sent a link velk does not open.");
      status.textContent = "If nothing opens, velk may not be installed here.";
      location.href = link;
    } catch (error) {
      status.classList.add("error");
      status.textContent = error instanceof TypeError ? "Could not reach the share service." : (error as Error).message;
    } finally {
      button.disabled = false;
    }
  }
}

// Exposed for the page's tests: which map is on screen.
const viewer = new Viewer(readShare());
(window as unknown as { velkViewer?: { path(): string } }).velkViewer = { path: () => viewer.path };
viewer.start();
