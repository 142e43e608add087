// The padded bounding box of an ink drawing, used to size the ink card on its canvas.

#include "ink/InkSVG.h"

#include <cmath>
#include <limits>

namespace velk::InkSVG {
namespace {

struct Extremes {
    double minX = std::numeric_limits<double>::infinity();
    double minY = std::numeric_limits<double>::infinity();
    double maxX = -std::numeric_limits<double>::infinity();
    double maxY = -std::numeric_limits<double>::infinity();

    // Written as comparisons that are false for NaN, so a NaN coordinate never moves an extreme.
    void add(double x, double y) {
        if (x < minX) minX = x;
        if (maxX <= x) maxX = x;
        if (y < minY) minY = y;
        if (maxY <= y) maxY = y;
    }
};

// A whole double as an integer, clamped to the 64-bit range: a sidecar may hold 1e300, and
// converting such a value directly would be undefined behaviour.
// Requires: `value` is finite.
std::int64_t clamped(double value) {
    // 2^63 is exact as a double; every double below it and at or above -2^63 converts safely.
    constexpr double limit = 9223372036854775808.0;
    if (value >= limit) return std::numeric_limits<std::int64_t>::max();
    if (value < -limit) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

// The card's origin on one axis: the padded minimum rounded half away from zero, 0 when it is
// not finite.
std::int64_t origin(double minimum) {
    const double value = std::round(minimum - pad);
    return std::isfinite(value) ? clamped(value) : 0;
}

// The card's extent on one axis from its integer origin to the padded maximum, at least 1.
std::int64_t extent(double maximum, std::int64_t origin) {
    const double value = std::ceil(maximum + pad - static_cast<double>(origin));
    if (!std::isfinite(value) || value < 1) return 1;
    return clamped(value);
}

}  // namespace

std::optional<Bounds> bounds(const Source& source) {
    Extremes extremes;
    bool anyPoint = !source.lines.empty();
    for (const Stroke& stroke : source.strokes) {
        for (const Point& point : stroke.points) extremes.add(point.x, point.y);
        anyPoint = anyPoint || !stroke.points.empty();
    }
    for (const Line& line : source.lines) {
        extremes.add(line.x1, line.y1);
        extremes.add(line.x2, line.y2);
        for (const Point& point : line.mids) extremes.add(point.x, point.y);
    }
    if (!anyPoint) return std::nullopt;

    const std::int64_t x = origin(extremes.minX);
    const std::int64_t y = origin(extremes.minY);
    return Bounds{x, y, extent(extremes.maxX, x), extent(extremes.maxY, y)};
}

}  // namespace velk::InkSVG
