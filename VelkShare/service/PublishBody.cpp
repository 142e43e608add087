#include "service/PublishBody.h"

#include "core/Base64.h"
#include "json/OrderedJSON.h"
#include "package/Media.h"
#include "service/JSONMembers.h"
#include "share/SharedLink.h"

#include <algorithm>

namespace velk::share::PublishBody {
namespace {

Unexpected<Refusal> refuse(int status, std::string message) { return Unexpected<Refusal>(Refusal{status, std::move(message)}); }

std::string quoted(std::string_view text) {
    std::string into;
    OrderedJSON::encodeString(text.substr(0, 200), into);
    return into;
}

// Only what velk's media store could have written: "<media folder>/<servable name>".
bool isMediaPath(std::string_view key) {
    const std::size_t slash = key.find('/');
    if (slash == std::string_view::npos) return false;
    const std::string_view directory = key.substr(0, slash), name = key.substr(slash + 1);
    return std::ranges::find(Media::servedDirectories, directory) != Media::servedDirectories.end() &&
           Media::isServableName(name) &&
           std::ranges::none_of(name, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

std::optional<Refusal> mediaRefusal(const std::optional<JSONValue>& media) {
    if (!media || !media->isObject()) return Refusal{400, "\"media\" must be an object from file paths to Base64 text."};
    // Sizes first, from the text's length alone, so an oversized upload is refused before any
    // of it is decoded.
    std::size_t total = 0;
    for (const JSONMemberRef member : media->members()) {
        const std::string name = quoted(member.key);
        if (!isMediaPath(member.key)) return Refusal{400, "The media path " + name + " is not an image in velk-media/."};
        const auto base64 = member.value.stringValue();
        const auto size = base64 ? Base64::decodedSize(*base64) : std::nullopt;
        if (!size) return Refusal{400, "The media file " + name + " is not Base64 text."};
        if (*size > mediaFileLimit) return Refusal{413, "The media file " + name + " is larger than 25 MiB."};
        if (*size == 0) return Refusal{400, "The media file " + name + " is empty."};
        total += *size;
    }
    if (total > mediaLimit) return Refusal{413, "The media files are larger than 200 MiB in all."};
    for (const JSONMemberRef member : media->members()) {
        if (!Base64::decode(*member.value.stringValue())) return Refusal{400, "The media file " + quoted(member.key) + " is not Base64 text."};
    }
    return std::nullopt;
}

}  // namespace

Expected<Publication, Refusal> check(std::string_view body) {
    if (body.size() > bodyLimit) return refuse(413, "The publish request is larger than the service accepts.");
    const auto members = JSONMembers::read(body);
    if (!members) return refuse(400, "The publish request must be a JSON object with \"name\" and \"state\".");

    // The members' texts, each at most once.
    std::optional<std::string_view> name, state, media;
    for (const auto& [key, value] : members->members) {
        std::optional<std::string_view>* slot = key == "name" ? &name : key == "state" ? &state : key == "media" ? &media : nullptr;
        if (!slot) continue;
        if (*slot) return refuse(400, "The publish request holds " + quoted(key) + " twice.");
        *slot = value;
    }
    if (!state) return refuse(400, "The publish request has no \"state\".");
    Publication publication{name ? std::optional<std::string>(*name) : std::nullopt, std::string(*state), {}};
    if (publication.state.size() > stateLimit) return refuse(413, "The map is larger than 32 MiB.");
    if (publication.name) {
        if (publication.name->empty() || publication.name->front() != '"') return refuse(400, "\"name\" must be a string.");
        if (publication.name->size() > nameLimit) return refuse(400, "The map's name is longer than 4096 bytes.");
    }
    if (media) {
        const auto files = members->value["media"];
        if (auto refusal = mediaRefusal(files)) return Unexpected<Refusal>(std::move(*refusal));
        for (const JSONMemberRef file : files->members()) publication.media.push_back({std::string(file.key), std::string(*file.value.stringValue())});
    }

    const auto stateValue = members->value["state"];
    if (!stateValue || !stateValue->isObject()) return refuse(400, "\"state\" must be a map's editor state, a JSON object.");
    const auto maps = (*stateValue)["maps"];
    if (!maps || maps->kind() != JSONValue::Kind::array) return refuse(400, "The map's state has no \"maps\" array.");
    // The state must open the way velk will open it after downloading it; media are judged above.
    if (!SharedLink::open(document(std::nullopt, publication.state, {})))
        return refuse(400, "The map's state is not a map velk can open.");
    return publication;
}

std::string document(const std::optional<std::string>& name, std::string_view state, const std::vector<MediaFile>& media) {
    std::size_t size = state.size() + (name ? name->size() : 0) + 32;
    for (const MediaFile& file : media) size += file.path.size() + file.base64.size() + 8;
    std::string text;
    text.reserve(size);
    text += '{';
    if (name) text += "\"name\":" + *name + ",";
    text += "\"state\":";
    text += state;
    if (!media.empty()) {
        text += ",\"media\":{";
        for (const MediaFile& file : media) {
            if (&file != &media.front()) text += ',';
            OrderedJSON::encodeString(file.path, text);
            text += ':';
            OrderedJSON::encodeString(file.base64, text);
        }
        text += '}';
    }
    text += '}';
    return text;
}

}  // namespace velk::share::PublishBody
