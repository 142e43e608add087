// Measures what the undo stack keeps on a generated map (20,000 cards unless given): steps that
// each change one card, against the same steps kept as whole copies of the document, measured in
// the same run. Run by hand: node --expose-gc editor/scripts/undo-bench.mjs [cards] [steps]
import { build } from "esbuild";
import path from "node:path";
import { fileURLToPath } from "node:url";

if (typeof gc !== "function") {
  console.log("undo-bench: run with node --expose-gc");
  process.exit(2);
}
const cards = Number(process.argv[2] ?? 20000), steps = Number(process.argv[3] ?? 100);
const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "..");
const bundle = await build({ entryPoints: [path.join(root, "src/undo.ts")], bundle: true, format: "esm", write: false, logLevel: "warning" });
const { UndoStack } = await import(`data:text/javascript,${encodeURIComponent(bundle.outputFiles[0].text)}`);

const columns = Math.ceil(Math.sqrt(cards)), nodes = [], edges = [];
for (let i = 0; i < cards; i++) {
  nodes.push({ id: `n${i}`, type: "text", x: (i % columns) * 300, y: Math.floor(i / columns) * 160, width: 250, height: 110,
    text: `Card ${i}\nSome **bold** text and a list:\n- one\n- two` });
  if (i % columns) edges.push({ id: `e${i}`, fromNode: `n${i - 1}`, toNode: `n${i}` });
}
const doc = { maps: [{ path: "/", canvas: { nodes, edges }, sidecar: {} }] };
const snapshot = () => ({ body: JSON.stringify(doc), path: "/" });

const heapMB = () => { gc(); gc(); const m = process.memoryUsage(); return (m.heapUsed + m.external + m.arrayBuffers) / 1e6; };
// Each step colours another card, as a user's edits would, and is kept by `keep`.
function run(keep) {
  const start = heapMB(), began = performance.now();
  for (let i = 0; i < steps; i++) {
    keep(snapshot);
    nodes[(i * 7919) % cards].color = String(1 + (i % 6));
  }
  const ms = (performance.now() - began) / steps, kept = heapMB() - start;
  for (const n of nodes) delete n.color;
  return { kept, ms };
}
const copies = [];
const whole = run((take) => copies.push(take()));
copies.length = 0;
const undo = new UndoStack(steps);
const stack = run((take) => undo.record(take));
const mb = (v) => v.toFixed(1);
console.log(`undo-bench: ${cards} cards, ${steps} steps; document ${mb(snapshot().body.length / 1e6)} MB`);
console.log(`undo-bench: whole copies keep ${mb(whole.kept)} MB, ${whole.ms.toFixed(1)} ms a step`);
console.log(`undo-bench: the undo stack keeps ${mb(stack.kept)} MB, ${stack.ms.toFixed(1)} ms a step`);
console.log(`undo-bench: ratio kept ${(stack.kept / whole.kept).toFixed(3)}, time ${(stack.ms / whole.ms).toFixed(2)}`);
