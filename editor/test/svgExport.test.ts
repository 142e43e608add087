import { test } from "node:test";
import assert from "node:assert/strict";
import { readInk } from "../src/ink";
import { CanvasEdge, CardNode } from "../src/model";
import { cssURL, packageURL } from "../src/render";
import { Palette, SvgSource, exportBounds, exportedPart, imagePaths, mapSvg, mix, textBlocks, wrap, xml } from "../src/svgExport";

const palette: Palette = {
  bg: "#f6f5f2", surface: "#ffffff", surface2: "#f0efeb", text: "#1f2328", muted: "#6b6f76", border: "#d9d7d1",
  edge: "#8a8f98", accent: "#2f6fec", inkDefault: "#222222", c1: "#e5484d", c2: "#f76b15", c3: "#ffc53d", c4: "#30a46c", c5: "#05a2c2", c6: "#8e4ec6",
};
// Every character 8 points wide: wrapping is then exact to check.
const measure = (text: string) => text.length * 8;

const nodes: CardNode[] = [
  { id: "note", type: "text", text: "# Plan <b>\n- first **step**\n- [x] done\n\u0007ok", x: 0, y: 0, width: 250, height: 160, color: "1" },
  { id: "group", type: "group", label: "Area", x: -50, y: -50, width: 700, height: 400, background: "media/cat.png", backgroundStyle: "repeat" },
  { id: "photo", type: "file", file: "media/cat.png", x: 300, y: 0, width: 200, height: 150 },
  { id: "lost", type: "file", file: "media/gone.jpg", x: 300, y: 200, width: 200, height: 100 },
  { id: "ink", type: "file", file: "ink.svg", x: 0, y: 200, width: 100, height: 100 },
  { id: "web", type: "link", url: "https://example.com/a", x: 550, y: 0, width: 200, height: 120 },
  { id: "code", type: "text", text: "```\nf() {\n    return 1;\n}\n```\n---", x: 0, y: 400, width: 250, height: 160 },
];
const edges: CanvasEdge[] = [{ id: "e", fromNode: "note", toNode: "photo", label: "shows", fromEnd: "arrow" }];
const records: Record<string, object> = {
  ink: { role: "ink", source: { strokes: [{ points: [[10, 210], [50, 250]], palette: "rose" }], lines: [] } },
  web: { preview: { title: "Example", image: "media/web.png" } },
};
const source = (only: ReadonlySet<string> | null = null): SvgSource => ({
  ...exportedPart(nodes, edges, only),
  record: (id) => records[id] as never,
  ink: (id) => readInk(records[id] as never),
  hasSubmap: () => false,
});
const images: Record<string, string> = { "media/cat.png": "data:image/png;base64,AAAA", "media/web.png": "data:image/png;base64,BBBB" };
const picture = mapSvg(source(), { palette, measure, image: (p) => images[p] ?? null, imageSize: () => ({ width: 30, height: 20 }) });

test("the picture holds each part of the map as the page draws it", () => {
  const cases: Array<[string, RegExp]> = [
    ["heading as real bold text, markup escaped", /font-weight="700"[^>]*>Plan &lt;b&gt;<\/text>/],
    ["list item with its bullet, emphasis removed", />• first step<\/text>/],
    ["task with its box", />☑ done<\/text>/],
    ["control characters dropped", />ok<\/text>/],
    ["card in its preset colour, tinted", /rx="10" fill="#fdefef" stroke="#e5484d"/],
    ["group label above the group", /<text x="-44" y="-58"[^>]*>Area<\/text>/],
    ["image embedded", /<symbol id="(i\d+)" viewBox="0 0 30 20"[^>]*><image href="data:image\/png;base64,AAAA"[\s\S]*<use href="#\1" x="300" y="0"/],
    ["missing image shows the file name", />gone\.jpg<\/text>/],
    ["ink in its pen colour", /<path d="M10 210 L50 250"[^>]*stroke="#b91c1c"/],
    ["link preview title and image", /base64,BBBB[\s\S]*>Example<\/text>/],
    ["edge label", /text-anchor="middle"[^>]*>shows<\/text>/],
    ["code keeps its indentation", /xml:space="preserve">    return 1;<\/text>/],
    ["a repeating background tiles at the image's size", /<pattern[^>]* x="-50" y="-50" width="30" height="20"><use href="#i1" width="30" height="20"/],
    ["a rule is a line, not text", /<rect x="14" y="[\d.]+" width="222" height="1" fill="#d9d7d1"\/>/],
  ];
  for (const [name, pattern] of cases) assert.match(picture, pattern, name);
  // The background's image and the photo's are one: its data is written once.
  assert.equal(picture.split("base64,AAAA").length - 1, 1, "each image's data once");
  assert.equal(picture.match(/<polygon/g)?.length, 2, "an arrowhead at each end asked for");
  const order = ["<rect x=\"-50\"", "<path d=\"M", "<rect x=\"0\" y=\"0\""].map((s) => picture.indexOf(s));
  assert.deepEqual([...order].sort((a, b) => a - b), order, "groups, then edges, then cards");
  assert.equal(picture.match(/<g /g)?.length, picture.match(/<\/g>/g)?.length, "every clip closed");
});

