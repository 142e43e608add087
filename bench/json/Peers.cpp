#include "Peers.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#include <simdjson.h>

namespace velk::bench {

namespace {

// The documents are handed to DoNotOptimize so that no compiler can drop a parse whose result
// goes unused.

class VelkParser final : public BoundParser {
public:
    explicit VelkParser(const std::string& text) : m_text(text) {}
    bool parseOnce() override {
        auto document = OrderedJSON::parse(m_text);
        benchmark::DoNotOptimize(document);
        return document.has_value();
    }

private:
    const std::string& m_text;
};

template <unsigned flags>
class RapidJSONParser final : public BoundParser {
public:
    explicit RapidJSONParser(const std::string& text) : m_text(text) {}
    bool parseOnce() override {
        rapidjson::Document document;
        document.Parse<flags>(m_text.data(), m_text.size());
        benchmark::DoNotOptimize(document);
        return !document.HasParseError();
    }

private:
    const std::string& m_text;
};

class NlohmannParser final : public BoundParser {
public:
    explicit NlohmannParser(const std::string& text) : m_text(text) {}
    bool parseOnce() override {
        auto document = nlohmann::ordered_json::parse(m_text, nullptr, false);
        benchmark::DoNotOptimize(document);
        return !document.is_discarded();
    }

private:
    const std::string& m_text;
};

// simdjson wants padded input and a parser that is kept between documents; both are made once,
// as a program using it would, so only the parse itself is timed.
class SimdjsonParser final : public BoundParser {
public:
    explicit SimdjsonParser(const std::string& text) : m_padded(text) {}
    bool parseOnce() override {
        simdjson::dom::element root;
        if (m_parser.parse(m_padded).get(root) != simdjson::SUCCESS) return false;
        benchmark::DoNotOptimize(root);
        return true;
    }

private:
    simdjson::padded_string m_padded;
    simdjson::dom::parser m_parser;
};

class VelkWriter final : public BoundWriter {
public:
    explicit VelkWriter(const std::string& text) : m_document(OrderedJSON::parse(text).value()) {}
    std::size_t writeOnce(Pretty pretty) override {
        std::string text = OrderedJSON::write(m_document, pretty);
        benchmark::DoNotOptimize(text.data());
        return text.size();
    }

private:
    JSONValue m_document;
};

class RapidJSONWriter final : public BoundWriter {
public:
    explicit RapidJSONWriter(const std::string& text) { m_document.Parse(text.data(), text.size()); }
    std::size_t writeOnce(Pretty pretty) override {
        rapidjson::StringBuffer buffer;
        if (pretty == Pretty::yes) {
            rapidjson::PrettyWriter<rapidjson::StringBuffer> writer(buffer);
            writer.SetIndent('\t', 1);
            m_document.Accept(writer);
        } else {
            rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
            m_document.Accept(writer);
        }
        benchmark::DoNotOptimize(buffer.GetString());
        return buffer.GetSize();
    }

private:
    rapidjson::Document m_document;
};

class NlohmannWriter final : public BoundWriter {
public:
    explicit NlohmannWriter(const std::string& text) : m_document(nlohmann::ordered_json::parse(text)) {}
    std::size_t writeOnce(Pretty pretty) override {
        std::string text = pretty == Pretty::yes ? m_document.dump(1, '\t') : m_document.dump();
        benchmark::DoNotOptimize(text.data());
        return text.size();
    }

private:
    nlohmann::ordered_json m_document;
};

}  // namespace

std::string_view peerName(Peer peer) {
    switch (peer) {
    case Peer::velk: return "velk";
    case Peer::rapidjson: return "rapidjson";
    case Peer::rapidjsonNumberText: return "rapidjson-number-text";
    case Peer::nlohmannOrdered: return "nlohmann-ordered";
    case Peer::simdjsonDom: return "simdjson-dom";
    }
    return "?";
}

std::unique_ptr<BoundParser> bindParser(Peer peer, const std::string& text) {
    switch (peer) {
    case Peer::velk: return std::make_unique<VelkParser>(text);
    case Peer::rapidjson: return std::make_unique<RapidJSONParser<rapidjson::kParseDefaultFlags>>(text);
    case Peer::rapidjsonNumberText:
        return std::make_unique<RapidJSONParser<rapidjson::kParseNumbersAsStringsFlag>>(text);
    case Peer::nlohmannOrdered: return std::make_unique<NlohmannParser>(text);
    case Peer::simdjsonDom: return std::make_unique<SimdjsonParser>(text);
    }
    return nullptr;
}

std::unique_ptr<BoundWriter> bindWriter(Peer peer, const std::string& text) {
    switch (peer) {
    case Peer::velk: return std::make_unique<VelkWriter>(text);
    case Peer::rapidjson: return std::make_unique<RapidJSONWriter>(text);
    case Peer::nlohmannOrdered: return std::make_unique<NlohmannWriter>(text);
    case Peer::rapidjsonNumberText:
    case Peer::simdjsonDom: return nullptr;
    }
    return nullptr;
}

bool sameValue(std::string_view a, std::string_view b) {
    const auto first = nlohmann::ordered_json::parse(a, nullptr, false);
    const auto second = nlohmann::ordered_json::parse(b, nullptr, false);
    return !first.is_discarded() && !second.is_discarded() && first == second;
}

}  // namespace velk::bench
