// Exports the map on screen (or the selection, or any map of the document) as an SVG text or a
// PNG picture, in the page, for velk to write where the user chose. The PNG is the SVG drawn
// onto a canvas, so both show the same picture; velk prints the SVG to make the PDF.
import { readInk } from "./ink";
import { MapDocument } from "./model";
import { Font, Palette, SvgSource, exportBounds, exportedPart, imagePaths, mapSvg, monoFamily, sansFamily } from "./svgExport";

export interface ExportRequest {
  format?: unknown; // "svg" or "png"
  scale?: unknown; // PNG only: 1 or 2
  selection?: unknown; // true: only the selected cards
  map?: unknown; // a map path; the map on screen when absent
}

export interface ExportHost {
  readonly doc: MapDocument;
  readonly path: string;
  readonly selection: ReadonlySet<string>;
  readonly conn: { mediaURL(path: string): string };
}

// WebKit's canvases stop at this many pixels on a side; a larger PNG would come out blank.
export const pngSideLimit = 16384;
export const pngAreaLimit = 16384 * 8192;

// JSON text { width, height, data }: the picture's size in points and the SVG text or the PNG in
// base64; an Error with a sentence for the user when it cannot be made.
export async function exportPicture(host: ExportHost, request: ExportRequest): Promise<string> {
  const format = request.format === "png" ? "png" : request.format === "svg" ? "svg" : null;
  if (!format) throw new Error(`“${String(request.format)}” is not a picture format velk exports`);
  const path = typeof request.map === "string" ? request.map : host.path;
  if (!host.doc.map(path)) throw new Error(`This package has no map ${path}`);
  const only = request.selection === true && path === host.path ? host.selection : null;
  const part = exportedPart(host.doc.nodes(path), host.doc.edges(path), only);
  const source: SvgSource = {
    ...part,
    record: (id) => host.doc.sidecarRecord(path, id),
    ink: (id) => readInk(host.doc.sidecarRecord(path, id)),
    hasSubmap: (id) => host.doc.hasSubmap(path, id),
  };
  const images = new Map<string, Embedded | null>();
  await Promise.all(imagePaths(source).map(async (p) => images.set(p, await imageData(host.conn.mediaURL(p), /\.jpe?g$/i.test(p)))));
  const measure = measurer();
  const svg = mapSvg(source, { palette: themePalette(), measure, image: (p) => images.get(p)?.data ?? null, imageSize: (p) => images.get(p) ?? null });
  const { width, height } = exportBounds(source, measure);
  const scale = request.scale === 2 ? 2 : 1;
  const data = format === "svg" ? svg : await rasterise(svg, width * scale, height * scale);
  return JSON.stringify({ width, height, data });
}

const variables: Record<keyof Palette, string> = {
  bg: "--bg", surface: "--surface", surface2: "--surface-2", text: "--text", muted: "--muted", border: "--border",
  edge: "--edge", accent: "--accent", inkDefault: "--ink-default", c1: "--c1", c2: "--c2", c3: "--c3", c4: "--c4", c5: "--c5", c6: "--c6",
};

// The colours of the theme the page shows now, so the picture looks as the map does.
function themePalette(): Palette {
  const style = getComputedStyle(document.documentElement);
  return Object.fromEntries(Object.entries(variables).map(([key, name]) => [key, style.getPropertyValue(name).trim()])) as Palette;
}

function measurer(): (text: string, font: Font) => number {
  const context = document.createElement("canvas").getContext("2d")!;
  return (text, font) => {
    context.font = `${font.weight} ${font.size}px ${font.mono ? monoFamily : sansFamily}`;
    return context.measureText(text).width;
  };
}

function loaded(src: string): Promise<HTMLImageElement> {
  return new Promise((resolve, reject) => {
    const img = new Image();
    img.onload = () => resolve(img);
    img.onerror = () => reject(new Error("unreadable image"));
    img.src = src;
  });
}

// Stored images embedded as data URLs (the page cannot read the files themselves, only draw
// them): photos as JPEG, which they were, the rest as PNG, which keeps transparency; a photo as
// PNG was ten times the size. Very large images are scaled down to this size on their longer side.
const embeddedSide = 4096;

// An image as embedded, and its own size before any scaling down.
interface Embedded { data: string; width: number; height: number }

async function imageData(url: string, photo: boolean): Promise<Embedded | null> {
  try {
    const img = await loaded(url);
    const w = img.naturalWidth || 512, h = img.naturalHeight || 512;
    const shrink = Math.min(1, embeddedSide / Math.max(w, h));
    const canvas = document.createElement("canvas");
    canvas.width = Math.max(1, Math.round(w * shrink));
    canvas.height = Math.max(1, Math.round(h * shrink));
    canvas.getContext("2d")!.drawImage(img, 0, 0, canvas.width, canvas.height);
    return { data: photo ? canvas.toDataURL("image/jpeg", 0.92) : canvas.toDataURL("image/png"), width: w, height: h };
  } catch {
    return null;
  }
}

async function rasterise(svg: string, width: number, height: number): Promise<string> {
  if (width > pngSideLimit || height > pngSideLimit || width * height > pngAreaLimit) {
    throw new Error(`The picture would be ${width} × ${height} pixels, more than a PNG can be made of here. Export it as SVG or PDF, at 1×, or export a selection.`);
  }
  const url = URL.createObjectURL(new Blob([svg], { type: "image/svg+xml" }));
  try {
    const img = await loaded(url);
    const canvas = document.createElement("canvas");
    canvas.width = width;
    canvas.height = height;
    canvas.getContext("2d")!.drawImage(img, 0, 0, width, height);
    const data = canvas.toDataURL("image/png");
    const comma = data.indexOf(",");
    if (!data.startsWith("data:image/png;base64,") || comma < 0) throw new Error("The picture could not be drawn");
    return data.slice(comma + 1);
  } finally {
    URL.revokeObjectURL(url);
  }
}
