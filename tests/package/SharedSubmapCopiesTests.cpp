// A submap opened from several cards is loaded once per card; a save writes one consistent copy
// of it and refuses copies edited apart.

#include "package/PackageTestSupport.h"
#include "package/SharedSubmapCopies.h"

#include <gtest/gtest.h>

#include <set>

namespace velk {
namespace {

using namespace testing_support;

std::string fileCard(std::string_view id, std::string_view file) {
    return R"({"id":")" + std::string(id) + R"(","type":"file","file":")" + std::string(file) + R"("})";
}
std::string noteCanvas(std::string_view text) {
    return R"({"nodes":[{"id":"n1","type":"text","text":")" + std::string(text) + R"(","x":10,"y":20}],"edges":[]})";
}
JSONValue fingerprintOf(std::string_view canvas) { return MapDocument::fingerprint(parsed(canvas), std::nullopt); }
const std::string sharedCanvas = R"({"nodes":[{"id":"i","type":"file","file":"map/Shared/Inner.canvas"}]})";

// A package whose root opens map/Shared.canvas from cards a and b (and, when asked, c), and an
// ordinary submap from card p; Shared itself opens map/Shared/Inner.canvas from card i.
struct Package {
    MapDocument::KnownFiles files;
    SharedSubmapCopies copies;
    JSONValue body;  // the editor state, which the editor sends back as its save body

