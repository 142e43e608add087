// "?bench=5000" in the browser demo: the first render and a pan over a generated map, timed.
// Each pan step is timed with its style and layout (forced before the clock stops).
import { benchState } from "./demo";
import type { BenchHost } from "./editorContext";
import { MapDocument } from "./model";

export function runBench(ed: BenchHost, count: number): void {
  ed.doc = MapDocument.fromState(benchState(count));
  ed.view = { x: 0, y: 0, z: 1 };
  const t0 = performance.now();
  ed.render();
  void document.body.offsetHeight;
  const first = performance.now() - t0;
  const frames: number[] = [];
  const step = () => {
    if (frames.length >= 60) return report();
    const t = performance.now();
    ed.view = { ...ed.view, x: ed.view.x - 40, y: ed.view.y - 25 };
    ed.render(false);  // a pan moves the view only, as dragging does
    void document.body.offsetHeight;
    frames.push(performance.now() - t);
    setTimeout(step, 0);
  };
  const report = () => {
    const work = frames;
    const result = {
      cards: count,
      firstRenderMs: round(first),
      panFrameMeanMs: round(work.reduce((a, b) => a + b, 0) / work.length),
      panFrameMaxMs: round(Math.max(...work)),
      cardsInDOM: document.querySelectorAll("#cards .card").length,
    };
    const out = document.createElement("pre");
    out.id = "bench";
    out.textContent = JSON.stringify(result);
    document.body.append(out);
  };
  setTimeout(step, 0);
}

const round = (v: number) => Math.round(v * 10) / 10;
