// Cards and links nobody touched keep the text they were stored with, however the editor page
// spells them, when another edit saves the map.

#include "E2EHarness.h"

#include "json/OrderedJSON.h"

#include <gtest/gtest.h>

namespace velk::e2e {
namespace {

// Members the page does not know, with integer-like keys and numbers a script engine respells.
constexpr std::string_view storedCanvas = R"({"nodes":[
    {"id":"a","type":"text","text":"Kept as written","x":0,"y":0,"width":250,"height":60,"meta":{"b":1,"10":2.50,"n":1e2}},
    {"id":"c","type":"text","text":"Also kept","x":400,"y":0,"width":250,"height":60,"z":1.50}],
  "edges":[{"id":"e","fromNode":"a","toNode":"c","weight":0.50}]})";

// The card or link of id `id` in a canvas text, compact with its own member order and numbers.
std::string nodeText(std::string_view canvas, std::string_view key, std::string_view id) {
    const auto value = OrderedJSON::parse(canvas);
    if (!value) return "<not JSON>";
    const auto nodes = (*value)[key];
    for (const JSONValue node : nodes ? nodes->elements() : JSONValue().elements()) {
        const auto nodeID = node["id"];
        if (nodeID && nodeID->stringValue() == id) return OrderedJSON::write(node, Pretty::no);
    }
    return "<missing>";
}

TEST(StoredTextE2E, CardsAndLinksNobodyEditedKeepTheirStoredTextWhenTheMapIsSaved) {
    E2EHarness velk("stored-text");
    const std::string stored = OrderedJSON::write(*OrderedJSON::parse(storedCanvas), Pretty::yes);
    const auto package = velk.writePackage("Kept.velk", stored);
    ASSERT_TRUE(velk.startAndWaitForCards(package, 2)) << "the page never showed the package's cards";
    ASSERT_TRUE(velk.typeNewCard("A new note"));
    ASSERT_TRUE(velk.finishEditing());
    ASSERT_TRUE(waitUntil([&] { return velk.packageFile("map.canvas").contains("A new note"); }))
        << velk.packageFile("map.canvas");

    const std::string saved = velk.packageFile("map.canvas");
    for (const auto& [key, id] : {std::pair{"nodes", "a"}, std::pair{"nodes", "c"}, std::pair{"edges", "e"}}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(nodeText(saved, key, id), nodeText(stored, key, id));
    }
    // Byte for byte: everything before the new card is what was stored.
    EXPECT_TRUE(saved.starts_with(stored.substr(0, stored.find("\n\t],")))) << saved;
}

}  // namespace
}  // namespace velk::e2e
