// Starts the editor page: connect to velk (or the in-browser demo), then load the document.
import { Editor } from "./app";
import { benchState } from "./demo";
import { connect } from "./host";
import { MapDocument } from "./model";

declare global {
  const __VELK_VERSION__: string;
}

let editor: Editor | null = null;
const connection = connect(
  (notice) => void editor?.changed(notice),
  (name) => editor?.setName(name),
);
editor = new Editor(connection);

// "?bench=5000" measures the first render and a pan over a generated map (browser demo only).
const bench = Number(new URLSearchParams(location.search).get("bench"));
if (!connection.native && bench > 0) runBench(editor, bench);
else void editor.load();

// Each pan step is timed with its style and layout (forced before the clock stops).
function runBench(ed: Editor, count: number): void {
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
      cardsInDOM: document.querySelectorAll(".card").length,
    };
    const out = document.createElement("pre");
    out.id = "bench";
    out.textContent = JSON.stringify(result);
    document.body.append(out);
  };
  setTimeout(step, 0);
}

const round = (v: number) => Math.round(v * 10) / 10;
