#include "Packages.h"

#include "json/OrderedJSON.h"
#include "package/MapTree.h"

#include <string>
#include <vector>

namespace velk::bench {

namespace {

JSONValue number(std::size_t value) { return JSONValue::number(static_cast<std::int64_t>(value)); }

JSONValue textCard(const std::string& id, std::size_t i) {
    return JSONValue::object({{"id", JSONValue::string(id)},
                              {"type", JSONValue::string("text")},
                              {"text", JSONValue::string("Card " + std::to_string(i) + " with some words about it")},
                              {"x", number(i % 40 * 300)},
                              {"y", number(i / 40 * 200)},
                              {"width", number(260)},
                              {"height", number(80)}});
}

JSONValue inkRecord(std::size_t i) {
    std::vector<JSONValue> points;
    for (std::size_t p = 0; p < 12; ++p) points.push_back(JSONValue::array({number(i + p * 7), number(i + p * 3)}));
    const JSONValue stroke = JSONValue::object({{"points", JSONValue::array(points)}, {"palette", JSONValue::string("cobalt")}});
    return JSONValue::object({{"role", JSONValue::string("ink")},
                              {"source", JSONValue::object({{"strokes", JSONValue::array({stroke})}})}});
}

}  // namespace

DocumentTree makePackage(std::size_t submaps, std::size_t cardsPerSubmap, std::size_t inkEvery) {
    DocumentTree tree;
    std::vector<JSONValue> rootCards;
    for (std::size_t s = 0; s < submaps; ++s) {
        const std::string file = "map/Submap " + std::to_string(s) + ".canvas";
        rootCards.push_back(JSONValue::object({{"id", JSONValue::string("s" + std::to_string(s))},
                                               {"type", JSONValue::string("file")},
                                               {"file", JSONValue::string(file)},
                                               {"x", number(s * 300)},
                                               {"y", number(0)}}));
        std::vector<JSONValue> cards;
        std::vector<JSONMember> records;
        for (std::size_t c = 0; c < cardsPerSubmap; ++c) {
            const std::string id = "n" + std::to_string(s) + "-" + std::to_string(c);
            const bool ink = inkEvery > 0 && c % inkEvery == 0;
            JSONValue card = textCard(id, c);
            if (ink) card = card.setting("type", JSONValue::string("file")).without("text");
            cards.push_back(card);
            records.push_back({id, ink ? inkRecord(c) : JSONValue::object({{"collapsed", JSONValue::boolean(false)}})});
        }
        const JSONValue canvas = JSONValue::object({{"nodes", JSONValue::array(cards)}, {"edges", JSONValue::array({})}});
        tree.write(OrderedJSON::write(canvas, Pretty::yes), file);
        tree.write(OrderedJSON::write(JSONValue::object({{"nodes", JSONValue::object(records)}}), Pretty::yes), file + ".velk");
    }
    const JSONValue root = JSONValue::object({{"nodes", JSONValue::array(rootCards)}, {"edges", JSONValue::array({})}});
    tree.write(OrderedJSON::write(root, Pretty::yes), "map.canvas");
    return tree;
}

}  // namespace velk::bench

namespace velk::bench {

DocumentTree makeChain(std::size_t depth) {
    DocumentTree tree;
    std::string file = "map.canvas";
    for (std::size_t level = 0; level <= depth; ++level) {
        std::vector<JSONValue> cards{textCard("t" + std::to_string(level), level)};
        const std::string submap = MapTree::submapDirectory(file) + "/n" + std::to_string(level) + ".canvas";
        if (level < depth) {
            cards.push_back(JSONValue::object({{"id", JSONValue::string("n" + std::to_string(level))},
                                               {"type", JSONValue::string("file")},
                                               {"file", JSONValue::string(submap)}}));
        }
        tree.write(OrderedJSON::write(JSONValue::object({{"nodes", JSONValue::array(cards)}, {"edges", JSONValue::array({})}}), Pretty::yes), file);
        file = submap;
    }
    return tree;
}

}  // namespace velk::bench