    explicit Package(std::vector<std::string> sharedIDs = {"a", "b"}) {
        std::string root = R"({"nodes":[)";
        for (const auto& id : sharedIDs) root += fileCard(id, "map/Shared.canvas") + ",";
        const auto maps = MapDocument::load(treeOf({{"map.canvas", root + fileCard("p", "map/Plain.canvas") + R"(],"edges":[]})"}, {"map/Shared.canvas", sharedCanvas},
                                                    {"map/Shared/Inner.canvas", noteCanvas("inner")}, {"map/Plain.canvas", noteCanvas("plain")}}),
                                            MapDocument::rootCanvasName).value();
        for (const auto& map : maps) files[map.path] = map.file;
        copies = SharedSubmapCopies::fromLoaded(maps);
        body = MapDocument::state(maps);
    }
    Expected<ResolvedSave, MapDocumentError> resolve(const JSONValue& saveBody, const SharedSubmapCopies& known) const {
        return MapDocument::resolveSharedFiles(saveBody, files, known);
    }
};

// `body` with the maps at `paths` dropped as copies are: only their path stays.
JSONValue dropping(const JSONValue& body, std::set<std::string_view> paths) {
    std::vector<JSONValue> maps;
    for (const auto& map : (*body["maps"]).elements())
        maps.push_back(paths.contains(*map["path"]->stringValue()) ? JSONValue::object({{"path", *map["path"]}}) : map);
    return body.setting("maps", JSONValue::array(maps));
}
// `body` with only the maps at `paths`, in that order.
JSONValue only(const JSONValue& body, std::vector<std::string_view> paths) {
    std::vector<JSONValue> maps;
    for (const auto path : paths)
        for (const auto& map : (*body["maps"]).elements())
            if (map["path"]->stringValue() == path) maps.push_back(map);
    return body.setting("maps", JSONValue::array(maps));
}

TEST(SharedSubmapResolve, BodiesThatDropNoCopyPassThroughAsTheSameValue) {
    const Package plain({"a"}), shared;
    EXPECT_EQ(plain.copies, SharedSubmapCopies{});  // a file loaded once has no copies
    const std::pair<JSONValue, const Package*> cases[] = {{edited(plain.body, "/a", noteCanvas("edited")), &plain}, {parsed(R"({"maps":{"path":"/a"}})"), &shared},
                                                          {parsed(R"([{"maps":[]}])"), &shared}, {only(shared.body, {"/", "/p"}), &shared}};
    for (const auto& [body, package] : cases) {
        const auto result = package->resolve(body, package->copies);
        EXPECT_EQ(result->body.node(), body.node()) << compact(body);
        EXPECT_EQ(result->copies, package->copies) << compact(body);
    }
    // The only copy in the body, edited: written from the same body, and the copies advance.
    const JSONValue lone = only(edited(shared.body, "/b", R"({"note":"b"})"), {"/", "/b"});
    const auto result = shared.resolve(lone, shared.copies);
    EXPECT_EQ(result->body.node(), lone.node());
    EXPECT_EQ(result->copies.current.at("map/Shared.canvas"), fingerprintOf(R"({"note":"b"})"));
}

TEST(SharedSubmapResolve, OneEditedCopyIsWrittenAndTheOthersDropped) {
    Package package;
    // Copies that differ only in notation are unedited, and all dropped.
    JSONValue notation = edited(package.body, "/a/i", R"({"edges":[],"nodes":[{"y":2e1,"x":10.0,"text":"inner","type":"text","id":"n1","color":null}]})");
    notation = parsed(R"({"version":1,"maps":[],"view":{"zoom":2}})").setting("maps", *notation["maps"]);
    EXPECT_EQ(package.resolve(notation, package.copies)->body, dropping(notation, {"/a", "/a/i", "/b", "/b/i"}));

    const std::string fromA = R"({"nodes":[],"edges":[],"note":"a"})";
    SharedSubmapCopies expected = package.copies;
    expected.baselines["/a"] = expected.current["map/Shared.canvas"] = fingerprintOf(fromA);
    const JSONValue editedA = edited(package.body, "/a", fromA);
    const auto first = package.resolve(editedA, package.copies);
    EXPECT_EQ(first->body, dropping(editedA, {"/a/i", "/b", "/b/i"}));
    EXPECT_EQ(first->copies, expected);
    // Copy b brought to a's content is accepted and its baseline advances.
    const JSONValue bLikeA = edited(editedA, "/b", R"({"note":"a","edges":[],"nodes":[]})");
    const auto second = package.resolve(bLikeA, first->copies);
    EXPECT_EQ(second->body, dropping(bLikeA, {"/a", "/a/i", "/b/i"}));
    expected.baselines["/b"] = fingerprintOf(fromA);
    EXPECT_EQ(second->copies, expected);
    // Copies edited alike in one save: one is written, both advance.
    const JSONValue alike = edited(edited(package.body, "/a/i", noteCanvas("both")), "/b/i", noteCanvas("both"));
    const auto both = package.resolve(alike, package.copies);
    EXPECT_EQ(both->body, dropping(alike, {"/a", "/b", "/b/i"}));
    expected = package.copies;
    expected.baselines["/a/i"] = expected.baselines["/b/i"] = expected.current["map/Shared/Inner.canvas"] = fingerprintOf(noteCanvas("both"));
    EXPECT_EQ(both->copies, expected);
    // Maps not shared at load pass through: /b/i is no longer known as a copy of Inner.
    package.files.erase("/b/i");
    std::vector<JSONValue> maps = (*edited(package.body, "/p", noteCanvas("edited"))["maps"]).elements().elements();
    for (const auto& extra : parsed(R"([{"path":"/new"},{"path":7},"not a map"])").elements()) maps.push_back(extra);
    const JSONValue unshared = package.body.setting("maps", JSONValue::array(maps));
    EXPECT_EQ(package.resolve(unshared, package.copies)->body, dropping(unshared, {"/a", "/a/i", "/b"}));
}

TEST(SharedSubmapResolve, CopiesEditedApartAreRefusedNamingTheFirstEditedFileAndEveryCopyInBodyOrder) {
    const Package package;
    const JSONValue editedA = edited(package.body, "/a", R"({"note":"a"})");
    const SharedSubmapCopies afterA = package.resolve(editedA, package.copies)->copies;
    JSONValue both = package.body;
    for (const auto path : {"/a", "/a/i"}) both = edited(both, path, "{}");
    for (const auto path : {"/b", "/b/i"}) both = edited(both, path, "[1]");
    Package three({"a", "b", "c"});
    three.files["/c"] = "/map//Shared.canvas";  // the same file, as another card spells it
    const JSONValue threeA = edited(three.body, "/a", R"({"note":"a"})"), threeC = edited(threeA, "/c", R"({"note":"c"})");
    const SharedSubmapCopies threeAfterA = three.resolve(threeA, three.copies)->copies;
    const struct { const char* name; const Package& package; JSONValue body; const SharedSubmapCopies& copies; MapDocumentError error; } cases[] = {
        {"b edited from before a's save", package, edited(editedA, "/b", R"({"note":"b"})"), afterA, MapDocumentError::sharedSubmapDiverged("map/Shared.canvas", {"/a", "/b"})},
        {"ink on b only", package, edited(edited(package.body, "/a/i", noteCanvas("a")), "/b/i", R"({"nodes":{"n1":{"role":"ink"}}})", "sidecar"), package.copies,
         MapDocumentError::sharedSubmapDiverged("map/Shared/Inner.canvas", {"/a/i", "/b/i"})},
        {"inner first", package, only(both, {"/b/i", "/b", "/a/i", "/a"}), package.copies, MapDocumentError::sharedSubmapDiverged("map/Shared/Inner.canvas", {"/b/i", "/a/i"})},
        {"outer first", package, only(both, {"/b", "/b/i", "/a/i", "/a"}), package.copies, MapDocumentError::sharedSubmapDiverged("map/Shared.canvas", {"/b", "/a"})},
        {"b holds the file's content, c does not", three, only(edited(threeC, "/b", R"({"note":"a"})"), {"/b", "/c", "/a"}), threeAfterA,
         MapDocumentError::sharedSubmapDiverged("map/Shared.canvas", {"/b", "/c", "/a"})},
    };
    for (const auto& row : cases) EXPECT_EQ(row.package.resolve(row.body, row.copies).error(), row.error) << row.name;
    EXPECT_EQ(three.resolve(only(threeC, {"/b", "/c", "/a"}), threeAfterA).error().description(),
              "/map//Shared.canvas is linked from /b, /c, /a and holds different edits under each; not saved \u2014 reopen the document to see both");
}

}  // namespace
}  // namespace velk
