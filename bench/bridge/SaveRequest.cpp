#include "SaveRequest.h"

#include "json/OrderedJSON.h"
#include "package/MapDocumentCore.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace velk::bench {

namespace {

JSONValue number(std::size_t value) { return JSONValue::number(static_cast<std::int64_t>(value)); }

JSONValue card(std::size_t i, std::size_t columns) {
    return JSONValue::object({{"id", JSONValue::string("n" + std::to_string(i))},
                              {"type", JSONValue::string("text")},
                              {"x", number(i % columns * 300)},
                              {"y", number(i / columns * 160)},
                              {"width", number(250)},
                              {"height", number(110)},
                              {"text", JSONValue::string("## Card " + std::to_string(i) +
                                                         "\nSome **bold** text and a list:\n- one\n- two")}});
}

DocumentTree gridPackage(std::size_t cards) {
    std::size_t columns = 1;
    while (columns * columns < cards) ++columns;
    std::vector<JSONValue> nodes, edges;
    std::vector<JSONMember> records;
    for (std::size_t i = 0; i < cards; ++i) {
        nodes.push_back(card(i, columns));
        records.push_back({"n" + std::to_string(i), JSONValue::object({{"collapsed", JSONValue::boolean(false)}})});
        if (i % columns == 0) continue;
        edges.push_back(JSONValue::object({{"id", JSONValue::string("e" + std::to_string(i))},
                                           {"fromNode", JSONValue::string("n" + std::to_string(i - 1))},
                                           {"toNode", JSONValue::string("n" + std::to_string(i))}}));
    }
    DocumentTree tree;
    const JSONValue canvas =
        JSONValue::object({{"nodes", JSONValue::array(nodes)}, {"edges", JSONValue::array(edges)}});
    tree.write(OrderedJSON::write(canvas, Pretty::yes), "map.canvas");
    tree.write(OrderedJSON::write(JSONValue::object({{"nodes", JSONValue::object(records)}}), Pretty::yes),
               "map.canvas.velk");
    return tree;
}

// The state with its first card moved, as the page saves after a drag: the body differs from the
// stored canvas, so the save reads the stored one back to keep the cards nobody touched.
JSONValue movingFirstCard(const JSONValue& state) {
    const JSONValue map = state["maps"]->elements()[0];
    const JSONValue canvas = *map["canvas"];
    std::vector<JSONValue> nodes;
    for (const JSONValue node : canvas["nodes"]->elements()) nodes.push_back(node);
    nodes[0] = nodes[0].setting("x", JSONValue::number(std::int64_t{40}));
    const JSONValue moved = map.setting("canvas", canvas.setting("nodes", JSONValue::array(nodes)));
    return state.setting("maps", JSONValue::array({moved}));
}

}  // namespace

SaveRequest makeSaveRequest(std::size_t cards) {
    SaveRequest request{gridPackage(cards), {}, {}};
    MapDocumentCore core(request.package);
    const auto state = core.state();
    if (!state) {
        std::fprintf(stderr, "the generated package does not load: %s\n", state.error().description().c_str());
        std::exit(1);
    }
    request.body = OrderedJSON::write(movingFirstCard(*state), Pretty::no);
    const JSONValue message = JSONValue::object(
        {{"id", JSONValue::number(std::int64_t{12})},
         {"op", JSONValue::string("save")},
         {"payload", JSONValue::object({{"body", JSONValue::string(request.body)}})}});
    request.text = OrderedJSON::write(message, Pretty::no);
    return request;
}

}  // namespace velk::bench
