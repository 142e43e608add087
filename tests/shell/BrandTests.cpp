#include "shell/Brand.h"

#include <gtest/gtest.h>

#include <string>

namespace velk {
namespace {

TEST(Brand, RGBReadsTheLastSixHexDigits) {
    struct Case {
        std::string_view hex;
        int red, green, blue;
    };
    const Case cases[] = {
        {"#f2a93b", 242, 169, 59},
        {"f2a93b", 242, 169, 59},
        {"#F2A93B", 242, 169, 59},
        {Brand::lantern500, 242, 169, 59},
        {Brand::lantern800, 143, 79, 4},
        {Brand::ink900, 14, 20, 25},
        {Brand::ink100, 231, 238, 245},
        {"#ffffff", 255, 255, 255},
        {"#fff", 0, 15, 255},        // three digits are a number, not CSS shorthand
        {"#80f2a93b", 242, 169, 59}, // an alpha byte in front is ignored
        {"#1", 0, 0, 1},
        {"zz", 0, 0, 0},
        {"", 0, 0, 0},
        {"#", 0, 0, 0},
        {"##f2a93b", 0, 0, 0},       // only one "#" is dropped
        {"#f2a93bz", 0, 0, 0},
        {"#1f2a93b00", 0, 0, 0},     // more than 32 bits
        {" #f2a93b", 0, 0, 0},
        {"0xf2a93b", 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.hex));
        EXPECT_EQ(Brand::rgb(c.hex), (Brand::RGB{c.red / 255.0, c.green / 255.0, c.blue / 255.0}));
    }
}

}  // namespace
}  // namespace velk
