// The images a published map takes along, from the editor's share request to the body sent, that
// body opened again as a shared map, and the service's limits.

#include "share/ShareMedia.h"

#include "bridge/EditorHostRig.h"
#include "core/Base64.h"
#include "share/SharedLink.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

// Image cards on the root and in a submap (whose group shows the first again), one naming an image
// the package lacks, and strings that only look like media, which the store holds as well.
const std::string share = R"({"id":1,"op":"share","payload":{"name":"Trip","state":{"maps":[{"path":"/","canvas":{"nodes":[
  {"type":"file","file":"velk-media/00000000000000aa.png"},{"type":"file","file":"velk-media/00000000000000cc.png"}]},
  "sidecar":{"x":["velk-media/sub/b.png","images/b.png","velk-media/notes.txt","velk-media/.b.png"]}},
  {"path":"/s","canvas":{"nodes":[{"type":"file","file":"plovet-media/00000000000000bb.jpg"},
  {"type":"group","background":"velk-media/00000000000000aa.png"}]}}]}}})";

TEST(ShareMedia, TheBodyCarriesEachImageTheMapsShowAndOpensWithThem) {
    testing_support::EditorHostRig rig;
    rig.document->media = {{"velk-media/00000000000000aa.png", "\x89PNG"}, {"plovet-media/00000000000000bb.jpg", "\xff\xd8"},
                           {"velk-media/sub/b.png", "x"}, {"images/b.png", "x"}, {"velk-media/notes.txt", "x"}, {"velk-media/.b.png", "x"}};
    rig.post(share);
    const std::string body = rig.http.requests().at(0).body;
    std::vector<std::string> keys, media;
    for (const auto& member : OrderedJSON::parse(body)->members()) keys.emplace_back(member.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"name", "state", "media"}));
    for (const auto& [path, text] : (*OrderedJSON::parse(body))["media"]->members()) {
        media.emplace_back(path);
        EXPECT_EQ(Base64::decode(*text.stringValue()), rig.document->media.at(media.back())) << path;
    }
    EXPECT_EQ(media, (std::vector<std::string>{"velk-media/00000000000000aa.png", "plovet-media/00000000000000bb.jpg"}));
    EXPECT_EQ(std::ranges::count(rig.traced(), "share: velk-media/00000000000000cc.png is not in the package; shared without it"), 1);
    const auto opened = SharedLink::open(body).value();
    for (const std::string& path : media) EXPECT_EQ(*opened.tree.data(path), rig.document->media.at(path)) << path;

    rig.document->media["velk-media/00000000000000aa.png"] = std::string(ShareMedia::maxFileBytes + 1, 'p');
    rig.post(share);
    EXPECT_EQ(rig.http.requests().size(), 1u) << "sent a body the service refuses";
    EXPECT_NE(rig.events().back().find("This map's images are too large to share"), std::string::npos) << rig.events().back();
}

TEST(ShareMedia, ImagesOverTheLimitsRefuseTheShareBeforeAnythingIsEncoded) {
    using Error = ShareMedia::Error;
    const std::uint64_t full = ShareMedia::maxFileBytes;
    const std::tuple<std::string, std::vector<std::uint64_t>, std::optional<Error>> cases[] = {
        {"exactly 25 MiB", {full}, {}}, {"a byte over 25 MiB", {1, full + 1}, Error(Error::FileTooLarge{"velk-media/1.png"})},
        {"exactly 200 MiB in all", std::vector(8, full), {}},
        {"a byte over 200 MiB in all", {full, full, full, full, full, full, full, full, 1}, Error(Error::TooLargeInAll{})}};
    for (const auto& [label, sizes, expected] : cases) {
        std::vector<JSONValue> nodes;
        for (std::size_t i = 0; i < sizes.size(); ++i)
            nodes.push_back(JSONValue::object({{"file", JSONValue::string("velk-media/" + std::to_string(i) + ".png")}}));
        std::map<std::uint64_t, SharedBytes> made;  // one string per size, however many files share it
        const auto collected = ShareMedia::collect(JSONValue::object({{"maps", JSONValue::array(nodes)}}), [&](std::string_view name, std::string_view) {
            const std::uint64_t size = sizes[std::stoul(std::string(name))];
            return made[size] ? made[size] : made[size] = std::make_shared<const std::string>(size, 'i');
        });
        EXPECT_EQ(collected ? std::nullopt : std::optional(collected.error()), expected) << label;
    }
    EXPECT_EQ(Error(Error::TooLargeInAll{}).description(), "This map's images are too large to share: at most 25 MiB each and 200 MiB in all.");
}

}  // namespace
}  // namespace velk
