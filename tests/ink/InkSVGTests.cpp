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

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t int64Min = std::numeric_limits<std::int64_t>::min();

std::optional<Source> sourceOf(std::string_view record) { return source(parsed(record)); }

// The x1 of a one-line drawing whose x1 has the given JSON text.
double x1Of(const std::string& numberText) {
    return sourceOf(R"({"source":{"lines":[{"x1":)" + numberText + "}]}}")->lines.at(0).x1;
}

const std::string header = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"";
const std::string attributes = "\" fill=\"none\" stroke=\"";
const std::string ending = "\" stroke-width=\"4\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>\n";

std::string pathLine(const std::string& data, const std::string& hex) {
    return "\t<path d=\"" + data + attributes + hex + ending;
}

TEST(InkSVGSource, AbsentUnlessTheRecordHoldsASourceObject) {
    EXPECT_EQ(source(std::nullopt), std::nullopt);
    for (const char* record : {"[]", "5", "{}", R"({"source":"ink"})", R"({"source":[]})", R"({"source":null})"}) {
        SCOPED_TRACE(record);
        EXPECT_EQ(sourceOf(record), std::nullopt);
    }
    const std::optional<Source> empty = sourceOf(R"({"role":"ink","source":{"strokes":{},"lines":7}})");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->isEmpty());
    EXPECT_EQ(bounds(*empty), std::nullopt);
}

TEST(InkSVGSource, EveryElementYieldsAStrokeOrLineWithDefaults) {
    const Source expected{
        {{{{1, 2}}, "moss"}, {{}, ""}, {{}, ""}},
        {{1, 2, 3, 4, {{5, 6}}, "ink", "elbow"}, {0, 0, 0, 0, {}, "", "straight"}, {0, 7, 0, 0, {}, "", "straight"}},
    };
    EXPECT_EQ(sourceOf(R"({"source":{
        "strokes":[{"points":[[1,2]],"palette":"moss","x":9}, 3, {"points":{},"palette":4}],
        "lines":[{"x1":1,"y1":2,"x2":3,"y2":4,"mids":[[5,6]],"palette":"ink","style":"elbow"},
                 "line", {"x1":"1","y1":7,"style":null}]}})"),
              expected);
}

TEST(InkSVGSource, PointsAreArraysOfAtLeastTwoElements) {
    const std::vector<std::pair<const char*, std::vector<Point>>> cases{
        {R"([[1], "a", {"x":1}, [], 5])", {}},
        {R"([[1, "a"]])", {{1, 0}}},
        {R"([[null, 2]])", {{0, 2}}},
        {R"([[1, 2, 3]])", {{1, 2}}},
        {R"([[3, 4], [1], [5, 6]])", {{3, 4}, {5, 6}}},
    };
    for (const auto& [points, expected] : cases) {
        SCOPED_TRACE(points);
        const std::string record = std::string(R"({"source":{"strokes":[{"points":)") + points + "}]}}";
        EXPECT_EQ(sourceOf(record)->strokes.at(0).points, expected);
    }
}

// The reader keeps any run of number characters; only wholly numeric texts count, and numbers
// beyond a double's range become an infinity or zero.
TEST(InkSVGSource, NumberTextsParseWhollyOrCountAsZero) {
    const std::vector<std::pair<std::string, double>> cases{
        {"3", 3}, {"-0.5", -0.5}, {"1E2", 100}, {"1.", 1}, {".5", 0.5},
        {"+1", 1}, {"1.2.3", 0}, {"--1", 0}, {"1e", 0}, {"-", 0},
        {"1e999", inf}, {"-1e999", -inf}, {"1e99999999999999999999999", inf},
        {"1" + std::string(400, '0'), inf}, {"1" + std::string(400, '0') + "e-10", inf},
        {"1e-999", 0}, {"0." + std::string(400, '0') + "1e10", 0}, {"2e-324", 0},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(x1Of(text), expected);
    }
    EXPECT_TRUE(std::signbit(x1Of("-1e-999")));
}

TEST(InkSVGBounds, PaddedAndRoundedOutwards) {
    const std::vector<std::pair<const char*, std::optional<Bounds>>> cases{
        {R"({"strokes":[{"points":[[10,20],[30,40]]}]})", Bounds{2, 12, 36, 36}},
        {R"({"strokes":[{"points":[[0.5,0],[10.2,0]]}]})", Bounds{-8, -8, 27, 16}},
        {R"({"strokes":[{"points":[[-0.5,1.5]]}]})", Bounds{-9, -7, 17, 17}},
        {R"({"strokes":[{"points":[]}, {"points":[[5,5]]}]})", Bounds{-3, -3, 16, 16}},
        {R"({"lines":[{}]})", Bounds{-8, -8, 16, 16}},
        {R"({"lines":[{"x2":10,"y2":10,"mids":[[-20,50]]}]})", Bounds{-28, -8, 46, 66}},
        {R"({"strokes":[{"points":[]}]})", std::nullopt},
    };
    for (const auto& [drawing, expected] : cases) {
        SCOPED_TRACE(drawing);
        EXPECT_EQ(bounds(*sourceOf(std::string(R"({"source":)") + drawing + "}")), expected);
    }
}

