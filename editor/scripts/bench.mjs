// Measures the editor page on a generated map of 5,000 cards in headless Chromium: the time of
// the first render and of each frame of a pan, and how many cards end up in the DOM. Exits 77
// (skipped) on machines without Chromium.
import { execFileSync, spawnSync } from "node:child_process";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import path from "node:path";

const page = path.resolve(process.argv[2] ?? "dist/index.html");
const cards = Number(process.argv[3] ?? 5000);
const browser = ["chromium", "chromium-browser", "google-chrome"].find((b) => spawnSync("which", [b]).status === 0);
if (!browser) {
  console.log("bench: no Chromium here; skipped");
  process.exit(77);
}
const profile = mkdtempSync(path.join(tmpdir(), "velk-bench-"));
try {
  const dom = execFileSync(browser, [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking", "--disable-component-update",
    "--disable-sync", "--no-first-run", `--user-data-dir=${profile}`, "--window-size=1400,900",
    "--virtual-time-budget=5000", "--dump-dom", `file://${page}?bench=${cards}`,
  ], { encoding: "utf8", stdio: ["ignore", "pipe", "ignore"], timeout: 120_000 });
  const match = dom.match(/<pre id="bench">([^<]*)<\/pre>/);
  if (!match) throw new Error("the page wrote no benchmark result");
  const result = JSON.parse(match[1].replace(/&quot;/g, '"'));
  console.log(`bench: ${JSON.stringify(result)}`);
  // Only what is on screen may be in the DOM, whatever the map's size.
  if (result.cardsInDOM >= cards / 10) throw new Error(`${result.cardsInDOM} cards in the DOM`);
} finally {
  rmSync(profile, { recursive: true, force: true });
}
