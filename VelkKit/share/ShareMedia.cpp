#include "share/ShareMedia.h"

#include <algorithm>
#include <unordered_set>

namespace velk::ShareMedia {
namespace {

struct Split {
    std::string_view directory;
    std::string_view name;
};

// A media directory and a name it serves, or nothing: the same test the opening side applies.
std::optional<Split> mediaPath(std::string_view text) {
    const auto slash = text.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const Split split{text.substr(0, slash), text.substr(slash + 1)};
    if (std::ranges::find(Media::servedDirectories, split.directory) == Media::servedDirectories.end()) return std::nullopt;
    if (!Media::isServableName(split.name)) return std::nullopt;
    return split;
}

}  // namespace

std::string Error::description() const {
    // One text for both: the page has no use for content names, and either way the fix is the same.
    return std::visit([](const auto&) -> std::string {
        return "This map's images are too large to share: at most 25 MiB each and 200 MiB in all.";
    }, m_case);
}

std::vector<std::string> references(const JSONValue& state) {
    std::vector<std::string> found;
    std::unordered_set<std::string_view> seen;
    // The state comes from the page: walked with a stack, however deep it nests.
    std::vector<JSONValue> pending;
    if (const auto maps = state["maps"]) {
        for (const JSONValue map : maps->elements()) pending.push_back(map);
    }
    std::ranges::reverse(pending);
    while (!pending.empty()) {
        const JSONValue value = std::move(pending.back());
        pending.pop_back();
        switch (value.kind()) {
        case JSONValue::Kind::string: {
            const std::string_view text = *value.stringValue();
            if (mediaPath(text) && seen.insert(text).second) found.emplace_back(text);
            break;
        }
        case JSONValue::Kind::array: {
            const auto elements = value.elements();
            for (std::size_t i = elements.size(); i > 0; --i) pending.push_back(elements[i - 1]);
            break;
        }
        case JSONValue::Kind::object: {
            const auto members = value.members();
            for (std::size_t i = members.size(); i > 0; --i) pending.push_back(members.value(i - 1));
            break;
        }
        default:
            break;
        }
    }
    return found;
}

Expected<Collected, Error> collect(const JSONValue& state, const Lookup& lookup) {
    Collected collected;
    std::uint64_t total = 0;
    for (std::string& path : references(state)) {
        const Split split = *mediaPath(path);
        SharedBytes bytes = lookup(split.name, split.directory);
        if (!bytes || bytes->empty()) {
            collected.missing.push_back(std::move(path));
            continue;
        }
        if (bytes->size() > maxFileBytes) return Unexpected<Error>(Error(Error::FileTooLarge{std::move(path)}));
        total += bytes->size();
        if (total > maxTotalBytes) return Unexpected<Error>(Error(Error::TooLargeInAll{}));
        collected.files.push_back({std::move(path), std::move(bytes)});
    }
    return collected;
}

}  // namespace velk::ShareMedia
