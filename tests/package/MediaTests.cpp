// Images kept in a package: named after their content, typed by their extension, limited in size
// one by one and together, and served by plain names only.

#include "package/Media.h"
#include "package/PackageTestSupport.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

namespace velk {
namespace {

using testing_support::text;

TEST(Media, TypesNamesAndWhatIsServed) {
    const std::pair<std::string_view, std::string_view> types[] = {
        {"Image/PNG; q=1", "image/png"}, {"IMAGE/SVG+XML;charset=utf-8", "image/svg+xml"}, {";;image/gif;x", "image/gif"} /* empty pieces are skipped */,
        {" ;image/gif", ""} /* a blank piece is not empty */, {"\t\xC2\xA0image/webp\xE3\x80\x80 ", "image/webp"}, {"image/png\n", "image/png\n"}, {";", ""}};
    for (const auto& [type, bare] : types) EXPECT_EQ(Media::bareType(type), bare) << testing::PrintToString(std::string(type));
    // The first 16 hex digits of the SHA-256 of the bytes, a NUL byte included.
    EXPECT_EQ(Media::contentName("abc", ".png"), "ba7816bf8f01cfea.png");
    EXPECT_EQ(Media::contentName(std::string(1, '\0'), ".jpg"), "6e340b9cffb37a98.jpg");
    const std::tuple<std::string_view, std::optional<std::string_view>, bool> names[] = {
        {"ba7816bf8f01cfea.png", "image/png", true}, {"Photo.JPG", "image/jpeg", true}, {"a.tar.Svg", "image/svg+xml", true}, {"photo.jpeg", std::nullopt, false},
        {"a.png.txt", std::nullopt, false}, {"png", std::nullopt, false}, {"a.", std::nullopt, false}, {".png", "image/png", false} /* hidden */, {"..png", "image/png", false},
        {"a..png", "image/png", false}, {"sub/a.png", "image/png", false}, {"sub\\a.png", "image/png", false}, {"", std::nullopt, false}};
    for (const auto& [name, type, servable] : names) {
        EXPECT_EQ(Media::mimeType(name), type) << name;
        EXPECT_EQ(Media::isServableName(name), servable) << name;
    }
    DocumentTree tree = testing_support::treeOf({{"velk-media/new.png", "n"}, {"plovet-media/Old.JPG", "o"}, {"other-media/x.png", "x"}, {"velk-media/a..png", "a"},
                                                 {"velk-media/photo.jpeg", "p"}, {"velk-media/dir.png/inner.png", "i"}});
    const std::tuple<std::string_view, std::string_view, std::string_view> served[] = {
        {"velk-media", "new.png", "n"}, {"plovet-media", "Old.JPG", "o"}, {"plovet-media", "new.png", "<absent>"}, {"velk-media", "dir.png", "<absent>"},
        {"other-media", "x.png", "<absent>"}, {"velk-media/", "new.png", "<absent>"}, {"VELK-MEDIA", "new.png", "<absent>"}, {"velk-media", "a..png", "<absent>"},
        {"velk-media", "photo.jpeg", "<absent>"}, {"plovet-media", "../velk-media/new.png", "<absent>"}};
    for (const auto& [directory, name, bytes] : served) EXPECT_EQ(text(Media::data(tree, name, directory)), bytes) << directory << " " << name;
}

TEST(MediaStore, SameBytesAreStoredOnceUnderTheExtensionOfTheirType) {
    DocumentTree tree;
    tree.write("abc", "plovet-media/ba7816bf8f01cfea.jpg");  // the old directory is never reused
    EXPECT_EQ(*Media::store(tree, "abc", "image/png"), (Media::StoredMedia{"velk-media/ba7816bf8f01cfea.png", true}));
    EXPECT_EQ(text(tree.data("velk-media/ba7816bf8f01cfea.png")), "abc");
    const DocumentTree before = tree;
    EXPECT_EQ(*Media::store(tree, "abc", "image/png; q=1"), (Media::StoredMedia{"velk-media/ba7816bf8f01cfea.png", false}));
    EXPECT_TRUE(tree.sameStorage(before));
    EXPECT_EQ(Media::store(tree, "abc", "image/jpeg")->path, "velk-media/ba7816bf8f01cfea.jpg");
    EXPECT_EQ(Media::store(tree, "abc", "IMAGE/SVG+XML;charset=utf-8")->path, "velk-media/ba7816bf8f01cfea.svg");
    EXPECT_EQ(tree.child("velk-media")->children().size(), 3u);
}

// Bytes that cannot be read: the store must decide on their length alone.
struct UnreadableBytes {
    std::size_t size;
    void* address = mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ~UnreadableBytes() { munmap(address, size); }
    std::string_view view() const { return {static_cast<const char*>(address), size}; }
};

TEST(MediaStore, FailuresReportTheFirstFailedCheckAndChangeNothing) {
    const UnreadableBytes oversized{Media::maxBytes + 1};
    ASSERT_NE(oversized.address, MAP_FAILED);
    DocumentTree tree;
    EXPECT_EQ(Media::store(tree, std::string(Media::maxBytes, 'x'), "image/gif")->path, "velk-media/46dcc78038501967.gif");  // the largest
    const DocumentTree before = tree;
    // One byte more is refused without a byte being read (reading would fault).
    const std::tuple<std::string_view, std::string_view, MediaError> cases[] = {
        {"abc", "image/heic", MediaError::unsupportedType("image/heic")}, {"abc", " Image/JPG ; q=1", MediaError::unsupportedType("image/jpg")},
        {"abc", "", MediaError::unsupportedType("")}, {"", "image/heic", MediaError::unsupportedType("image/heic")}, {"", "image/png", MediaError::empty()},
        {oversized.view(), "image/png", MediaError::tooLarge()}, {oversized.view(), "image/heic", MediaError::unsupportedType("image/heic")}};
    for (const auto& [bytes, type, error] : cases) {
        EXPECT_EQ(Media::store(tree, bytes, type).error(), error) << type;
        EXPECT_TRUE(tree.sameStorage(before));
    }
    EXPECT_EQ(MediaError::unsupportedType("image/heic").description(), "unsupported image type: image/heic");
    EXPECT_EQ(MediaError::tooLarge().description(), "image is larger than 25 MiB");
}

TEST(MediaStore, TheTotalLimitCountsFilesDirectlyInServedDirectoriesAndSparesStoredImages) {
    // Both directories together hold one byte less than the limit, all in one shared buffer.
    const auto mebibyte = std::make_shared<const std::string>(1048576, 'm');
    const std::string storedName = Media::contentName(*mebibyte, ".png");
    DocumentTree tree;
    tree.write(mebibyte, "velk-media/" + storedName);
    for (int i = 1; i < 300; ++i) tree.write(mebibyte, "velk-media/fill" + std::to_string(i) + ".png");
    for (int i = 300; i < 511; ++i) tree.write(mebibyte, "plovet-media/fill" + std::to_string(i) + ".png");
    tree.write(std::string(1048575, 'l'), "plovet-media/last.png");
    for (const char* uncounted : {"velk-media/nested/c.png", "other-media/d.png", "e.png"}) tree.write(mebibyte, uncounted);
    ASSERT_EQ(Media::mediaBytes(tree), Media::maxDirectoryBytes - 1);
    EXPECT_EQ(Media::mediaBytes(testing_support::treeOf({{"plovet-media", "a file"}})), 0u);
    // Already stored: a mebibyte over the limit, yet found without writing.
    EXPECT_EQ(*Media::store(tree, *mebibyte, "image/png"), (Media::StoredMedia{"velk-media/" + storedName, false}));
    ASSERT_TRUE(Media::store(tree, "a", "image/png"));  // reaches the limit exactly
    EXPECT_EQ(Media::mediaBytes(tree), Media::maxDirectoryBytes);
    const auto full = Media::store(tree, "b", "image/png");
    EXPECT_EQ(full.error(), MediaError::directoryFull());
    EXPECT_EQ(full.error().description(), "this map's images already total 512 MiB");
    EXPECT_FALSE(Media::store(tree, "a", "image/png")->written);
}

}  // namespace
}  // namespace velk
