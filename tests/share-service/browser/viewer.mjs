// The shared-map viewer in a real browser: starts the real velk-share on 127.0.0.1 over a SQLite
// file, publishes a map with a submap, an image, ink and an edge, and drives headless Chromium
// over the DevTools protocol (through a pipe, so no port is opened for it). It checks the
// rendered page, opens the submap by clicking its card, goes back through the breadcrumb,
// asks for a hand-off with Open in App, and fails on any content-policy report. Screenshots
// and the DOM are kept in the output folder.
//
// node viewer.mjs --velk-share PATH --chromium PATH --out FOLDER
import { spawn } from "node:child_process";
import net from "node:net";
import { mkdtemp, mkdir, rm, writeFile } from "node:fs/promises";
import os from "node:os";
import path from "node:path";

function option(name) {
  const at = process.argv.indexOf(name);
  if (at < 0 || at + 1 >= process.argv.length) throw new Error(`viewer.mjs needs ${name}`);
  return process.argv[at + 1];
}
const velkShare = option("--velk-share"), chromium = option("--chromium"), out = path.resolve(option("--out"));
await mkdir(out, { recursive: true });
const scratch = await mkdtemp(path.join(os.tmpdir(), "velk-viewer-"));
const children = [];
let failures = 0;
const check = (ok, what) => { console.log(`${ok ? "ok" : "FAILED"}: ${what}`); if (!ok) failures++; };

// Chromium's own helper processes may still write into the profile for a moment after the
// browser is gone, so the folder is removed with a few retries.
async function cleanUp() {
  const ended = children.filter((child) => child.exitCode === null && child.signalCode === null)
    .map((child) => new Promise((resolve) => { child.once("exit", resolve); child.kill("SIGKILL"); }));
  await Promise.all(ended);
  await rm(scratch, { recursive: true, force: true, maxRetries: 10, retryDelay: 100 });
}
const deadline = setTimeout(async () => { console.log("FAILED: the run took longer than 90 s"); await cleanUp(); process.exit(1); }, 90_000);

// ---- the service ------------------------------------------------------------------------------
const freePort = await new Promise((resolve) => {
  const probe = net.createServer().listen(0, "127.0.0.1", () => { const { port } = probe.address(); probe.close(() => resolve(port)); });
});
const server = spawn(velkShare, ["serve", "--listen", `127.0.0.1:${freePort}`, "--db", `sqlite:${scratch}/share.sqlite`], { stdio: ["ignore", "ignore", "pipe"] });
children.push(server);
const port = await new Promise((resolve, reject) => {
  let text = "";
  server.stderr.on("data", (chunk) => {
    text += chunk;
    const m = /listening on 127\.0\.0\.1:(\d+)/.exec(text);
    if (m) resolve(Number(m[1]));
  });
  server.on("exit", (code) => reject(new Error(`velk-share exited (${code}): ${text}`)));
});
const base = `http://127.0.0.1:${port}/`;

const png = "iVBORw0KGgoAAAANSUhEUgAAAAgAAAAICAIAAABLbSncAAAAEUlEQVR4nGP4tNIaK2IYWhIAFzp1gfOS+JIAAAAASUVORK5CYII=";
const state = {
  maps: [
    {
      path: "/",
      canvas: {
        nodes: [
          { id: "plans", type: "text", text: "# Plans\nOpen me", x: 0, y: 0, width: 260, height: 90, color: "4" },
          { id: "photo", type: "file", file: "velk-media/33f9ea4d2fe3afb2.png", x: 320, y: 0, width: 160, height: 160 },
          { id: "sketch", type: "file", x: 0, y: 160, width: 220, height: 110 },
        ],
        edges: [{ id: "e1", fromNode: "plans", fromSide: "right", toNode: "photo", toSide: "left", label: "see" }],
      },
      sidecar: { nodes: { sketch: { role: "ink", source: { strokes: [{ points: [[10, 170], [70, 250], [130, 180], [210, 260]], palette: "default" }], lines: [] } } } },
    },
    { path: "/plans", canvas: { nodes: [{ id: "inside", type: "text", text: "Inside the plan", x: 0, y: 0, width: 250, height: 60 }], edges: [] }, sidecar: {} },
  ],
};
const published = await fetch(`${base}api/share`, {
  method: "POST",
  headers: { "Content-Type": "application/json" },
  body: JSON.stringify({ name: "Trip <b>&</b>", state, media: { "velk-media/33f9ea4d2fe3afb2.png": png } }),
});
const share = await published.json();
check(published.status === 201, `publish answered ${published.status} ${JSON.stringify(share)}`);

