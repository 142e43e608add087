// Fuzzes reading an ink record and writing its SVG. Beyond not crashing, it checks the shape of
// the document, that the padded bounds hold every point, and that each coordinate's text reads
// back as the coordinate.

#include "ink/InkSVG.h"
#include "json/OrderedJSON.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace velk::InkSVG;

void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "InkSVG fuzz: %s\n", what);
    std::abort();
}

std::vector<Point> allPoints(const Source& source) {
    std::vector<Point> points;
    for (const Stroke& stroke : source.strokes) points.insert(points.end(), stroke.points.begin(), stroke.points.end());
    for (const Line& line : source.lines) {
        points.push_back({line.x1, line.y1});
        points.push_back({line.x2, line.y2});
        points.insert(points.end(), line.mids.begin(), line.mids.end());
    }
    return points;
}

// Whole numbers below 1e15 are exact; everything else is rounded to two decimals.
void checkNum(double value) {
    if (!std::isfinite(value)) return;
    const std::string text = num(value);
    double back = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), back);
    require(error == std::errc() && end == text.data() + text.size(), "num text does not read back");
    require(std::fabs(back - value) <= 0.005 + std::fabs(value) * 1e-15, "num text is not the coordinate");
}

// Away from the 64-bit limits and the precision of doubles, the box must hold every point.
void checkBoundsHold(const Bounds& box, const std::vector<Point>& points) {
    for (const Point& point : points) {
        if (!std::isfinite(point.x) || !std::isfinite(point.y)) return;
        if (std::fabs(point.x) > 1e12 || std::fabs(point.y) > 1e12) return;
    }
    for (const Point& point : points) {
        require(double(box.x) <= point.x - pad + 0.5 && point.x + pad <= double(box.x + box.width), "x outside box");
        require(double(box.y) <= point.y - pad + 0.5 && point.y + pad <= double(box.y + box.height), "y outside box");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto record = velk::OrderedJSON::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!record) return 0;
    const std::optional<Source> source = velk::InkSVG::source(*record);
    if (!source) return 0;

    const std::vector<Point> points = allPoints(*source);
    const std::optional<Bounds> box = bounds(*source);
    require(box.has_value() == !points.empty(), "bounds absent although there are points, or the reverse");
    const Bounds frame = box.value_or(Bounds{0, 0, 1, 1});
    require(frame.width >= 1 && frame.height >= 1, "empty bounds");
    if (box) checkBoundsHold(*box, points);
    for (const Point& point : points) {
        checkNum(point.x);
        checkNum(point.y);
    }

    const std::string document = svg(*source, frame.x, frame.y, frame.width, frame.height);
    require(document.starts_with("<svg "), "document does not open with the svg tag");
    require(document.ends_with("\n</svg>\n"), "document does not close with the svg tag");

    std::size_t expectedPaths = source->lines.size();
    for (const Stroke& stroke : source->strokes) expectedPaths += stroke.points.size() >= 2 ? 1 : 0;
    std::size_t paths = 0, lines = 0;
    for (std::size_t start = 0; start < document.size(); ++lines) {
        const std::size_t end = document.find('\n', start);
        const std::string_view line(document.data() + start, end - start);
        if (line.starts_with("\t<path ")) {
            require(line.ends_with("stroke-linecap=\"round\" stroke-linejoin=\"round\"/>"), "unfinished path line");
            ++paths;
        }
        start = end + 1;
    }
    require(paths == expectedPaths, "a path for each stroke of two points and each line");
    require(lines == paths + 2, "only the svg tags and paths");
    return 0;
}
