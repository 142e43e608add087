// Builds the editor page into one self-contained index.html: the bundled script and the style
// sheet are inlined, nothing else is referenced, so the page runs under velk's page policy
// (inline script and style only, no network, no eval). With --tests-out it also compiles the
// unit tests to ES modules for `node --test`.
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

const script = await build({
  entryPoints: [path.join(root, "src/main.ts")],
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

const css = (await transform(await readFile(path.join(root, "src/style.css"), "utf8"), {
  loader: "css",
  minify: true,
})).code;

// The policy forbids eval; fail the build rather than ship a page that breaks at run time.
for (const banned of [/\beval\s*\(/, /\bnew Function\s*\(/]) {
  if (banned.test(js)) throw new Error(`the editor bundle uses ${banned}, which the page policy forbids`);
}
// An inline script ends at the first "</script", wherever it appears.
js = js.replace(/<\/(script)/gi, "<\\/$1");

const template = await readFile(path.join(root, "src/index.html"), "utf8");
const html = template
  .replace("/*STYLE*/", () => css.trim())
  .replace("/*SCRIPT*/", () => js.trim());
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
console.log(`editor: ${path.relative(process.cwd(), out)} (${Buffer.byteLength(html)} bytes)`);
