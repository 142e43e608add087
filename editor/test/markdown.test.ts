import { test } from "node:test";
import assert from "node:assert/strict";
import { escapeHTML, inline, renderMarkdown, safeHref, toggleTask } from "../src/markdown";

// Every tag in the output must be one the renderer writes itself.
const allowed = new Set(["p", "br", "h1", "h2", "h3", "h4", "h5", "h6", "strong", "em", "del", "mark", "code", "pre",
  "ul", "ol", "li", "blockquote", "hr", "a", "input"]);

function tagsOf(html: string): string[] {
  return Array.from(html.matchAll(/<\/?([a-zA-Z0-9]+)/g), (m) => m[1].toLowerCase());
}

test("card text can never inject markup, script or event handlers", () => {
  const attacks = [
    "<script>alert(1)</script>",
    "<img src=x onerror=alert(1)>",
    "**<b>bold</b>**",
    "[click](javascript:alert(1))",
    "[x](https://a.example/\"onmouseover=\"alert(1))",
    "`</code><script>`",
    "```\n</pre><script>x</script>\n```",
    "# <iframe src=//evil>",
    "- [ ] <svg onload=alert(1)>",
    "> <style>*{}</style>",
    "\u00000\u0000 [a](https://x.example) \u00001\u0000",
    "https://x.example/\"><script>",
    "_<i>_ *<u>* ==<s>== ~~<a>~~",
  ];
  for (const text of attacks) {
    const html = renderMarkdown(text);
    for (const tag of tagsOf(html)) assert.ok(allowed.has(tag), `${JSON.stringify(text)} gave <${tag}> in ${html}`);
    assert.ok(!/<[a-z]+[^>]*\son\w+\s*=/i.test(html), `event handler in ${html}`);
    assert.ok(!/javascript:/i.test(html.match(/href="[^"]*"/g)?.join() ?? ""), html);
    assert.ok(!html.includes("undefined"), html);
  }
});

test("escaping covers the five characters that matter; links keep only web and mail targets", () => {
  assert.equal(escapeHTML(`<a href="x" title='y'>&</a>`), "&lt;a href=&quot;x&quot; title=&#39;y&#39;&gt;&amp;&lt;/a&gt;");
  assert.equal(safeHref("https://example.com/a?b=c"), "https://example.com/a?b=c");
  assert.equal(safeHref("mailto:me@example.com"), "mailto:me@example.com");
  for (const bad of ["javascript:alert(1)", "data:text/html,x", "velk-app://editor/", "//evil", "file:///etc/passwd"]) {
    assert.equal(safeHref(bad), null, bad);
  }
  assert.equal(inline("[site](https://a.example)"), '<a href="https://a.example" target="_blank" rel="noreferrer">site</a>');
  assert.equal(inline("see https://a.example/x."), 'see <a href="https://a.example/x" target="_blank" rel="noreferrer">https://a.example/x</a>.');
});

test("inline emphasis, code and marks", () => {
  assert.equal(inline("**b** *i* _j_ ~~s~~ ==m=="), "<strong>b</strong> <em>i</em> <em>j</em> <del>s</del> <mark>m</mark>");
  assert.equal(inline("`**not bold**`"), "<code>**not bold**</code>");
  assert.equal(inline("snake_case_name and 2*3*4"), "snake_case_name and 2*3*4");
});

test("blocks: headings, lists, tasks, quotes, code and rules", () => {
  assert.equal(renderMarkdown("# Title\ntext\nmore"), "<h1>Title</h1><p>text<br>more</p>");
  assert.equal(renderMarkdown("- a\n- b"), "<ul><li>a</li><li>b</li></ul>");
  assert.equal(renderMarkdown("3. c\n4. d"), '<ol start="3"><li>c</li><li>d</li></ol>');
  assert.equal(renderMarkdown("- a\n  - b\n- c"), "<ul><li>a<ul><li>b</li></ul></li><li>c</li></ul>");
  assert.equal(renderMarkdown("- [x] done\n- [ ] todo"),
    '<ul><li class="task"><input type="checkbox" data-line="0" checked> done</li><li class="task"><input type="checkbox" data-line="1"> todo</li></ul>');
  assert.equal(renderMarkdown("> quoted"), "<blockquote><p>quoted</p></blockquote>");
  assert.equal(renderMarkdown("```js\nlet a = 1 < 2;\n```"), "<pre><code>let a = 1 &lt; 2;</code></pre>");
  assert.equal(renderMarkdown("---"), "<hr>");
  assert.equal(renderMarkdown("# Learn C#\n## Title ##\n# #"), "<h1>Learn C#</h1><h2>Title</h2><h1></h1>", "a closing run of # follows a space");
});

test("toggling a task flips only that line's box", () => {
  const text = "- [ ] one\n- [x] two\nplain [ ] text";
  assert.equal(toggleTask(text, 0), "- [x] one\n- [x] two\nplain [ ] text");
  assert.equal(toggleTask(text, 1), "- [ ] one\n- [ ] two\nplain [ ] text");
  assert.equal(toggleTask(text, 2), text);
  assert.equal(toggleTask(text, 9), text);
});

const lines = (html: string) => [...html.matchAll(/data-line="(\d+)"/g)].map((m) => Number(m[1]));

test("a task box inside a quote toggles its own line of the source", () => {
  const text = "Intro\n> Notes\n> - [ ] quoted one\n> - [x] quoted two\n- [ ] outside";
  assert.deepEqual(lines(renderMarkdown(text)), [2, 3, 4]);
  assert.equal(toggleTask(text, 2), "Intro\n> Notes\n> - [x] quoted one\n> - [x] quoted two\n- [ ] outside");
  assert.equal(toggleTask(text, 3), "Intro\n> Notes\n> - [ ] quoted one\n> - [ ] quoted two\n- [ ] outside");
  const nested = "top\n\n> a\n> > - [ ] deep";
  assert.deepEqual(lines(renderMarkdown(nested)), [3]);
  assert.equal(toggleTask(nested, 3), "top\n\n> a\n> > - [x] deep");
  // Lines are counted alike by the renderer and the toggle whatever the line breaks.
  const breaks = "a\r- [ ] b\r\n- [ ] c";
  assert.deepEqual(lines(renderMarkdown(breaks)), [1, 2]);
  assert.equal(toggleTask(breaks, 2), "a\r- [ ] b\r\n- [x] c");
  assert.deepEqual([toggleTask(breaks, -1), toggleTask(breaks, 0.5)], [breaks, breaks]);
});
