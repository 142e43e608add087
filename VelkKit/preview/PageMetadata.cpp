#include "preview/PageMetadata.h"

#include "core/TextCase.h"
#include "core/WhiteSpace.h"
#include "preview/MetaText.h"
#include "preview/PagePatterns.h"

#include <initializer_list>
#include <map>
#include <utility>

namespace velk::LinkPreview {

namespace {

using ContentMap = std::map<std::string, std::string, std::less<>>;

// A later attribute of the same name wins, as it would in a browser's tag soup reading.
const std::string* lastValue(const std::vector<Attribute>& attributes, std::string_view name) {
    for (auto it = attributes.rbegin(); it != attributes.rend(); ++it) {
        if (it->name == name) return &it->value;
    }
    return nullptr;
}

// The content under the first key that is present, even when it is empty: a page that sets an
// empty og:title means no title, not "fall back to <title>".
const std::string* firstPresent(std::initializer_list<std::pair<const ContentMap*, std::string_view>> keys) {
    for (const auto& [map, key] : keys) {
        if (const auto found = map->find(key); found != map->end()) return &found->second;
    }
    return nullptr;
}

std::string cleaned(const std::string* text, std::size_t max) { return text ? clean(*text, max) : std::string(); }

}  // namespace

Meta parseMeta(std::string_view html) {
    const HeadTags tags = headTags(html);
    ContentMap openGraph, twitter, plain;
    for (const std::vector<Attribute>& attributes : tags.metaTags) {
        const std::string* content = lastValue(attributes, "content");
        if (!content) continue;
        if (const std::string* property = lastValue(attributes, "property")) {
            const std::string key = TextCase::lowercased(*property);
            if (key.starts_with("og:")) openGraph.insert_or_assign(key.substr(3), *content);
        }
        if (const std::string* name = lastValue(attributes, "name")) {
            const std::string key = TextCase::lowercased(*name);
            if (key.starts_with("twitter:")) {
                twitter.insert_or_assign(key.substr(8), *content);
            } else if (key.starts_with("og:")) {
                openGraph.insert_or_assign(key.substr(3), *content);
            } else if (key == "description") {
                plain.insert_or_assign(key, *content);
            }
        }
    }
    if (tags.title) plain.insert_or_assign("title", *tags.title);

    Meta meta;
    meta.title = cleaned(firstPresent({{&openGraph, "title"}, {&twitter, "title"}, {&plain, "title"}}),
                         maxTitleCharacters);
    meta.description =
        cleaned(firstPresent({{&openGraph, "description"}, {&twitter, "description"}, {&plain, "description"}}),
                maxDescriptionCharacters);
    meta.siteName = cleaned(firstPresent({{&openGraph, "site_name"}}), maxSiteNameCharacters);
    const std::string* image = firstPresent({{&openGraph, "image"}, {&openGraph, "image:url"}, {&twitter, "image"}});
    if (image) meta.imageURL = std::string(WhiteSpace::trimmedWithLineBreaks(*image));
    return meta;
}

JSONValue card(const Meta& meta, std::optional<std::string_view> image) {
    std::vector<JSONMember> members;
    const auto add = [&](std::string_view key, std::string_view text) {
        if (!text.empty()) members.push_back({std::string(key), JSONValue::string(text)});
    };
    add("title", meta.title);
    add("description", meta.description);
    add("siteName", meta.siteName);
    add("image", image.value_or(std::string_view()));
    return JSONValue::object(members);
}

}  // namespace velk::LinkPreview
