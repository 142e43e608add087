#include "package/MapNaming.h"

#include <gtest/gtest.h>

#include <string>

namespace velk {
namespace {

TEST(MapNaming, DisplayNameDropsEveryExtension) {
    struct Case {
        std::string_view name, shown;
    };
    const Case cases[] = {
        {" Trip.canvas.velk ", "Trip"},
        {".velk", ".velk"},
        {".canvas.velk", ".canvas"},
        {"x.velk.velk", "x"},
        {"a.velk.canvas.plovet", "a"},
        {"Old.PLOVET", "Old"},
        {"Trip .velk", "Trip"},
        {"Trip\n.velk", "Trip\n"},             // inner trims leave line breaks
        {"\n\xE2\x80\xA8 Trip \xC2\x85\r\n", "Trip"},
        {"\xE3\x80\x80Trip\xC2\xA0", "Trip"},  // ideographic and no-break spaces
        {"Trip.velk2", "Trip.velk2"},
        {"\xC3\x9C" "bersicht.VELK", "\xC3\x9C" "bersicht"},
        {"\xE6\x97\xA5\xE6\x9C\xAC.velk", "\xE6\x97\xA5\xE6\x9C\xAC"},
        {"x.vel\xE2\x84\xAA", "x"},            // Kelvin sign lowercases to k
        {"x.velk\xCC\x81", "x.velk\xCC\x81"},  // the accent belongs to the k
        {"\xC4\xB0.velk", "\xC4\xB0"},         // İ lowercases to two code points
        {"", ""},
        {" \t ", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.name)));
        EXPECT_EQ(MapNaming::displayName(c.name), c.shown);
    }
}

TEST(MapNaming, PackageFileNameIsTheDisplayNameAsPackage) {
    struct Case {
        std::string_view typed, file;
    };
    const Case cases[] = {
        {"Trip", "Trip.velk"},
        {" Trip.velk ", "Trip.velk"},
        {"Plan.canvas", "Plan.velk"},
        {"Old.plovet", "Old.velk"},
        {".velk", ".velk.velk"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(MapNaming::packageFileName(c.typed), c.file);
    }
}

}  // namespace
}  // namespace velk
