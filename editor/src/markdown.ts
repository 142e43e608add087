// A small Markdown renderer for card text. It writes every tag itself and escapes all card
// text, so nothing a card holds can become markup: no raw HTML, no attributes from the text
// except link targets, which must be http, https or mailto.

export function escapeHTML(text: string): string {
  return text.replace(/[&<>"']/g, (c) => ({ "&": "&amp;", "<": "&lt;", ">": "&gt;", '"': "&quot;", "'": "&#39;" })[c]!);
}

export function safeHref(url: string): string | null {
  const trimmed = url.trim();
  return /^(https?:\/\/|mailto:)[^\s]+$/i.test(trimmed) ? trimmed : null;
}

// A heading line's level and text, or null when the line is none. A closing run of "#" is one
// only after a space ("# Learn C#" keeps its "#"), or when it is all the heading holds.
export function headingLine(line: string): { level: number; text: string } | null {
  const m = /^\s{0,3}(#{1,6})\s+(.*?)(?:(?<=\s)#+)?\s*$/.exec(line);
  return m ? { level: m[1].length, text: m[2].trimEnd() } : null;
}

// A thematic break: three or more of one of "-", "*", "_", spaces between allowed.
export const ruleLine = /^\s{0,3}([-*_])(\s*\1){2,}\s*$/;

export const codeSpans = /(`+[^`]*?`+)/;

// What a code span ("`a`", "``a`b``") shows, or null when `part` is none.
export function codeSpanText(part: string): string | null {
  if (!/^`+[^`]*?`+$/.test(part) || part.length < 2) return null;
  const ticks = part.match(/^`+/)![0].length;
  return part.slice(ticks, part.length - ticks);
}

// Emphasis in the order it is applied, with the tag each becomes. Search takes out exactly
// these, so it finds text as the card shows it ("my_var_name" keeps its underscores).
export const emphasis: ReadonlyArray<readonly [RegExp, string]> = [
  [/\*\*(?=\S)(.+?)(?<=\S)\*\*/g, "strong"],
  [/__(?=\S)(.+?)(?<=\S)__/g, "strong"],
  [/(?<![*\w])\*(?=\S)(.+?)(?<=\S)\*(?!\w)/g, "em"],
  [/(?<![_\w])_(?=\S)(.+?)(?<=\S)_(?!\w)/g, "em"],
  [/~~(?=\S)(.+?)(?<=\S)~~/g, "del"],
  [/==(?=\S)(.+?)(?<=\S)==/g, "mark"],
];

// Inline spans. Code spans are cut out first so their content is never formatted; everything
// else is escaped before the patterns run, so the patterns only ever see inert text.
export function inline(text: string): string {
  let out = "";
  for (const part of text.split(codeSpans)) {
    const code = codeSpanText(part);
    out += code === null ? spans(part) : `<code>${escapeHTML(code)}</code>`;
  }
  return out;
}

function spans(raw: string): string {
  const links: string[] = [];
  // Links are turned into placeholders before escaping so their targets are checked raw.
  let text = raw.replace(/\u0000/g, "").replace(/\[([^\]\n]+)\]\(([^)\s]+)\)/g, (whole, label: string, url: string) => {
    const href = safeHref(url);
    if (!href) return whole;
    links.push(`<a href="${escapeHTML(href)}" target="_blank" rel="noreferrer">${spans(label)}</a>`);
    return `\u0000${links.length - 1}\u0000`;
  });
  text = text.replace(/\bhttps?:\/\/[^\s<>()\u0000]+[^\s<>().,;:!?'"\u0000]/g, (url) => {
    links.push(`<a href="${escapeHTML(url)}" target="_blank" rel="noreferrer">${escapeHTML(url)}</a>`);
    return `\u0000${links.length - 1}\u0000`;
  });
  let html = escapeHTML(text);
  for (const [pattern, tag] of emphasis) html = html.replace(pattern, `<${tag}>$1</${tag}>`);
  return html.replace(/\u0000(\d+)\u0000/g, (_, i: string) => links[Number(i)]);
}

interface ListFrame { tag: "ul" | "ol"; indent: number }

