import { test } from "node:test";
import assert from "node:assert/strict";
import { MapDocument } from "../src/model";
import { SearchIndex, breadcrumb, plainText } from "../src/search";

const card = (id: string, text: string, x = 0, y = 0, more = {}) => ({ id, type: "text", text, x, y, width: 200, height: 80, ...more });

const doc = () => MapDocument.fromState({
  maps: [
    {
      path: "/",
      canvas: {
        nodes: [
          card("late", "Café **au lait** and a [guide](https://x.example/secret)", 0, 500),
          card("early", "The cat sat", 400, 0),
          { id: "g", type: "group", label: "Kitchen area", x: 0, y: 0, width: 900, height: 900 },
          { id: "s", type: "file", file: "map/Plans.canvas", x: 0, y: 300, width: 200, height: 80 },
          { id: "l", type: "link", url: "https://example.com/w", x: 0, y: 700, width: 200, height: 80 },
        ],
        edges: [{ id: "e", fromNode: "late", toNode: "early", label: "leads to Paris" }],
      },
      sidecar: { nodes: { l: { preview: { title: "Weekly notes" } } } },
    },
    { path: "/s", canvas: { nodes: [card("deep", "- [ ] **Category** of CAFÉS"), card("deep2", "İstanbul trip")], edges: [] }, sidecar: {} },
  ],
});

test("finds text in every map, case and accents aside unless asked, Markdown syntax left out", () => {
  const index = new SearchIndex();
  index.rebuild(doc());
  const rows: Array<[string, string, { matchCase?: boolean; wholeWords?: boolean }, string[]]> = [
    ["accents and case do not count", "cafe", {}, ["/:late:Café", "/s:deep:CAFÉ"]],
    ["an accented query finds the plain word", "CAFÉ", {}, ["/:late:Café", "/s:deep:CAFÉ"]],
    ["match case", "CAF", { matchCase: true }, ["/s:deep:CAF"]],
    ["emphasis and task boxes are not text", "category of", {}, ["/s:deep:Category of"]],
    ["link text counts, its target does not", "guide", {}, ["/:late:guide"]],
    ["a link target is not shown text", "secret", {}, []],
    ["whole words only", "cat", { wholeWords: true }, ["/:early:cat"]],
    ["parts of words by default", "cat", {}, ["/:early:cat", "/s:deep:Cat"]],
    ["group labels", "kitchen", {}, ["/:g:Kitchen"]],
    ["edge labels", "paris", {}, ["/:e:Paris"]],
    ["a link's preview title and address", "weekly", {}, ["/:l:Weekly"]],
    ["a submap card's file name", "plans", {}, ["/:s:Plans"]],
    ["a letter that lower-cases to two", "istanbul", {}, ["/s:deep2:İstanbul"]],
    ["white space alone finds nothing", "  ", {}, []],
  ];
  for (const [name, query, options, expected] of rows) {
    const hits = index.find(query, { matchCase: false, wholeWords: false, ...options });
    assert.deepEqual(hits.map((h) => `${h.path}:${h.id}:${h.text.slice(h.start, h.end)}`), expected, name);
  }
});

test("results follow the reading order, each submap after its parent, and update with the document", () => {
  const d = doc();
  const index = new SearchIndex();
  index.rebuild(d);
  const ids = (query: string) => index.find(query, { matchCase: false, wholeWords: false }).map((h) => h.id);
  assert.deepEqual(ids("a"), ["g", "early", "s", "late", "l", "e", "deep", "deep2"]);
  d.node("/s", "deep")!.text = "renamed";
  d.node("/", "early")!.text = "a new Cafe";
  index.rebuild(d);
  assert.deepEqual(ids("cafe"), ["early", "late"]);
  assert.deepEqual(breadcrumb(d, "/s", "Trip"), ["Trip", "Plans"]);
});

test("plain text of card Markdown", () => {
  const rows: Array<[string, string]> = [
    ["# Heading\n> quoted **bold _both_**", "Heading\nquoted bold both"],
    ["1. first\n* [x] done `code`", "first\ndone code"],
    ["```js\nlet a = 1\n```", "let a = 1"],
    ["![alt](x.png) 2 * 3 * 4", "alt 2 * 3 * 4"],
    ["my_var_name, a*b*c, _this_ and `*code*`", "my_var_name, a*b*c, this and *code*"],
  ];
  for (const [markdown, plain] of rows) assert.equal(plainText(markdown), plain, markdown);
});
