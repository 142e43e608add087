// Fuzzes reading an ink record and writing its SVG. Beyond not crashing, it checks the shape of
// the document, that the padded bounds hold every point, and that each coordinate's text reads
// back as the coordinate.

#include "FuzzCheck.h"
#include "ink/InkSVG.h"
#include "json/OrderedJSON.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velk::InkSVG;
    using velk::fuzz::require;
    const auto record = velk::OrderedJSON::parse(velk::fuzz::text(data, size));
    const std::optional<Source> source = record ? velk::InkSVG::source(*record) : std::nullopt;
    if (!source) return 0;
    std::vector<Point> points;
    std::size_t expectedPaths = source->lines.size();
    for (const Stroke& stroke : source->strokes) {
        points.insert(points.end(), stroke.points.begin(), stroke.points.end());
        expectedPaths += stroke.points.size() >= 2 ? 1 : 0;
    }
    for (const Line& line : source->lines) {
        points.insert(points.end(), {{line.x1, line.y1}, {line.x2, line.y2}});
        points.insert(points.end(), line.mids.begin(), line.mids.end());
    }
    const std::optional<Bounds> box = bounds(*source);
    require(box.has_value() == !points.empty(), "bounds absent although there are points, or the reverse");
    const Bounds frame = box.value_or(Bounds{0, 0, 1, 1});
    require(frame.width >= 1 && frame.height >= 1, "empty bounds");
    // Away from the 64-bit limits and the precision of doubles, the box must hold every point.
    const bool moderate = std::ranges::all_of(points, [](Point p) { return std::fabs(p.x) <= 1e12 && std::fabs(p.y) <= 1e12; });
    for (const Point& point : points) {
        if (moderate) {
            require(double(frame.x) <= point.x - pad + 0.5 && point.x + pad <= double(frame.x + frame.width), "x outside box");
            require(double(frame.y) <= point.y - pad + 0.5 && point.y + pad <= double(frame.y + frame.height), "y outside box");
        }
        // Whole numbers below 1e15 are exact; everything else is rounded to two decimals.
        for (const double value : {point.x, point.y}) {
            if (!std::isfinite(value)) continue;
            const std::string text = num(value);
            double back = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), back);
            require(error == std::errc() && end == text.data() + text.size(), "num text does not read back", text);
            require(std::fabs(back - value) <= 0.005 + std::fabs(value) * 1e-15, "num text is not the coordinate", text);
        }
    }
    const std::string document = svg(*source, frame.x, frame.y, frame.width, frame.height);
    require(document.starts_with("<svg ") && document.ends_with("\n</svg>\n"), "document not inside one svg element");
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