TEST(InkSVGBounds, NonFiniteAndHugeCoordinates) {
    const double twoTo63 = 9223372036854775808.0;
    const std::vector<std::pair<std::vector<Point>, Bounds>> cases{
        {{{nan, 1}, {2, nan}, {4, 5}}, {-6, -7, 18, 20}},      // NaN never moves an extreme
        {{{nan, nan}}, {0, 0, 1, 1}},
        {{{-inf, 0}, {inf, 0}}, {0, -8, 1, 16}},
        {{{1e300, 1e300}}, {int64Max, int64Max, int64Max, int64Max}},
        {{{-1e300, 0}, {1e300, 0}}, {int64Min, -8, int64Max, 16}},
        {{{-1e300, 0}}, {int64Min, -8, 1, 16}},
        {{{twoTo63, 0}}, {int64Max, -8, 1, 16}},
        {{{-twoTo63, 0}, {0, 0}}, {int64Min, -8, int64Max, 16}},
        {{{9.2e18, 0}}, {9200000000000000000, -8, 1, 16}},  // the pad is below a double's step here
    };
    for (const auto& [points, expected] : cases) {
        SCOPED_TRACE(testing::PrintToString(points.front().x));
        EXPECT_EQ(bounds(Source{{{points, ""}}, {}}), expected);
    }
    EXPECT_EQ(bounds(*sourceOf(R"({"source":{"lines":[{"x1":-1e999,"x2":1e400}]}})")), (Bounds{0, -8, 1, 16}));
}

TEST(InkSVGNum, IntegersPlainEverythingElseTwoDecimals) {
    const std::vector<std::pair<double, const char*>> cases{
        {3, "3"}, {3.25, "3.25"}, {1.5, "1.50"}, {-0.0, "0"}, {-7, "-7"},
        {999999999999999, "999999999999999"}, {1e15, "1000000000000000.00"},
        {-1e15, "-1000000000000000.00"}, {1e20, "100000000000000000000.00"},
        {0.125, "0.12"}, {0.1 + 0.2, "0.30"}, {-0.001, "-0.00"},
        {inf, "inf"}, {-inf, "-inf"}, {nan, "nan"},
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(testing::PrintToString(value));
        EXPECT_EQ(num(value), expected);
    }
    EXPECT_EQ(num(-std::numeric_limits<double>::max()).size(), 313u);
}

struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

TEST(InkSVGNum, IgnoresTheProcessLocale) {
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    std::ostringstream stream;
    stream << 1.5;
    EXPECT_EQ(stream.str(), "1,5");  // the trap is armed
    EXPECT_EQ(num(1.5), "1.50");
    EXPECT_EQ(num(-2.25), "-2.25");

    // The C locale, which printf consults, when the machine has a comma-decimal one.
    const std::string previousC = std::setlocale(LC_ALL, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "de_DE", "fr_FR"}) {
        if (!std::setlocale(LC_ALL, name)) continue;
        SCOPED_TRACE(name);
        EXPECT_EQ(*std::localeconv()->decimal_point, ',');
        EXPECT_EQ(num(1.5), "1.50");
        break;
    }
    std::setlocale(LC_ALL, previousC.c_str());
    std::locale::global(previous);
}

