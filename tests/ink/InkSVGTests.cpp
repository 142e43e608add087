#include "ink/InkSVG.h"

#include "json/JSONTestHelpers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>
#include <sstream>

namespace velk {
namespace {

using namespace InkSVG;
using testing_support::parsed;

constexpr double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max(), int64Min = std::numeric_limits<std::int64_t>::min();

std::optional<Source> sourceOf(std::string_view drawing) { return source(parsed(R"({"role":"ink","source":)" + std::string(drawing) + "}")); }
std::string pathLine(const std::string& data, const std::string& hex) {
    return "\t<path d=\"" + data + "\" fill=\"none\" stroke=\"" + hex + "\" stroke-width=\"4\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>\n";
}
std::string document(const std::string& box, const std::string& size, const std::string& paths) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"" + box + "\" " + size + ">\n" + paths + "</svg>\n";
}

TEST(InkSVGSource, ReadsEveryElementWithDefaultsAndOnlyASourceObject) {
    EXPECT_EQ(source(std::nullopt), std::nullopt);
    for (const char* record : {"[]", "5", "{}", R"({"source":"ink"})", R"({"source":[]})", R"({"source":null})"})
        EXPECT_EQ(source(parsed(record)), std::nullopt) << record;
    EXPECT_TRUE(sourceOf(R"({"strokes":{},"lines":7})")->isEmpty());
    EXPECT_EQ(bounds(*sourceOf("{}")), std::nullopt);
    EXPECT_EQ(sourceOf(R"({"strokes":[{"points":[[1,2]],"palette":"moss","x":9}, 3, {"points":{},"palette":4}],
        "lines":[{"x1":1,"y1":2,"x2":3,"y2":4,"mids":[[5,6]],"palette":"ink","style":"elbow"}, "line", {"x1":"1","y1":7,"style":null}]})"),
              (Source{{{{{1, 2}}, "moss"}, {{}, ""}, {{}, ""}},
                      {{1, 2, 3, 4, {{5, 6}}, "ink", "elbow"}, {0, 0, 0, 0, {}, "", "straight"}, {0, 7, 0, 0, {}, "", "straight"}}}));
    // Points are arrays of at least two elements, whose non-numbers count as zero.
    EXPECT_EQ(sourceOf(R"({"strokes":[{"points":[[1], "a", {"x":1}, [], 5, [1, "a"], [null, 2], [1, 2, 3]]}]})")->strokes.at(0).points,
              (std::vector<Point>{{1, 0}, {0, 2}, {1, 2}}));
}

// Only wholly numeric texts count, and numbers beyond a double's range become an infinity or zero.
TEST(InkSVGSource, NumberTextsParseWhollyOrCountAsZero) {
    const std::pair<std::string, double> cases[] = {
        {"3", 3}, {"-0.5", -0.5}, {"1E2", 100}, {"1.", 1}, {".5", 0.5}, {"+1", 1}, {"1.2.3", 0}, {"--1", 0}, {"1e", 0}, {"-", 0},
        {"1e999", inf}, {"-1e999", -inf}, {"1e99999999999999999999999", inf}, {"1" + std::string(400, '0'), inf},
        {"1" + std::string(400, '0') + "e-10", inf}, {"1e-999", 0}, {"0." + std::string(400, '0') + "1e10", 0}, {"2e-324", 0}, {"-1e-999", -0.0}};
    for (const auto& [text, expected] : cases) {
        const double x1 = sourceOf(R"({"lines":[{"x1":)" + text + "}]}")->lines.at(0).x1;
        EXPECT_TRUE(x1 == expected && std::signbit(x1) == std::signbit(expected)) << text << " read as " << x1;
    }
}

TEST(InkSVGBounds, PaddedRoundedOutwardsAndSaturated) {
    const std::pair<const char*, std::optional<Bounds>> drawings[] = {
        {R"({"strokes":[{"points":[[10,20],[30,40]]}]})", Bounds{2, 12, 36, 36}}, {R"({"strokes":[{"points":[[0.5,0],[10.2,0]]}]})", Bounds{-8, -8, 27, 16}},
        {R"({"strokes":[{"points":[[-0.5,1.5]]}]})", Bounds{-9, -7, 17, 17}}, {R"({"strokes":[{"points":[]}, {"points":[[5,5]]}]})", Bounds{-3, -3, 16, 16}},
        {R"({"lines":[{}]})", Bounds{-8, -8, 16, 16}}, {R"({"lines":[{"x2":10,"y2":10,"mids":[[-20,50]]}]})", Bounds{-28, -8, 46, 66}},
        {R"({"strokes":[{"points":[]}]})", std::nullopt}, {R"({"lines":[{"x1":-1e999,"x2":1e400}]})", Bounds{0, -8, 1, 16}}};
    for (const auto& [drawing, expected] : drawings) EXPECT_EQ(bounds(*sourceOf(drawing)), expected) << drawing;
    const double twoTo63 = 9223372036854775808.0;
    const std::pair<std::vector<Point>, Bounds> points[] = {
        {{{nan, 1}, {2, nan}, {4, 5}}, {-6, -7, 18, 20}} /* NaN never moves an extreme */, {{{nan, nan}}, {0, 0, 1, 1}},
        {{{-inf, 0}, {inf, 0}}, {0, -8, 1, 16}}, {{{1e300, 1e300}}, {int64Max, int64Max, int64Max, int64Max}},
        {{{-1e300, 0}, {1e300, 0}}, {int64Min, -8, int64Max, 16}}, {{{-1e300, 0}}, {int64Min, -8, 1, 16}}, {{{twoTo63, 0}}, {int64Max, -8, 1, 16}},
        {{{-twoTo63, 0}, {0, 0}}, {int64Min, -8, int64Max, 16}}, {{{9.2e18, 0}}, {9200000000000000000, -8, 1, 16}} /* the pad is below a step */};
    for (const auto& [stroke, expected] : points) EXPECT_EQ(bounds(Source{{{stroke, ""}}, {}}), expected) << testing::PrintToString(stroke.front().x);
}

struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

TEST(InkSVGNum, IntegersPlainEverythingElseTwoDecimalsInAnyLocale) {
    const std::pair<double, const char*> cases[] = {
        {3, "3"}, {3.25, "3.25"}, {1.5, "1.50"}, {-0.0, "0"}, {-7, "-7"}, {999999999999999, "999999999999999"}, {1e15, "1000000000000000.00"},
        {-1e15, "-1000000000000000.00"}, {1e20, "100000000000000000000.00"}, {0.125, "0.12"}, {0.1 + 0.2, "0.30"}, {-0.001, "-0.00"},
        {inf, "inf"}, {-inf, "-inf"}, {nan, "nan"}};
    for (const auto& [value, expected] : cases) EXPECT_EQ(num(value), expected) << testing::PrintToString(value);
    EXPECT_EQ(num(-std::numeric_limits<double>::max()).size(), 313u);
    // A comma-decimal C++ locale, and the C one printf consults when the machine has one.
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    std::ostringstream stream;
    stream << 1.5;
    EXPECT_EQ(stream.str(), "1,5");  // the trap is armed
    EXPECT_EQ(num(-2.25), "-2.25");
    const std::string previousC = std::setlocale(LC_ALL, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"})
        if (std::setlocale(LC_ALL, name)) break;
    EXPECT_EQ(num(1.5), "1.50") << std::localeconv()->decimal_point;
    std::setlocale(LC_ALL, previousC.c_str());
    std::locale::global(previous);
}

TEST(InkSVGPathData, PolylineSmoothElbow) {
    using Data = std::string (*)(std::span<const Point>);
    const std::tuple<Data, std::vector<Point>, const char*> cases[] = {
        {polyline, {}, ""}, {polyline, {{1, 2}}, "M1 2"}, {polyline, {{inf, -inf}, {nan, 3}}, "M0 0 L0 3"}, {polyline, {{10, 20}, {30, 40}, {50, 60}}, "M10 20 L30 40 L50 60"},
        {smooth, {}, ""}, {smooth, {{1, 2}, {3, 4}}, "M1 2 L3 4"}, {smooth, {{0, 0}, {10, 0}, {10, 10}}, "M0 0 Q10 0 10 5 L10 10"},
        {smooth, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, "M0 0 Q10 0 10 5 Q10 10 5 10 L0 10"}, {smooth, {{0, 0}, {1, 1}, {2, -2}}, "M0 0 Q1 1 1.50 -0.50 L2 -2"},
        {elbow, {}, ""}, {elbow, {{0, 0}}, "M0 0"}, {elbow, {{0, 0}, {10, 5}}, "M0 0 L10 0 L10 5"}, {elbow, {{0, 0}, {10, 5}, {3, 8}}, "M0 0 L10 0 L10 5 L3 5 L3 8"}};
    for (const auto& [data, points, expected] : cases) EXPECT_EQ(data(points), expected);
}

TEST(InkSVGDocument, StrokesThenLinesInTheirStylesAndPens) {
    for (const auto& [name, hex] : {std::pair{"cobalt", "#1d4ed8"}, {"ink", "#ffffff"}, {"Cobalt", "#222222"}, {" cobalt", "#222222"}, {"", "#222222"}})
        EXPECT_EQ(strokeHex(name), hex) << name;
    EXPECT_EQ(path("M\"<&", "nope"), pathLine("M\"<&", "#222222"));  // path data is written as given
    EXPECT_EQ(svg(Source{}, 0, 0, 1, 1), document("0 0 1 1", R"(width="1" height="1")", ""));
    const Source drawing = *sourceOf(R"({
        "lines":[{"x1":-4,"y1":0,"x2":12,"y2":0,"palette":"ink"}, {"x2":10,"y2":10,"mids":[[10,0]],"style":"smooth","palette":"Iris"},
                 {"x2":10,"y2":5,"style":"elbow","palette":"moss"}, {"x2":10,"y2":10,"mids":[[10,0]],"style":"Smooth"}],
        "strokes":[{"points":[[10,20],[30.5,40]],"palette":"cobalt"}, {"points":[[5,5]],"palette":"rose"}, {"points":[[0,0],[1,1],[2,0.25]]}]})");
    const Bounds box = *bounds(drawing);
    EXPECT_EQ(box, (Bounds{-12, -8, 51, 56}));
    EXPECT_EQ(svg(drawing, box.x, box.y, box.width, box.height),
              document("-12 -8 51 56", R"(width="51" height="56")",
                       pathLine("M10 20 L30.50 40", "#1d4ed8") + pathLine("M0 0 L1 1 L2 0.25", "#222222") + pathLine("M-4 0 L12 0", "#ffffff") +
                           pathLine("M0 0 Q10 0 10 5 L10 10", "#222222") + pathLine("M0 0 L10 0 L10 5", "#15803d") + pathLine("M0 0 L10 0 L10 10", "#222222")));
}

}  // namespace
}  // namespace velk
