// Writing an ink drawing as SVG text. The files live in packages and are rewritten on every
// save, so the text must not drift from one version of velk to the next: every space and line
// feed here is deliberate.

#include "ink/InkSVG.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace velk::InkSVG {
namespace {

void appendInteger(std::string& into, std::int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    into.append(buffer, result.ptr);
}

// A point beyond a double's range (a sidecar holding 1e999) is drawn at 0, as the page and the
// bounds take it: "inf" is no SVG number, and one would spoil the whole file.
void appendPoint(std::string& into, double x, double y) {
    into += num(std::isfinite(x) ? x : 0);
    into += ' ';
    into += num(std::isfinite(y) ? y : 0);
}

// Quotes for an attribute value. '&' goes first so the other entities are not escaped twice.
std::string escapedAttribute(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': result += "&amp;"; break;
        case '<': result += "&lt;"; break;
        case '>': result += "&gt;"; break;
        case '"': result += "&quot;"; break;
        default: result += c;
        }
    }
    return result;
}

// A line's points in drawing order: start, the points in between, end.
std::vector<Point> linePoints(const Line& line) {
    std::vector<Point> points;
    points.reserve(line.mids.size() + 2);
    points.push_back({line.x1, line.y1});
    points.insert(points.end(), line.mids.begin(), line.mids.end());
    points.push_back({line.x2, line.y2});
    return points;
}

}  // namespace

std::string num(double value) {
    // to_chars never consults the locale, unlike printf and streams: a German system would
    // otherwise write "1,50" and break the path data.
    if (std::trunc(value) == value && std::fabs(value) < 1e15) {
        std::string text;
        appendInteger(text, static_cast<std::int64_t>(value));  // -0.0 becomes 0
        return text;
    }
    // Wide enough for the largest double in fixed notation: 309 digits, sign, point, 2 decimals.
    char buffer[320];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    return std::string(buffer, result.ptr);
}

std::string polyline(std::span<const Point> points) {
    std::string data;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i > 0) data += ' ';
        data += i == 0 ? 'M' : 'L';
        appendPoint(data, points[i].x, points[i].y);
    }
    return data;
}

std::string smooth(std::span<const Point> points) {
    if (points.size() < 3) return polyline(points);
    std::string data = "M";
    appendPoint(data, points[0].x, points[0].y);
    for (std::size_t i = 1; i + 1 < points.size(); ++i) {
        const Point& control = points[i];
        const Point& next = points[i + 1];
        data += " Q";
        appendPoint(data, control.x, control.y);
        data += ' ';
        appendPoint(data, (control.x + next.x) * 0.5, (control.y + next.y) * 0.5);
    }
    data += " L";
    appendPoint(data, points.back().x, points.back().y);
    return data;
}

std::string elbow(std::span<const Point> points) {
    if (points.empty()) return {};
    std::string data = "M";
    appendPoint(data, points[0].x, points[0].y);
    for (std::size_t i = 1; i < points.size(); ++i) {
        data += " L";
        appendPoint(data, points[i].x, points[i - 1].y);
        data += " L";
        appendPoint(data, points[i].x, points[i].y);
    }
    return data;
}

std::string_view strokeHex(std::string_view palette) {
    const auto entry = std::ranges::find(paletteHex, palette, &PaletteEntry::name);
    return entry != paletteHex.end() ? entry->hex : paletteHex[0].hex;  // the "default" pen
}

std::string path(std::string_view data, std::string_view colour) {
    std::string line = "\t<path d=\"";
    line += data;
    line += "\" fill=\"none\" stroke=\"";
    line += escapedAttribute(strokeHex(colour));
    line += "\" stroke-width=\"";
    appendInteger(line, strokeWidth);
    line += "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>\n";
    return line;
}

std::string svg(const Source& source, std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height) {
    std::string document = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"";
    appendInteger(document, x);
    document += ' ';
    appendInteger(document, y);
    document += ' ';
    appendInteger(document, width);
    document += ' ';
    appendInteger(document, height);
    document += "\" width=\"";
    appendInteger(document, width);
    document += "\" height=\"";
    appendInteger(document, height);
    document += "\">\n";

    // A stroke of one point would be an invisible path: it only widens the bounds. Strokes are
    // drawn as recorded, never smoothed.
    for (const Stroke& stroke : source.strokes) {
        if (stroke.points.size() >= 2) document += path(polyline(stroke.points), stroke.palette);
    }
    for (const Line& line : source.lines) {
        const std::vector<Point> points = linePoints(line);
        const std::string data = line.style == "smooth" ? smooth(points)
                                 : line.style == "elbow" ? elbow(points)
                                                         : polyline(points);
        document += path(data, line.palette);
    }
    document += "</svg>\n";
    return document;
}

}  // namespace velk::InkSVG