// Block structure: headings, paragraphs, lists (with task boxes), quotes, fenced code, rules.
// Task boxes carry their line number in the whole source so the page can toggle them there;
// a quote is rendered from its own lines, `firstLine` lines into the source.
export function renderMarkdown(source: string, firstLine = 0): string {
  const lines = source.replace(/\r\n?/g, "\n").split("\n");
  const out: string[] = [];
  const lists: ListFrame[] = [];
  let paragraph: string[] = [];
  let quote: string[] = [];
  let quoteStart = 0;

  const closeParagraph = () => {
    if (paragraph.length) out.push(`<p>${paragraph.map(inline).join("<br>")}</p>`);
    paragraph = [];
  };
  const closeLists = (toIndent = -1) => {
    while (lists.length && lists[lists.length - 1].indent > toIndent) out.push(`</li></${lists.pop()!.tag}>`);
  };
  const closeQuote = () => {
    if (quote.length) out.push(`<blockquote>${renderMarkdown(quote.join("\n"), quoteStart)}</blockquote>`);
    quote = [];
  };

  for (let i = 0; i < lines.length; i++) {
    const line = lines[i];
    const fence = line.match(/^\s*(```+|~~~+)\s*([\w-]*)\s*$/);
    if (fence) {
      closeParagraph(); closeLists(); closeQuote();
      const body: string[] = [];
      i++;
      while (i < lines.length && !lines[i].trim().startsWith(fence[1])) body.push(lines[i++]);
      out.push(`<pre><code>${escapeHTML(body.join("\n"))}</code></pre>`);
      continue;
    }
    const q = line.match(/^\s*>\s?(.*)$/);
    if (q) {
      closeParagraph(); closeLists();
      if (!quote.length) quoteStart = firstLine + i;
      quote.push(q[1]);
      continue;
    }
    closeQuote();
    if (!line.trim()) {
      closeParagraph(); closeLists();
      continue;
    }
    const heading = headingLine(line);
    if (heading) {
      closeParagraph(); closeLists();
      out.push(`<h${heading.level}>${inline(heading.text)}</h${heading.level}>`);
      continue;
    }
    if (ruleLine.test(line)) {
      closeParagraph(); closeLists();
      out.push("<hr>");
      continue;
    }
    const item = line.match(/^(\s*)([-*+]|\d{1,9}[.)])\s+(.*)$/);
    if (item) {
      closeParagraph();
      const indent = item[1].replace(/\t/g, "    ").length;
      const tag = /\d/.test(item[2]) ? "ol" : "ul";
      const top = lists[lists.length - 1];
      if (!top || indent > top.indent) {
        const start = tag === "ol" && parseInt(item[2], 10) !== 1 ? ` start="${parseInt(item[2], 10)}"` : "";
        out.push(`<${tag}${start}>`);
        lists.push({ tag, indent });
      } else {
        closeLists(indent);
        const now = lists[lists.length - 1];
        if (now && now.tag !== tag) {
          out.push(`</li></${lists.pop()!.tag}><${tag}>`);
          lists.push({ tag, indent });
        } else if (now) out.push("</li>");
        else {
          out.push(`<${tag}>`);
          lists.push({ tag, indent });
        }
      }
      const task = item[3].match(/^\[([ xX])\]\s+(.*)$/);
      if (task) {
        const checked = task[1] !== " " ? " checked" : "";
        out.push(`<li class="task"><input type="checkbox" data-line="${firstLine + i}"${checked}> ${inline(task[2])}`);
      } else out.push(`<li>${inline(item[3])}`);
      continue;
    }
    if (lists.length && /^\s+\S/.test(line)) {
      out.push(`<br>${inline(line.trim())}`);
      continue;
    }
    closeLists();
    paragraph.push(line.trim());
  }
  closeParagraph(); closeLists(); closeQuote();
  return out.join("");
}

// Flips the task box written on `line` of the source, inside quotes too.
export function toggleTask(source: string, line: number): string {
  // Lines are counted as the renderer counts them; the breaks themselves stay as written.
  const parts = source.split(/(\r\n|\r|\n)/);
  const text = Number.isInteger(line) && line >= 0 ? parts[line * 2] : undefined;
  if (text === undefined) return source;
  parts[line * 2] = text.replace(/^((?:\s*>\s?)*\s*(?:[-*+]|\d{1,9}[.)])\s+)\[([ xX])\]/, (_, lead: string, mark: string) => `${lead}[${mark === " " ? "x" : " "}]`);
  return parts.join("");
}
