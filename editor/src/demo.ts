// The map a plain browser opens: a little of everything the editor can show.
import { JsonObject } from "./json";

export function demoState(): JsonObject {
  return {
    maps: [
      {
        path: "/",
        canvas: {
          nodes: [
            { id: "grp", type: "group", label: "Trip to Lisbon", x: -40, y: -60, width: 900, height: 460, color: "5" },
            { id: "intro", type: "text", x: 0, y: 0, width: 320, height: 180,
              text: "# Lisbon in May\nA **long weekend** by the sea.\n\n- [x] book flights\n- [ ] find a place near *Alfama*\n- [ ] `pastéis` list" },
            { id: "plan", type: "text", x: 420, y: 0, width: 260, height: 90, color: "4", text: "## Day plans\nDouble-click to open the submap." },
            { id: "link", type: "link", url: "https://example.com/lisbon", x: 420, y: 160, width: 300, height: 160 },
            { id: "note", type: "text", x: 0, y: 240, width: 320, height: 100, color: "2",
              text: "> Travel light.\nSee [the guide](https://example.com/guide) ~~later~~ ==now==." },
            { id: "ideas", type: "text", x: 1000, y: 0, width: 260, height: 120, color: "6", text: "### Ideas\n1. tram 28\n2. Sintra\n3. fado night" },
          ],
          edges: [
            { id: "e1", fromNode: "intro", fromSide: "right", toNode: "plan", toSide: "left", label: "then" },
            { id: "e2", fromNode: "plan", fromSide: "bottom", toNode: "link", toSide: "top", color: "1" },
            { id: "e3", fromNode: "plan", fromSide: "right", toNode: "ideas", toSide: "left", fromEnd: "arrow", color: "6" },
          ],
        },
        sidecar: { nodes: { link: { preview: { title: "Lisbon travel guide", description: "Neighbourhoods, trams and where to eat.", siteName: "example.com" } } } },
      },
      {
        path: "/plan",
        canvas: {
          nodes: [
            { id: "d1", type: "text", x: 0, y: 0, width: 240, height: 80, text: "**Friday**: arrive, Baixa" },
            { id: "d2", type: "text", x: 300, y: 0, width: 240, height: 80, text: "**Saturday**: Belém", color: "3" },
            { id: "d3", type: "text", x: 600, y: 0, width: 240, height: 80, text: "**Sunday**: Sintra" },
          ],
          edges: [{ id: "p1", fromNode: "d1", toNode: "d2" }, { id: "p2", fromNode: "d2", toNode: "d3" }],
        },
        sidecar: {},
      },
    ],
  };
}

// A large generated map for measuring render and pan times.
export function benchState(count: number): JsonObject {
  const nodes: JsonObject[] = [];
  const edges: JsonObject[] = [];
  const columns = Math.ceil(Math.sqrt(count));
  for (let i = 0; i < count; i++) {
    nodes.push({
      id: `n${i}`, type: "text", x: (i % columns) * 300, y: Math.floor(i / columns) * 160, width: 250, height: 110,
      text: `## Card ${i}\nSome **bold** text and a list:\n- one\n- two`, ...(i % 7 === 0 ? { color: String((i % 6) + 1) } : {}),
    });
    if (i > 0 && i % columns !== 0) edges.push({ id: `e${i}`, fromNode: `n${i - 1}`, toNode: `n${i}` });
  }
  return { maps: [{ path: "/", canvas: { nodes, edges }, sidecar: {} }] };
}
