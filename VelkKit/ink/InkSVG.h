#pragma once

// InkSVG turns the free-hand drawing of an ink card into plain values and an SVG document. The
// editor page keeps the drawing in the card's sidecar record under "source": strokes drawn by
// hand and connector-like lines, each with a named pen colour. velk never edits ink; when a save
// is applied it sizes the card to the drawing's padded bounds and writes the drawing as a small
// standalone SVG file beside the canvas.
//
// Pure functions over JSON and plain values, no I/O; the only shared data is a constant colour
// table. Safe from any thread. Malformed input never fails: it degrades to defaults (0 for a
// missing number, the default pen, straight lines, skipped points).

#include "json/JSONValue.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velk::InkSVG {

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

// One free-hand stroke, its points in drawing order. An empty palette means the default pen.
struct Stroke {
    std::vector<Point> points;
    std::string palette;
    bool operator==(const Stroke&) const = default;
};

// A line from (x1, y1) to (x2, y2) through `mids`. Styles other than "smooth" and "elbow" draw
// straight segments.
struct Line {
    double x1 = 0;
    double y1 = 0;
    double x2 = 0;
    double y2 = 0;
    std::vector<Point> mids;
    std::string palette;
    std::string style = "straight";
    bool operator==(const Line&) const = default;
};

// The whole drawing of one ink card.
struct Source {
    std::vector<Stroke> strokes;
    std::vector<Line> lines;
    [[nodiscard]] bool isEmpty() const noexcept { return strokes.empty() && lines.empty(); }
    bool operator==(const Source&) const = default;
};

// An integer rectangle in canvas units.
struct Bounds {
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool operator==(const Bounds&) const = default;
};

// The margin bounds() leaves on every side, so round pen caps are not cut off.
inline constexpr double pad = 8.0;
inline constexpr int strokeWidth = 4;

struct PaletteEntry {
    std::string_view name;
    std::string_view hex;
};

// The editor's pen names and their colours. "ink" is the white pen for dark cards, not black.
inline constexpr std::array<PaletteEntry, 9> paletteHex{{
    {"default", "#222222"},
    {"cobalt", "#1d4ed8"},
    {"iris", "#6d28d9"},
    {"moss", "#15803d"},
    {"amber", "#a16207"},
    {"rose", "#b91c1c"},
    {"ember", "#c2410c"},
    {"graphite", "#374151"},
    {"ink", "#ffffff"},
}};

// The drawing held by a card's sidecar record; absent when the record is absent or not an
// object, or its "source" is missing or not an object. The result may be empty.
[[nodiscard]] std::optional<Source> source(const std::optional<JSONValue>& record);

// The drawing's bounding box, padded by `pad` and rounded outwards to whole units; absent when
// the drawing has no point at all. Coordinates beyond the 64-bit range are clamped to it.
[[nodiscard]] std::optional<Bounds> bounds(const Source& source);

// The SVG document of the drawing, its viewBox the card's rectangle on the canvas, so canvas
// coordinates need no translation. Strokes come before lines.
[[nodiscard]] std::string svg(const Source& source, std::int64_t x, std::int64_t y, std::int64_t width,
                              std::int64_t height);

// The pieces svg() is made of, exposed so they can be tested on their own.

// One coordinate: a plain integer when it is whole and below 1e15 in magnitude, otherwise
// two decimals. Always "." as decimal separator, whatever the process locale.
[[nodiscard]] std::string num(double value);

// Path data: "M" to the first point, then "L" to each further one.
[[nodiscard]] std::string polyline(std::span<const Point> points);
// Path data through quadratic curves: each interior point is a control point and the midpoint
// to the next point the end of its curve. Fewer than 3 points are drawn as a polyline.
[[nodiscard]] std::string smooth(std::span<const Point> points);
// Path data with right angles: to each point horizontally first, then vertically.
[[nodiscard]] std::string elbow(std::span<const Point> points);

// The colour of a pen name; unknown names (matched case-sensitively) get the default pen.
[[nodiscard]] std::string_view strokeHex(std::string_view palette);

// One tab-indented path element line, stroked with the colour of the pen named `colour`.
[[nodiscard]] std::string path(std::string_view data, std::string_view colour);

}  // namespace velk::InkSVG
