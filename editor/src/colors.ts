// JSON Canvas colours: the presets "1" to "6" follow the theme through CSS variables; any other
// value is used only when it is a plain hex colour, so a colour can never carry CSS.
export const presets = [
  { id: "1", name: "Red" }, { id: "2", name: "Orange" }, { id: "3", name: "Yellow" },
  { id: "4", name: "Green" }, { id: "5", name: "Cyan" }, { id: "6", name: "Purple" },
] as const;

export function colourValue(color: unknown): string | null {
  if (typeof color !== "string") return null;
  if (/^[1-6]$/.test(color)) return `var(--c${color})`;
  if (/^#([0-9a-f]{3}|[0-9a-f]{6})$/i.test(color)) return color;
  return null;
}
