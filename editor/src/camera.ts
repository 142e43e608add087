// The view on the canvas: offset and zoom, the viewport's size, and turning pointer positions
// into canvas points.
import { Point, Rect, View, fitView, toCanvas, zoomAt } from "./geometry";

export class Camera {
  view: View = { x: 0, y: 0, z: 1 };
  // Kept from the resize observer: reading clientWidth while rendering would force a layout.
  private measured: { width: number; height: number } | null = null;

  constructor(private viewport: HTMLElement, private invalidate: () => void) {}

  resized(): void {
    this.measured = null;
    this.invalidate();
  }

  size(): { width: number; height: number } {
    if (!this.measured) this.measured = { width: this.viewport.clientWidth || 800, height: this.viewport.clientHeight || 600 };
    return this.measured;
  }

  // The canvas point in the middle of the viewport.
  centre(): Point {
    const { width, height } = this.size();
    return toCanvas(this.view, { x: width / 2, y: height / 2 });
  }

  // Moves the view, at its zoom, so `rect` is in the middle of the viewport.
  centreOn(rect: Rect): void {
    const { width, height } = this.size();
    const { z } = this.view;
    this.view = { z, x: width / 2 - (rect.x + rect.width / 2) * z, y: height / 2 - (rect.y + rect.height / 2) * z };
    this.invalidate();
  }

  fit(bounds: Rect | null): void {
    const { width, height } = this.size();
    this.view = fitView(bounds, width, height);
    this.invalidate();
  }

  zoomBy(factor: number, at?: Point): void {
    const { width, height } = this.size();
    this.view = zoomAt(this.view, factor, at ?? { x: width / 2, y: height / 2 });
    this.invalidate();
  }

  zoomReset(): void {
    this.view = { ...this.view, z: 1 };
    this.zoomBy(1);
  }

  panBy(dx: number, dy: number): void {
    this.view = { ...this.view, x: this.view.x + dx, y: this.view.y + dy };
    this.invalidate();
  }

  viewportPoint(e: { clientX: number; clientY: number }): Point {
    const r = this.viewport.getBoundingClientRect();
    return { x: e.clientX - r.left, y: e.clientY - r.top };
  }

  canvasPoint(e: { clientX: number; clientY: number }): Point {
    return toCanvas(this.view, this.viewportPoint(e));
  }
}
