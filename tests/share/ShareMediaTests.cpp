// The images a published map takes along: which of the state's strings name them, the body that
// carries them after name and state, that body opened again as a shared map, and the limits.

#include "share/ShareMedia.h"

#include "core/Base64.h"
#include "json/OrderedJSON.h"
#include "share/ShareLinks.h"
#include "share/SharedLink.h"

#include <gtest/gtest.h>

#include <map>

namespace velk {
namespace {

const std::string base = "https://share.example.test/velk/";

// Two image cards (one on the root, one in a submap, whose group shows the first image again)
// and a card naming an image the package lacks. The text card holds strings that only look like
// media; the store has files under those names too, so taking any of them along would show.
const JSONValue state = OrderedJSON::parse(R"({"maps":[
  {"path":"/","canvas":{"nodes":[
    {"id":"a","type":"file","file":"velk-media/00000000000000aa.png"},
    {"id":"gone","type":"file","file":"velk-media/00000000000000cc.png"},
    {"id":"t","type":"text","text":"velk-media/00000000000000aa.png is the photo"},
    {"id":"s","type":"file","file":"map/Sub.canvas"}]},
   "sidecar":{"decoys":["velk-media/sub/b.png","images/b.png","velk-media/notes.txt","velk-media/.b.png","media/b.png"]}},
  {"path":"/s","canvas":{"nodes":[
    {"id":"old","type":"file","file":"plovet-media/00000000000000bb.jpg"},
    {"id":"g","type":"group","background":"velk-media/00000000000000aa.png"}]},"sidecar":{}}]})").value();

const std::map<std::string, std::string> store = {
    {"velk-media/00000000000000aa.png", "\x89PNG\r\n\x1a\n"}, {"plovet-media/00000000000000bb.jpg", std::string("\xff\xd8\0j", 4)},
    {"velk-media/sub/b.png", "x"}, {"images/b.png", "x"}, {"velk-media/notes.txt", "x"}, {"velk-media/.b.png", "x"}, {"media/b.png", "x"},
};

SharedBytes fromStore(std::string_view name, std::string_view directory) {
    const auto found = store.find(std::string(directory) + "/" + std::string(name));
    return found == store.end() ? nullptr : std::make_shared<const std::string>(found->second);
}

TEST(ShareMedia, TheBodyCarriesEachImageTheMapsShowAfterNameAndState) {
    const auto collected = ShareMedia::collect(state, fromStore);
    ASSERT_TRUE(collected.has_value());
    EXPECT_EQ(collected->missing, std::vector<std::string>{"velk-media/00000000000000cc.png"});
    const HttpRequest request = ShareLinks::publishRequest("Trip", state, collected->files, base);

    const JSONValue body = OrderedJSON::parse(request.body).value();
    std::vector<std::string> keys, media;
    for (const auto& member : body.members()) keys.emplace_back(member.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"name", "state", "media"}));
    EXPECT_EQ(*body["state"], state);
    for (const auto& [path, text] : body["media"]->members()) {
        media.emplace_back(path);
        EXPECT_EQ(Base64::decode(*text.stringValue()), store.at(std::string(path))) << path;
    }
    EXPECT_EQ(media, (std::vector<std::string>{"velk-media/00000000000000aa.png", "plovet-media/00000000000000bb.jpg"}));

    // Whoever opens the share gets a package that holds the images themselves.
    const auto opened = SharedLink::open(request.body);
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(opened->name, "Trip");
    for (const std::string& path : media) {
        const SharedBytes bytes = opened->tree.data(path);
        EXPECT_TRUE(bytes && *bytes == store.at(path)) << path;
    }
    EXPECT_EQ(opened->tree.data("velk-media/sub/b.png"), nullptr);
}

TEST(ShareMedia, ImagesOverTheServicesLimitsAreRefusedBeforeAnythingIsEncoded) {
    const auto bytes = [](std::uint64_t size) { return std::make_shared<const std::string>(size, 'i'); };
    const SharedBytes full = bytes(ShareMedia::maxFileBytes), over = bytes(ShareMedia::maxFileBytes + 1), one = bytes(1);
    const std::string tooLarge = "This map's images are too large to share: at most 25 MiB each and 200 MiB in all.";
    struct Case {
        std::string label;
        std::vector<SharedBytes> files;
        std::optional<ShareMedia::Error> expected;
    };
    const std::vector<SharedBytes> eightFull(8, full);
    std::vector<SharedBytes> eightFullAndOne = eightFull;
    eightFullAndOne.push_back(one);
    const Case cases[] = {
        {"one file of exactly 25 MiB", {full}, {}},
        {"one byte over 25 MiB", {one, over}, ShareMedia::Error(ShareMedia::Error::FileTooLarge{"velk-media/0000000000000001.png"})},
        {"eight files of 25 MiB, exactly 200 MiB in all", eightFull, {}},
        {"one byte over 200 MiB in all", eightFullAndOne, ShareMedia::Error(ShareMedia::Error::TooLargeInAll{})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::vector<JSONValue> nodes;
        std::map<std::string, SharedBytes> files;
        for (std::size_t i = 0; i < c.files.size(); ++i) {
            const std::string name = std::string(15, '0') + "0123456789abcdef"[i] + ".png";
            nodes.push_back(JSONValue::object({{"type", JSONValue::string("file")}, {"file", JSONValue::string("velk-media/" + name)}}));
            files[name] = c.files[i];
        }
        const JSONValue many = JSONValue::object({{"maps", JSONValue::array({JSONValue::object(
            {{"path", JSONValue::string("/")}, {"canvas", JSONValue::object({{"nodes", JSONValue::array(nodes)}})}})})}});
        const auto collected = ShareMedia::collect(many, [&](std::string_view name, std::string_view) { return files.at(std::string(name)); });
        if (c.expected) {
            ASSERT_FALSE(collected.has_value());
            EXPECT_EQ(collected.error(), *c.expected);
            EXPECT_EQ(collected.error().description(), tooLarge);
        } else {
            ASSERT_TRUE(collected.has_value());
            EXPECT_EQ(collected->files.size(), c.files.size());
        }
    }
}

}  // namespace
}  // namespace velk