// ---- the browser, over the DevTools protocol on fds 3 and 4 -----------------------------------
const browser = spawn(chromium, [
  "--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run", "--no-default-browser-check",
  "--remote-debugging-pipe", `--user-data-dir=${scratch}/profile`, "--window-size=1280,800", "about:blank",
], { stdio: ["ignore", "ignore", "pipe", "pipe", "pipe"] });
children.push(browser);
browser.stderr.on("data", () => {});
let nextId = 1, buffered = "";
const waiting = new Map(), listeners = [];
browser.stdio[4].on("data", (chunk) => {
  buffered += chunk.toString("utf8");
  let end;
  while ((end = buffered.indexOf("\0")) >= 0) {
    const message = JSON.parse(buffered.slice(0, end));
    buffered = buffered.slice(end + 1);
    if (message.id && waiting.has(message.id)) {
      const { resolve, reject } = waiting.get(message.id);
      waiting.delete(message.id);
      if (message.error) reject(new Error(JSON.stringify(message.error))); else resolve(message.result);
    } else for (const listen of listeners) listen(message);
  }
});
function send(method, params = {}, sessionId) {
  const id = nextId++;
  browser.stdio[3].write(JSON.stringify({ id, method, params, ...(sessionId ? { sessionId } : {}) }) + "\0");
  return new Promise((resolve, reject) => waiting.set(id, { resolve, reject }));
}

const reports = [];
listeners.push((m) => {
  if (m.method === "Log.entryAdded") reports.push(m.params.entry.text);
  if (m.method === "Runtime.exceptionThrown") reports.push(`exception: ${m.params.exceptionDetails.text} ${m.params.exceptionDetails.exception?.description ?? ""}`);
});

const { targetId } = await send("Target.createTarget", { url: "about:blank" });
const { sessionId } = await send("Target.attachToTarget", { targetId, flatten: true });
const page = (method, params) => send(method, params, sessionId);
await page("Page.enable");
await page("Log.enable");
await page("Runtime.enable");
await page("Emulation.setDeviceMetricsOverride", { width: 1280, height: 800, deviceScaleFactor: 1, mobile: false });

async function value(expression) {
  const result = await page("Runtime.evaluate", { expression, returnByValue: true, awaitPromise: true });
  return result.result.value;
}
// While a page navigates, an evaluation can fail ("Inspected target navigated or closed"): not yet.
async function until(expression, what, ms = 10_000) {
  const stop = Date.now() + ms;
  while (Date.now() < stop) {
    if (await value(expression).catch(() => false)) { console.log(`ok: ${what}`); return true; }
    await new Promise((r) => setTimeout(r, 100));
  }
  check(false, `${what} (waited ${ms} ms for ${expression})`);
  return false;
}
async function click(selector) {
  const box = await value(`(() => { const r = document.querySelector(${JSON.stringify(selector)})?.getBoundingClientRect(); return r && { x: r.x + r.width / 2, y: r.y + r.height / 2 }; })()`);
  if (!box) return check(false, `${selector} is there to click`);
  for (const type of ["mouseMoved", "mousePressed", "mouseReleased"]) {
    await page("Input.dispatchMouseEvent", { type, x: box.x, y: box.y, button: "left", buttons: type === "mousePressed" ? 1 : 0, clickCount: 1 });
  }
}
async function screenshot(name) {
  const { data } = await page("Page.captureScreenshot", { format: "png" });
  await writeFile(path.join(out, name), Buffer.from(data, "base64"));
}

await page("Page.navigate", { url: `${base}s/${share.id}` });
await until(`document.querySelectorAll("#cards .card").length === 3`, "the three cards of the top map are drawn");
await until(`(() => { const i = document.querySelector("#cards img.image"); return !!i && i.complete && i.naturalWidth === 8; })()`, "the image is loaded from the share");
check(await value(`document.getElementById("rootCrumb").textContent`) === "Trip <b>&</b>", "the map's name is shown as text");
check(await value(`document.title`) === "Trip <b>&</b> — velk", "the title is the map's name");
check(await value(`document.querySelectorAll("#cards .card.ink svg path").length`) === 1, "the ink stroke is drawn");
check(await value(`document.querySelectorAll("#edges .edge").length`) === 1, "the edge is drawn");
check(await value(`document.querySelectorAll(".handle, .resize, #contextBar, #tool-pen, #undoBtn, #shareBtn").length`) === 0, "no edit controls");
check(await value(`getComputedStyle(document.getElementById("cards").querySelector(".card.colored")).borderTopColor !== ""`), "the coloured card has its colour");
await screenshot("viewer-top.png");

