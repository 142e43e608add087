// Builds the editor page into one self-contained index.html: the bundled script and the style
// sheet are inlined, nothing else is referenced, so the page runs under velk's page policy
// (inline script and style only, no network, no eval). With --tests-out it also compiles the
// unit tests to ES modules for `node --test`. With --viewer-out it builds the read-only viewer
// the share service shows shared maps with, and with --shortcuts-out it writes the command
// table as JSON, so the service's shortcuts page lists exactly what the overlay lists.
import { build, transform } from "esbuild";
import { mkdir, readFile, readdir, writeFile } from "node:fs/promises";
import path from "node:path";
import { fileURLToPath } from "node:url";

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "..");

function option(name, fallback) {
  const at = process.argv.indexOf(name);
  return at >= 0 && at + 1 < process.argv.length ? process.argv[at + 1] : fallback;
}

const pkg = JSON.parse(await readFile(path.join(root, "package.json"), "utf8"));
const out = path.resolve(option("--out", path.join(root, "dist/index.html")));
const testsOut = option("--tests-out", undefined);
const version = option("--version", pkg.version);
const viewerOut = option("--viewer-out", undefined);
const shortcutsOut = option("--shortcuts-out", undefined);

// One page: the bundled entry script and the style sheets inlined into a template.
async function page(entry, sheets, templateFile) {
  const script = await build({
    entryPoints: [path.join(root, entry)],
    bundle: true,
    format: "iife",
    target: "es2020",
    minify: true,
    write: false,
    legalComments: "none",
    define: { __VELK_VERSION__: JSON.stringify(version) },
    logLevel: "warning",
  });
  let js = script.outputFiles[0].text;
  let sheet = "";
  for (const file of sheets) sheet += await readFile(path.join(root, file), "utf8");
  const css = (await transform(sheet, { loader: "css", minify: true })).code;

  // The policy forbids eval; fail the build rather than ship a page that breaks at run time.
  for (const banned of [/\beval\s*\(/, /\bnew Function\s*\(/]) {
    if (banned.test(js)) throw new Error(`the ${entry} bundle uses ${banned}, which the page policy forbids`);
  }
  // An inline script ends at the first "</script", wherever it appears.
  js = js.replace(/<\/(script)/gi, "<\\/$1");

  const template = await readFile(path.join(root, templateFile), "utf8");
  return template
    .replace("/*STYLE*/", () => css.trim())
    .replace("/*SCRIPT*/", () => js.trim());
}

// app.ts puts the page together and starts it: a module importing it, even for a type, would
// tie every part of the page to every other, and a test importing it would start a page.
const importsApp = /(?:\bfrom|\bimport)\s*\(?\s*["'](?:\.\/|\.\.\/src\/)app(?:\.[jt]s)?["']/;
for (const dir of ["src", "test"]) {
  for (const file of (await readdir(path.join(root, dir))).filter((f) => f.endsWith(".ts"))) {
    if (importsApp.test(await readFile(path.join(root, dir, file), "utf8"))) {
      throw new Error(`${dir}/${file} imports app.ts; take the editor through an interface of editorContext.ts`);
    }
  }
}

const html = await page("src/app.ts", ["src/style.css"], "src/index.html");
await mkdir(path.dirname(out), { recursive: true });
await writeFile(out, html);

if (testsOut) {
  const dir = path.join(root, "test");
  const entries = (await readdir(dir)).filter((f) => f.endsWith(".test.ts")).map((f) => path.join(dir, f));
  await build({
    entryPoints: entries,
    bundle: true,
    platform: "node",
    format: "esm",
    target: "node20",
    outdir: path.resolve(testsOut),
    outExtension: { ".js": ".mjs" },
    define: { __VELK_VERSION__: JSON.stringify(version) },
    logLevel: "warning",
  });
}
if (viewerOut) {
  const viewer = await page("src/viewer.ts", ["src/style.css", "src/viewer.css"], "src/viewer.html");
  await mkdir(path.dirname(path.resolve(viewerOut)), { recursive: true });
  await writeFile(path.resolve(viewerOut), viewer);
}

if (shortcutsOut) {
  const table = await build({
    entryPoints: [path.join(root, "src/commands.ts")],
    bundle: true,
    platform: "node",
    format: "esm",
    write: false,
    logLevel: "warning",
  });
  const source = Buffer.from(table.outputFiles[0].text).toString("base64");
  const { commands } = await import(`data:text/javascript;base64,${source}`);
  const rows = commands.map((c) => ({ keys: c.keys, label: c.label }));
  await mkdir(path.dirname(path.resolve(shortcutsOut)), { recursive: true });
  await writeFile(path.resolve(shortcutsOut), JSON.stringify(rows, null, 1) + "\n");
}
console.log(`editor: ${path.relative(process.cwd(), out)} (${Buffer.byteLength(html)} bytes)`);
