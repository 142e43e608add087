// Whatever a publisher sends, the service's check must not crash, and what it accepts must be
// what it later serves: every member's text reads as the same value the reader gave the whole
// body, and the share document built from an accepted body opens in velk.

#include "FuzzCheck.h"
#include "json/OrderedJSON.h"
#include "service/JSONMembers.h"
#include "service/PublishBody.h"
#include "share/SharedLink.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velk;
    const std::string_view input = fuzz::text(data, size);
    if (const auto read = share::JSONMembers::read(input)) {
        // A duplicate key keeps the last value, so the last span of each key is the one to match.
        for (std::size_t i = 0; i < read->members.size(); ++i) {
            const auto& [key, text] = read->members[i];
            bool later = false;
            for (std::size_t j = i + 1; j < read->members.size(); ++j) later = later || read->members[j].key == key;
            if (later) continue;
            const auto value = OrderedJSON::parse(text);
            fuzz::require(value && read->value[key] && *value == *read->value[key], "member text reads differently", input);
        }
    } else {
        const auto whole = OrderedJSON::parse(input);
        fuzz::require(!whole || !whole->isObject(), "an object the reader takes has no member spans", input);
    }
    if (const auto publication = share::PublishBody::check(input)) {
        const std::string document = share::PublishBody::document(publication->name, publication->state, publication->media);
        fuzz::require(SharedLink::open(document).has_value(), "an accepted share does not open", input);
    }
    return 0;
}