await click(`#cards .card[data-id="plans"]`);
await until(`window.velkViewer.path() === "/plans"`, "a click on the submap card opens the submap");
await until(`[...document.querySelectorAll("#cards .card")].map((c) => c.textContent).join("|") === "Inside the plan"`, "the submap's card is drawn");
check(await value(`[...document.querySelectorAll("#crumbs .crumb")].map((c) => c.textContent).join(" › ")`) === "Trip <b>&</b> › Plans", "the breadcrumb trail leads to the submap");
await screenshot("viewer-submap.png");

await click("#rootCrumb");
await until(`window.velkViewer.path() === "/" && document.querySelectorAll("#cards .card").length === 3`, "the breadcrumb goes back to the top map");

// Two fingers spreading apart zoom in.
const zoomBefore = await value(`parseInt(document.getElementById("zoom-indicator").textContent)`);
const finger = (id, x) => ({ x, y: 600, id, radiusX: 1, radiusY: 1, force: 1 });
await page("Input.dispatchTouchEvent", { type: "touchStart", touchPoints: [finger(1, 560), finger(2, 720)] });
for (let step = 1; step <= 5; step++) {
  await page("Input.dispatchTouchEvent", { type: "touchMove", touchPoints: [finger(1, 560 - step * 20), finger(2, 720 + step * 20)] });
}
await page("Input.dispatchTouchEvent", { type: "touchEnd", touchPoints: [] });
await until(`parseInt(document.getElementById("zoom-indicator").textContent) > ${zoomBefore} * 1.3`, "a pinch zooms in");
check(await value(`window.velkViewer.path()`) === "/", "a pinch opens nothing");

await click("#openInApp");
await until(`document.getElementById("openStatus").textContent.startsWith("If nothing opens")`, "Open in App got a hand-off link from the service");
await screenshot("viewer.png");
await writeFile(path.join(out, "viewer-dom.html"), await value("document.documentElement.outerHTML"));

// The same map in the dark.
await page("Emulation.setEmulatedMedia", { features: [{ name: "prefers-color-scheme", value: "dark" }] });
await new Promise((r) => setTimeout(r, 200));
await screenshot("viewer-dark.png");
await page("Emulation.setEmulatedMedia", { features: [{ name: "prefers-color-scheme", value: "light" }] });

// The other pages, as a browser shows them; the operator removes the share while it is served.
const remove = spawn(velkShare, ["remove", share.id, "--reason", "Taken down: <a> complaint", "--db", `sqlite:${scratch}/share.sqlite`], { stdio: "ignore" });
check(await new Promise((r) => remove.on("exit", r)) === 0, "velk-share remove ran beside the server");
async function show(address, name, expression, what) {
  await page("Page.navigate", { url: `${base}${address}` });
  await until(expression, what);
  await screenshot(name);
}
await show(`s/${share.id}`, "removed.png", `document.querySelector("blockquote")?.textContent === "Taken down: <a> complaint"`, "the removal page gives the reason as text");
await show("feedback/?tester=t-abcdefghijkl&client=linux&version=0.1.0&message=It%20works", "feedback.png",
  `document.querySelector("textarea")?.value === "It works"`, "the feedback form is prefilled from the link");
// The submit navigates away, so Chromium may answer this very call with "Inspected target navigated".
await page("Runtime.evaluate", { expression: `document.querySelector("textarea").value = "Sent from the browser test"; document.querySelector("form").submit()` })
  .catch(() => {});
await until(`document.querySelector("h1")?.textContent === "Thank you"`, "sending the form ends on the thank-you page");
await screenshot("feedback-sent.png");
await show("shortcuts/", "shortcuts.png", `document.querySelectorAll("tbody tr").length > 20`, "the shortcuts page lists the editor's commands");

const policy = reports.filter((r) => /Content Security Policy|exception/i.test(r));
check(policy.length === 0, `no content-policy reports or script errors (${policy.join("; ")})`);

clearTimeout(deadline);
await send("Browser.close").catch(() => {});
await cleanUp();
console.log(failures ? `${failures} check(s) failed; screenshots in ${out}` : `all checks passed; screenshots in ${out}`);
process.exit(failures ? 1 : 0);
