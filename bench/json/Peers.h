#pragma once

// The JSON libraries under comparison, velk among them, behind one small interface, so that every
// benchmark times the same kind of call whichever library is behind it.

#include "json/OrderedJSON.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace velk::bench {

enum class Peer {
    velk,
    rapidjson,            // Document::Parse with default flags
    rapidjsonNumberText,  // the same, keeping numbers as text as velk does
    nlohmannOrdered,      // nlohmann::ordered_json, which keeps member order as velk does
    simdjsonDom,          // simdjson's dom::parser: the whole document, not on demand
};

std::string_view peerName(Peer peer);

// One text, ready to be parsed again and again by one peer.
class BoundParser {
public:
    virtual ~BoundParser() = default;
    // Parses the text into a new document and destroys it; false when the peer refused the text.
    virtual bool parseOnce() = 0;
};

// `text` must outlive the parser.
std::unique_ptr<BoundParser> bindParser(Peer peer, const std::string& text);

// One text, read once into a peer's document, ready to be written again and again.
class BoundWriter {
public:
    virtual ~BoundWriter() = default;
    // Writes the document into a new string (tab-indented when pretty) and returns its length.
    virtual std::size_t writeOnce(Pretty pretty) = 0;
};

// Null for peers that do not write (simdjson) or that write the same as another (rapidjson with
// numbers as text would write them as strings).
std::unique_ptr<BoundWriter> bindWriter(Peer peer, const std::string& text);

// True when both texts are JSON with the same values in the same member order, as nlohmann's
// ordered_json reads them: a referee that shares no code with velk.
bool sameValue(std::string_view a, std::string_view b);

}  // namespace velk::bench
