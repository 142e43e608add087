// Ink cards on save: each points at its canvas's ink SVG file, sits exactly over its drawing and
// has that drawing rendered. The drawing lives in the sidecar record of the card.

#include "core/NumberText.h"
#include "ink/InkSVG.h"
#include "package/MapSaveSteps.h"
#include "package/MapTree.h"
#include "package/Media.h"

#include <algorithm>

namespace velk::MapDocument {

namespace {

bool isInkRecord(const JSONValue& record) {
    const auto role = record["role"];
    return role && role->stringValue() == "ink";
}

// The records of a sidecar, keyed by card id; absent when none is an ink record, so a canvas
// without ink costs one pass over its records, not a lookup per card.
std::optional<JSONValue> inkRecords(const std::optional<JSONValue>& sidecar) {
    if (!sidecar) return std::nullopt;
    auto records = (*sidecar)["nodes"];
    if (!records) return std::nullopt;
    for (const JSONMemberRef member : records->members()) {
        if (isInkRecord(member.value)) return records;
    }
    return std::nullopt;
}

// The record of `card` when it is an ink record.
std::optional<JSONValue> inkRecord(const std::optional<JSONValue>& records, const JSONValue& card) {
    if (!records) return std::nullopt;
    const auto id = card["id"];
    const auto idText = id ? id->stringValue() : std::nullopt;
    if (!idText) return std::nullopt;
    const auto record = (*records)[*idText];  // indexed: no scan per card
    if (!record || !isInkRecord(*record)) return std::nullopt;
    return record;
}

// The canvas with each card replaced by `change(card)` where that gives a new card.
template <class Change>
JSONValue changingCards(const JSONValue& canvas, Change&& change) {
    const auto nodes = canvas["nodes"];
    if (!nodes || !nodes->arrayValue()) return canvas;
    std::vector<JSONValue> cards;
    bool changed = false;
    for (JSONValue card : nodes->elements()) {
        if (auto replacement = change(card)) {
            card = std::move(*replacement);
            changed = true;
        }
        cards.push_back(std::move(card));
    }
    return changed ? canvas.setting("nodes", JSONValue::array(cards)) : canvas;
}

std::string inkName(std::string_view canvasFile) {
    return std::string(lastSegment(MapTree::inkPath(canvasFile)));
}

// A card's coordinate as an integer: exact for integer texts, truncated for other numbers,
// clamped to 64 bits, 0 for anything else.
std::int64_t integerMember(const JSONValue& card, std::string_view key) {
    const auto member = card[key];
    const auto text = member ? member->numberText() : std::nullopt;
    if (!text) return 0;
    if (const auto exact = NumberText::int64Value(*text)) return *exact;
    return NumberText::clampedInt64(NumberText::doubleValue(*text).value_or(0));
}

}  // namespace

JSONValue namingInk(const JSONValue& canvas, const std::optional<JSONValue>& sidecar, std::string_view canvasFile,
                    std::string_view formerCanvasFile) {
    const auto records = inkRecords(sidecar);
    if (!records) return canvas;
    const std::string name = inkName(canvasFile);
    const std::string formerName = formerCanvasFile.empty() ? std::string() : inkName(formerCanvasFile);
    return changingCards(canvas, [&](const JSONValue& card) -> std::optional<JSONValue> {
        if (!inkRecord(records, card)) return std::nullopt;
        const auto type = card["type"];
        if (!type || type->stringValue() != "file") return std::nullopt;
        const auto file = card["file"];
        const auto fileText = file ? file->stringValue() : std::nullopt;
        if (fileText && !fileText->empty() && (formerName.empty() || *fileText != formerName)) return std::nullopt;
        return card.setting("file", JSONValue::string(name));
    });
}

bool mayHoldInk(std::string_view path) {
    if (!path.ends_with(MapTree::inkSuffix)) return false;
    return std::ranges::none_of(DocumentTree::segments(path), [](std::string_view segment) {
        return segment == "." || segment == ".." ||
               std::ranges::find(Media::servedDirectories, segment) != Media::servedDirectories.end();
    });
}

JSONValue sizingInk(const JSONValue& canvas, const std::optional<JSONValue>& sidecar) {
    const auto records = inkRecords(sidecar);
    if (!records) return canvas;
    return changingCards(canvas, [&](const JSONValue& card) -> std::optional<JSONValue> {
        const auto source = InkSVG::source(inkRecord(records, card));
        const auto bounds = source ? InkSVG::bounds(*source) : std::nullopt;
        if (!bounds) return std::nullopt;
        JSONValue sized = card;
        bool moved = false;
        const std::pair<std::string_view, std::int64_t> placement[] = {
            {"x", bounds->x}, {"y", bounds->y}, {"width", bounds->width}, {"height", bounds->height}};
        for (const auto& [key, value] : placement) {
            const auto member = sized[key];
            const auto text = member ? member->numberText() : std::nullopt;
            if (text && NumberText::int64Value(*text) == value) continue;
            sized = sized.setting(key, JSONValue::number(value));
            moved = true;
        }
        if (!moved) return std::nullopt;
        return sized;
    });
}

std::vector<InkAsset> inkAssets(const JSONValue& canvas, const std::optional<JSONValue>& sidecar,
                                std::string_view canvasFile) {
    std::vector<InkAsset> assets;
    const auto nodes = canvas["nodes"];
    const auto records = inkRecords(sidecar);
    if (!nodes || !records) return assets;
    const auto slash = canvasFile.rfind('/');
    const std::string_view directoryPrefix = slash == std::string_view::npos ? "" : canvasFile.substr(0, slash + 1);
    for (const JSONValue card : nodes->elements()) {
        const auto source = InkSVG::source(inkRecord(records, card));
        if (!source || source->isEmpty()) continue;
        const auto file = card["file"];
        const auto fileText = file ? file->stringValue() : std::nullopt;
        const std::string name = fileText && !fileText->empty() ? std::string(*fileText) : inkName(canvasFile);
        std::string path = name.starts_with('/') ? name.substr(1) : std::string(directoryPrefix) + name;
        assets.push_back({std::move(path), InkSVG::svg(*source, integerMember(card, "x"), integerMember(card, "y"),
                                                       integerMember(card, "width"), integerMember(card, "height"))});
    }
    return assets;
}

}  // namespace velk::MapDocument