test("a selection exports its cards and only the edges between them", () => {
  const part = exportedPart(nodes, edges, new Set(["note", "lost"]));
  assert.deepEqual(part.nodes.map((n) => n.id), ["note", "lost"]);
  assert.deepEqual(part.edges, []);
  assert.deepEqual(exportBounds(part), { x: -40, y: -40, width: 580, height: 380 });
  assert.deepEqual(imagePaths(source()).sort(), ["media/cat.png", "media/gone.jpg", "media/web.png"]);
});

test("bounds take in group labels and the margin", () => {
  const b = exportBounds({ nodes: [nodes[1]], edges: [] });
  assert.deepEqual(b, { x: -90, y: -116, width: 780, height: 506 });
  assert.deepEqual(exportBounds({ nodes: [{ ...nodes[1], label: "x".repeat(100) }], edges: [] }, measure), { ...b, width: 886 }, "a label wider than its group");
  const long = { ...edges[0], label: "x".repeat(100) }, ends = [nodes[0], nodes[2]];
  assert.ok(exportBounds({ nodes: ends, edges: [long] }, measure).x < exportBounds({ nodes: ends, edges: [] }).x - 100, "a long edge label");
});

test("text wraps at spaces, and anywhere in a word longer than the line", () => {
  const cases: Array<[string, number, string[]]> = [
    ["fits", 80, ["fits"]],
    ["two words here", 64, ["two", "words", "here"]],
    ["two words", 72, ["two words"]], ["two words", 71, ["two", "words"]],
    ["abcdefghij", 40, ["abcde", "fghij"]],
    ["", 40, [""]],
    ["costs 100\u00a0km", 72, ["costs", "100\u00a0km"]],
    ["a👨‍👩‍👧‍👦", 40, ["a", "👨‍👩‍👧‍👦"]],
  ];
  for (const [text, width, lines] of cases) assert.deepEqual(wrap(text, width, measure), lines, text);
});

test("Markdown becomes blocks of plain text", () => {
  const blocks = textBlocks("```\ncode *x*\n\tx\n```\n> quoted **a**\n1. one [link](http://x)\n\nplain _b_\n## Title ##\n# Learn C#\n* * *");
  assert.deepEqual(blocks.map((b) => [b.text, !!b.font.mono, !!b.muted]), [
    ["code *x*", true, false], ["        x", true, false], ["quoted a", false, true], ["1. one link", false, false], ["plain b", false, false],
    ["Title", false, false], ["Learn C#", false, false], ["", false, false]]);
  assert.ok(blocks[7].rule, "a rule, not a list item");
});

test("escaping and colour mixing", () => {
  assert.equal(xml(`a&b<"c">\u0001\ud800`), "a&amp;b&lt;&quot;c&quot;&gt;\ufffd");
  assert.equal(mix("#ff0000", 0.5, "#fff"), "#ff8080");
  assert.equal(mix("rgb(0, 0, 0)", 0.25, "#ffffff"), "#bfbfbf");
  assert.equal(mix("var(--x)", 0.5, "#ffffff"), "#ffffff");
  assert.equal(packageURL("velk-media/my photo #1?50%.png"), "velk-media/my%20photo%20%231%3F50%25.png", "a path as a URL velk decodes back");
  assert.equal(cssURL("https://s.example/velk-media/caf%C3%A9.png"), 'url("https://s.example/velk-media/caf%C3%A9.png")', "a URL is not encoded twice");
});
