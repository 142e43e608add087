import { Timers } from "./saver";

// Keeps the view in the page's address, so that a reload (after the web process died, say) comes
// back to it. A pan changes the view every frame, and WebKit throws once a page changes its
// address more than 100 times in 10 seconds, so the address follows only once the view has held
// still for a moment. A refused change is dropped: the address is a convenience, never an error.
export class ViewAddress {
  private timer: unknown = null;
  private written = "";

  constructor(private timers: Timers, private write: (fragment: string) => void, private delayMs = 200) {}

  show(fragment: string): void {
    if (this.timer !== null) this.timers.clear(this.timer);
    this.timer = null;
    if (fragment === this.written) return;
    this.timer = this.timers.set(() => {
      this.timer = null;
      try {
        this.write(fragment);
        this.written = fragment;
      } catch {
        // Refused: the next still view tries again.
      }
    }, this.delayMs);
  }
}

export function replaceFragment(fragment: string): void {
  if (location.hash !== fragment) history.replaceState(null, "", fragment);
}