TEST(InkSVGPathData, PolylineSmoothElbow) {
    using Data = std::string (*)(std::span<const Point>);
    struct Case {
        const char* name;
        Data data;
        std::vector<Point> points;
        const char* expected;
    };
    const std::vector<Case> cases{
        {"polyline", polyline, {}, ""},
        {"polyline", polyline, {{1, 2}}, "M1 2"},
        {"polyline", polyline, {{10, 20}, {30, 40}, {50, 60}}, "M10 20 L30 40 L50 60"},
        {"smooth", smooth, {}, ""},
        {"smooth", smooth, {{1, 2}, {3, 4}}, "M1 2 L3 4"},
        {"smooth", smooth, {{0, 0}, {10, 0}, {10, 10}}, "M0 0 Q10 0 10 5 L10 10"},
        {"smooth", smooth, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, "M0 0 Q10 0 10 5 Q10 10 5 10 L0 10"},
        {"smooth", smooth, {{0, 0}, {1, 1}, {2, -2}}, "M0 0 Q1 1 1.50 -0.50 L2 -2"},
        {"elbow", elbow, {}, ""},
        {"elbow", elbow, {{0, 0}}, "M0 0"},
        {"elbow", elbow, {{0, 0}, {10, 5}}, "M0 0 L10 0 L10 5"},
        {"elbow", elbow, {{0, 0}, {10, 5}, {3, 8}}, "M0 0 L10 0 L10 5 L3 5 L3 8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " -> " + c.expected);
        EXPECT_EQ(c.data(c.points), c.expected);
    }
}

TEST(InkSVGPalette, ExactNamesElseTheDefaultPen) {
    const std::vector<std::pair<const char*, const char*>> cases{
        {"cobalt", "#1d4ed8"}, {"iris", "#6d28d9"}, {"moss", "#15803d"}, {"amber", "#a16207"},
        {"rose", "#b91c1c"}, {"ember", "#c2410c"}, {"graphite", "#374151"}, {"ink", "#ffffff"},
        {"default", "#222222"}, {"", "#222222"}, {"Cobalt", "#222222"}, {"INK", "#222222"},
        {" cobalt", "#222222"}, {"black", "#222222"},
    };
    for (const auto& [name, hex] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(strokeHex(name), hex);
    }
}

TEST(InkSVGDocument, PathElementKeepsItsDataAsGiven) {
    EXPECT_EQ(path("M0 0 L1 1", "rose"), pathLine("M0 0 L1 1", "#b91c1c"));
    EXPECT_EQ(path("M\"<&", "nope"), pathLine("M\"<&", "#222222"));
}

TEST(InkSVGDocument, LineStyleChoosesThePathData) {
    const std::vector<std::pair<const char*, const char*>> cases{
        {R"({"x1":1,"y1":2,"x2":3,"y2":4})", "M1 2 L3 4"},
        {R"({"x1":1,"y1":2,"x2":3,"y2":4,"style":"smooth"})", "M1 2 L3 4"},
        {R"({"x2":10,"y2":5,"style":"elbow"})", "M0 0 L10 0 L10 5"},
        {R"({"x2":10,"y2":10,"mids":[[10,0]],"style":"smooth"})", "M0 0 Q10 0 10 5 L10 10"},
        {R"({"x2":10,"y2":10,"mids":[[10,0]],"style":"Smooth"})", "M0 0 L10 0 L10 10"},
        {R"({"x2":10,"y2":10,"mids":[[10,0]],"style":"curvy"})", "M0 0 L10 0 L10 10"},
    };
    for (const auto& [line, data] : cases) {
        SCOPED_TRACE(line);
        const Source drawing = *sourceOf(std::string(R"({"source":{"lines":[)") + line + "]}}");
        EXPECT_EQ(svg(drawing, 0, 0, 1, 1), header + "0 0 1 1\" width=\"1\" height=\"1\">\n" +
                                                 pathLine(data, "#222222") + "</svg>\n");
    }
}

TEST(InkSVGDocument, EmptyDrawingIsJustTheTwoTags) {
    EXPECT_EQ(svg(Source{}, 0, 0, 1, 1), header + "0 0 1 1\" width=\"1\" height=\"1\">\n</svg>\n");
}

TEST(InkSVGDocument, WholeDocumentStrokesBeforeLines) {
    const Source drawing = *sourceOf(R"({"role":"ink","source":{
        "lines":[{"x1":-4,"y1":0,"x2":12,"y2":0,"palette":"ink"},
                 {"x2":10,"y2":10,"mids":[[10,0]],"style":"smooth","palette":"Iris"},
                 {"x2":10,"y2":5,"style":"elbow","palette":"moss"}],
        "strokes":[{"points":[[10,20],[30.5,40]],"palette":"cobalt"},
                   {"points":[[5,5]],"palette":"rose"},
                   {"points":[[0,0],[1,1],[2,0.25]]}]}})");
    const Bounds box = *bounds(drawing);
    EXPECT_EQ(box, (Bounds{-12, -8, 51, 56}));
    EXPECT_EQ(svg(drawing, box.x, box.y, box.width, box.height),
              header + "-12 -8 51 56\" width=\"51\" height=\"56\">\n" +
                  pathLine("M10 20 L30.50 40", "#1d4ed8") +
                  pathLine("M0 0 L1 1 L2 0.25", "#222222") +
                  pathLine("M-4 0 L12 0", "#ffffff") +
                  pathLine("M0 0 Q10 0 10 5 L10 10", "#222222") +
                  pathLine("M0 0 L10 0 L10 5", "#15803d") +
                  "</svg>\n");
}

}  // namespace
}  // namespace velk
