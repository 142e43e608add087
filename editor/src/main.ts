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

function runBench(ed: Editor, count: number): void {
  ed.doc = MapDocument.fromState(benchState(count));
  ed.view = { x: 0, y: 0, z: 1 };
  const t0 = performance.now();
  ed.render();
  const first = performance.now() - t0;
  const frames: number[] = [];
  for (let i = 0; i < 60; i++) {
    ed.view = { ...ed.view, x: ed.view.x - 40, y: ed.view.y - 25 };
    const t = performance.now();
    ed.render();
    frames.push(performance.now() - t);
  }
  const result = {
    cards: count,
    firstRenderMs: Math.round(first * 10) / 10,
    panFrameMeanMs: Math.round((frames.reduce((a, b) => a + b, 0) / frames.length) * 100) / 100,
    panFrameMaxMs: Math.round(Math.max(...frames) * 100) / 100,
    cardsInDOM: document.querySelectorAll(".card").length,
  };
  const out = document.createElement("pre");
  out.id = "bench";
  out.textContent = JSON.stringify(result);
  document.body.append(out);
}
