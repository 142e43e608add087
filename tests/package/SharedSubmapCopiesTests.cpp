#include "package/PackageTestSupport.h"
#include "package/SharedSubmapCopies.h"

#include <gtest/gtest.h>

#include <set>

namespace velk {
namespace {

using testing_support::edited;
using testing_support::parsed;

std::string fileCard(std::string_view id, std::string_view file) {
    return R"({"id":")" + std::string(id) + R"(","type":"file","file":")" + std::string(file) + R"("})";
}

std::string noteCanvas(std::string_view text) {
    return R"({"nodes":[{"id":"n1","type":"text","text":")" + std::string(text) + R"(","x":10,"y":20}],"edges":[]})";
}

// A package whose root opens map/Shared.canvas from cards a and b (and, when asked, c), and an
// ordinary submap from card p; Shared itself opens map/Shared/Inner.canvas from card i.
struct Package {
    MapDocument::KnownFiles files;
    SharedSubmapCopies copies;
    JSONValue body;  // the editor state, which the editor sends back as its save body

    explicit Package(std::vector<std::string> sharedIDs = {"a", "b"}) {
        std::string root = R"({"nodes":[)";
        for (const auto& id : sharedIDs) root += fileCard(id, "map/Shared.canvas") + ",";
        DocumentTree tree;
        tree.write(root + fileCard("p", "map/Plain.canvas") + R"(],"edges":[]})", "map.canvas");
        tree.write(R"({"nodes":[)" + fileCard("i", "map/Shared/Inner.canvas") + R"(]})", "map/Shared.canvas");
        tree.write(noteCanvas("inner"), "map/Shared/Inner.canvas");
        tree.write(noteCanvas("plain"), "map/Plain.canvas");
        const auto maps = MapDocument::load(tree, MapDocument::rootCanvasName).value();
        for (const auto& map : maps) files[map.path] = map.file;
        copies = SharedSubmapCopies::fromLoaded(maps);
        body = MapDocument::state(maps);
    }
};

// `body` with only the maps at `paths`, in that order.
// `body` with the maps at `paths` dropped as copies are: only their path stays.
JSONValue dropping(const JSONValue& body, std::set<std::string_view> paths) {
    std::vector<JSONValue> maps;
    for (const auto& map : (*body["maps"]).elements()) {
        const bool drop = paths.contains(*map["path"]->stringValue());
        maps.push_back(drop ? JSONValue::object({{"path", *map["path"]}}) : map);
    }
    return body.setting("maps", JSONValue::array(maps));
}

JSONValue only(const JSONValue& body, std::vector<std::string_view> paths) {
    std::vector<JSONValue> maps;
    for (const auto path : paths)
        for (const auto& map : (*body["maps"]).elements())
            if (map["path"]->stringValue() == path) maps.push_back(map);
    return body.setting("maps", JSONValue::array(maps));
}

JSONValue fingerprintOf(std::string_view canvas) { return MapDocument::fingerprint(parsed(canvas), std::nullopt); }

ResolvedSave accepted(const JSONValue& body, const Package& package, const SharedSubmapCopies& copies) {
    auto result = MapDocument::resolveSharedFiles(body, package.files, copies);
    EXPECT_TRUE(result) << result.error().description();
    return result ? *result : ResolvedSave{};
}

MapDocumentError refusal(const JSONValue& body, const Package& package, const SharedSubmapCopies& copies) {
    auto result = MapDocument::resolveSharedFiles(body, package.files, copies);
    EXPECT_FALSE(result) << "accepted";
    return result ? MapDocumentError::noRootCanvas("accepted") : result.error();
}

const std::string_view sharedCanvas = R"({"nodes":[{"id":"i","type":"file","file":"map/Shared/Inner.canvas"}]})";

TEST(SharedSubmapCopies, FromLoadedRecordsEveryCopyOfEachFileLoadedMoreThanOnce) {
    const Package package;
    EXPECT_EQ(package.copies.baselines, (std::map<std::string, JSONValue>{
                                            {"/a", fingerprintOf(sharedCanvas)}, {"/a/i", fingerprintOf(noteCanvas("inner"))},
                                            {"/b", fingerprintOf(sharedCanvas)}, {"/b/i", fingerprintOf(noteCanvas("inner"))}}));
    EXPECT_EQ(package.copies.current, (std::map<std::string, JSONValue>{
                                          {"map/Shared.canvas", fingerprintOf(sharedCanvas)},
                                          {"map/Shared/Inner.canvas", fingerprintOf(noteCanvas("inner"))}}));
    EXPECT_EQ(Package({"a"}).copies, SharedSubmapCopies{});
}

TEST(SharedSubmapResolve, BodiesThatDropNoCopyPassThroughAsTheSameValue) {
    const Package plain({"a"});
    const Package shared;
    const std::pair<JSONValue, const Package*> cases[] = {
        {edited(plain.body, "/a", noteCanvas("edited")), &plain},
        {parsed(R"({"maps":{"path":"/a"}})"), &shared},
        {parsed(R"([{"maps":[]}])"), &shared},
        {only(shared.body, {"/", "/p"}), &shared},
    };
    for (const auto& [body, package] : cases) {
        SCOPED_TRACE(testing_support::compact(body));
        const auto result = accepted(body, *package, package->copies);
        EXPECT_EQ(result.body.node(), body.node());
        EXPECT_EQ(result.copies, package->copies);
    }

    // The only copy in the body, edited: written from the same body, and the copies advance.
    const JSONValue lone = only(edited(shared.body, "/b", R"({"note":"b"})"), {"/", "/b"});
    const auto result = accepted(lone, shared, shared.copies);
    EXPECT_EQ(result.body.node(), lone.node());
    EXPECT_EQ(result.copies.current.at("map/Shared.canvas"), fingerprintOf(R"({"note":"b"})"));
}

TEST(SharedSubmapResolve, CopiesThatDifferOnlyInNotationAreUneditedAndAllDropped) {
    const Package package;
    JSONValue body = edited(package.body, "/a/i", R"({"edges":[],"nodes":[{"y":2e1,"x":10.0,"text":"inner","type":"text","id":"n1","color":null}]})");
    body = parsed(R"({"version":1,"maps":[],"view":{"zoom":2}})").setting("maps", *body["maps"]);
    const auto result = accepted(body, package, package.copies);
    EXPECT_EQ(result.body, dropping(body, {"/a", "/a/i", "/b", "/b/i"}));
    EXPECT_EQ(result.copies, package.copies);
}

TEST(SharedSubmapResolve, AnEditedCopyIsWrittenAndACopyEditedFromBeforeThatSaveIsRefused) {
    const Package package;
    const std::string fromA = R"({"nodes":[],"edges":[],"note":"a"})";
    SharedSubmapCopies expected = package.copies;
    expected.baselines["/a"] = expected.current["map/Shared.canvas"] = fingerprintOf(fromA);

    const JSONValue editedA = edited(package.body, "/a", fromA);
    const auto first = accepted(editedA, package, package.copies);
    EXPECT_EQ(first.body, dropping(editedA, {"/a/i", "/b", "/b/i"}));
    EXPECT_EQ(first.copies, expected);

    EXPECT_EQ(refusal(edited(editedA, "/b", R"({"note":"b"})"), package, first.copies).description(),
              "map/Shared.canvas is linked from /a, /b and holds different edits under each; not saved \u2014 reopen the document to see both");

    const JSONValue bLikeA = edited(editedA, "/b", R"({"note":"a","edges":[],"nodes":[]})");
    const auto second = accepted(bLikeA, package, first.copies);
    EXPECT_EQ(second.body, dropping(bLikeA, {"/a", "/a/i", "/b/i"}));
    expected.baselines["/b"] = fingerprintOf(fromA);
    EXPECT_EQ(second.copies, expected);
}

TEST(SharedSubmapResolve, CopiesEditedAlikeInOneSaveWriteOneAndAdvanceBoth) {
    const Package package;
    const std::string alike = noteCanvas("both");
    const JSONValue body = edited(edited(package.body, "/a/i", alike), "/b/i", alike);
    const auto result = accepted(body, package, package.copies);
    EXPECT_EQ(result.body, dropping(body, {"/a", "/b", "/b/i"}));
    SharedSubmapCopies expected = package.copies;
    expected.baselines["/a/i"] = expected.baselines["/b/i"] = expected.current["map/Shared/Inner.canvas"] = fingerprintOf(alike);
    EXPECT_EQ(result.copies, expected);
}

TEST(SharedSubmapResolve, CopiesEditedDifferentlyInOneSaveAreRefusedFirstAppearingFileFirst) {
    const Package package;
    const JSONValue inkOnB = edited(edited(package.body, "/a/i", noteCanvas("a")), "/b/i", R"({"nodes":{"n1":{"role":"ink"}}})", "sidecar");
    EXPECT_EQ(refusal(inkOnB, package, package.copies), MapDocumentError::sharedSubmapDiverged("map/Shared/Inner.canvas", {"/a/i", "/b/i"}));

    JSONValue both = package.body;
    for (const auto path : {"/a", "/a/i"}) both = edited(both, path, "{}");
    for (const auto path : {"/b", "/b/i"}) both = edited(both, path, "[1]");
    EXPECT_EQ(refusal(only(both, {"/b/i", "/b", "/a/i", "/a"}), package, package.copies),
              MapDocumentError::sharedSubmapDiverged("map/Shared/Inner.canvas", {"/b/i", "/a/i"}));
    EXPECT_EQ(refusal(only(both, {"/b", "/b/i", "/a/i", "/a"}), package, package.copies),
              MapDocumentError::sharedSubmapDiverged("map/Shared.canvas", {"/b", "/a"}));
}

TEST(SharedSubmapResolve, RefusalNamesTheFirstEditedCopysFileAndEveryCopyInBodyOrder) {
    Package package({"a", "b", "c"});
    package.files["/c"] = "/map//Shared.canvas";  // the same file, as another card spells it
    const JSONValue editedA = edited(package.body, "/a", R"({"note":"a"})");
    const auto saved = accepted(editedA, package, package.copies);
    const JSONValue editedC = edited(editedA, "/c", R"({"note":"c"})");

    // b already holds the file's content and c does not; then c alone, edited from before a's save.
    EXPECT_EQ(refusal(only(edited(editedC, "/b", R"({"note":"a"})"), {"/b", "/c", "/a"}), package, saved.copies),
              MapDocumentError::sharedSubmapDiverged("map/Shared.canvas", {"/b", "/c", "/a"}));
    EXPECT_EQ(refusal(only(editedC, {"/b", "/c", "/a"}), package, saved.copies).description(),
              "/map//Shared.canvas is linked from /b, /c, /a and holds different edits under each; not saved \u2014 reopen the document to see both");
}

TEST(SharedSubmapResolve, MapsNotSharedAtLoadPassThrough) {
    Package package;
    package.files.erase("/b/i");  // no longer known as a copy of Inner
    std::vector<JSONValue> maps = (*edited(package.body, "/p", noteCanvas("edited"))["maps"]).elements().elements();
    for (const auto& extra : parsed(R"([{"path":"/new"},{"path":7},"not a map"])").elements()) maps.push_back(extra);

    const JSONValue body = package.body.setting("maps", JSONValue::array(maps));
    const auto result = accepted(body, package, package.copies);
    // Dropped: the unedited copies /a and /b of Shared, and /a/i, now Inner's only known copy.
    EXPECT_EQ(result.body, dropping(body, {"/a", "/a/i", "/b"}));
    EXPECT_EQ(result.copies, package.copies);
}

}  // namespace
}  // namespace velk
