// The canonical form of map content. It is only ever compared, never stored or sent.

#include "package/MapDocument.h"

#include "core/NumberText.h"

#include <algorithm>
#include <charconv>

namespace velk::MapDocument {

namespace {

// A number's text in one notation per double value, or the text unchanged when it does not read
// as a number.
std::string canonicalNumber(std::string_view text) {
    const auto read = NumberText::doubleValue(text);
    if (!read) return std::string(text);
    const double value = *read == 0 ? 0.0 : *read;  // -0 and 0 are one value
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, written.ptr);
}

struct Pending {
    JSONValue value;
    std::size_t next = 0;
    bool awaitingChild = false;
    std::vector<JSONValue> elements;
    std::vector<JSONMember> members;
};

}  // namespace

std::optional<JSONValue> normalized(const JSONValue& top) {
    // Post-order with an explicit stack: `finished` carries each finished value to its parent.
    std::vector<Pending> stack;
    std::optional<JSONValue> finished;
    auto visit = [&](const JSONValue& value) {
        switch (value.kind()) {
        case JSONValue::Kind::null: finished.reset(); return;
        case JSONValue::Kind::boolean:
        case JSONValue::Kind::string: finished = value; return;
        case JSONValue::Kind::number: finished = JSONValue::number(canonicalNumber(*value.numberText())); return;
        case JSONValue::Kind::array:
        case JSONValue::Kind::object: stack.push_back(Pending{value, 0, false, {}, {}}); return;
        }
    };

    visit(top);
    while (!stack.empty()) {
        Pending& pending = stack.back();
        const bool isArray = pending.value.kind() == JSONValue::Kind::array;
        if (pending.awaitingChild) {
            pending.awaitingChild = false;
            if (isArray) {
                pending.elements.push_back(finished.value_or(JSONValue()));
            } else if (finished) {
                pending.members.push_back({std::string(pending.value.members().key(pending.next - 1)), *finished});
            }
        }
        const std::size_t size = isArray ? pending.value.elements().size() : pending.value.members().size();
        if (pending.next < size) {
            const std::size_t index = pending.next++;
            pending.awaitingChild = true;
            visit(isArray ? pending.value.elements()[index] : pending.value.members().value(index));
            continue;
        }
        if (isArray) {
            finished = pending.elements.empty() ? std::nullopt : std::optional(JSONValue::array(pending.elements));
        } else {
            std::stable_sort(pending.members.begin(), pending.members.end(),
                             [](const JSONMember& a, const JSONMember& b) { return a.key < b.key; });
            finished = pending.members.empty() ? std::nullopt : std::optional(JSONValue::object(pending.members));
        }
        stack.pop_back();
    }
    return finished;
}

JSONValue fingerprint(const std::optional<JSONValue>& canvas, const std::optional<JSONValue>& sidecar) {
    const JSONValue both = JSONValue::object({{"canvas", canvas.value_or(JSONValue())}, {"sidecar", sidecar.value_or(JSONValue())}});
    return normalized(both).value_or(JSONValue());
}

}  // namespace velk::MapDocument
