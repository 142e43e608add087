#include "package/Media.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <string>

namespace velk {
namespace {

std::string text(const SharedBytes& bytes) { return bytes ? *bytes : "<absent>"; }

TEST(Media, BareTypeDropsParametersTrimsAndLowercases) {
    struct Case {
        std::string_view type, bare;
    };
    const Case cases[] = {
        {"Image/PNG; q=1", "image/png"},
        {"IMAGE/SVG+XML;charset=utf-8", "image/svg+xml"},
        {";;image/gif;x", "image/gif"},                   // empty pieces are skipped
        {" ;image/gif", ""},                              // a blank piece is not empty
        {"\t\xC2\xA0image/webp\xE3\x80\x80 ", "image/webp"},  // tab, no-break and ideographic spaces
        {"image/png\n", "image/png\n"},                   // line breaks stay
        {";", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.type)));
        EXPECT_EQ(Media::bareType(c.type), c.bare);
    }
}

TEST(Media, ContentNameIsTheDigestPrefixPlusExtension) {
    struct Case {
        std::string bytes;
        std::string_view extension, name;
    };
    const Case cases[] = {
        {"abc", ".png", "ba7816bf8f01cfea.png"},
        {"", ".gif", "e3b0c44298fc1c14.gif"},
        {std::string(1, '\0'), ".jpg", "6e340b9cffb37a98.jpg"},  // a NUL byte is content, not an end
        {"The quick brown fox jumps over the lazy dog", ".svg", "d7a8fbb307d78094.svg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(Media::contentName(c.bytes, c.extension), c.name);
    }
}

TEST(Media, NamesAreServedByTheirLastExtensionOnly) {
    struct Case {
        std::string_view name;
        std::optional<std::string_view> type;
        bool servable;
    };
    const Case cases[] = {
        {"ba7816bf8f01cfea.png", "image/png", true},
        {"Photo.JPG", "image/jpeg", true},
        {"a.tar.Svg", "image/svg+xml", true},
        {"photo.jpeg", std::nullopt, false},
        {"a.png.txt", std::nullopt, false},
        {"png", std::nullopt, false},
        {"a.", std::nullopt, false},
        {".png", "image/png", false},        // hidden file
        {"..png", "image/png", false},
        {"a..png", "image/png", false},
        {"sub/a.png", "image/png", false},
        {"sub\\a.png", "image/png", false},
        {"", std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Media::mimeType(c.name), c.type);
        EXPECT_EQ(Media::isServableName(c.name), c.servable);
    }
}

TEST(MediaStore, SameBytesAreStoredOnce) {
    DocumentTree tree;
    const auto first = Media::store(tree, "abc", "image/png");
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, (Media::StoredMedia{"velk-media/ba7816bf8f01cfea.png", true}));
    EXPECT_EQ(text(tree.data(first->path)), "abc");

    const DocumentTree before = tree;
    const auto second = Media::store(tree, "abc", "image/png; q=1");
    ASSERT_TRUE(second);
    EXPECT_EQ(*second, (Media::StoredMedia{first->path, false}));
    EXPECT_TRUE(tree.sameStorage(before));
}

TEST(MediaStore, TheTypeChoosesTheExtension) {
    DocumentTree tree;
    tree.write("abc", "plovet-media/ba7816bf8f01cfea.jpg");  // the old directory is never reused
    EXPECT_EQ(Media::store(tree, "abc", "image/png")->path, "velk-media/ba7816bf8f01cfea.png");
    EXPECT_EQ(Media::store(tree, "abc", "image/jpeg")->path, "velk-media/ba7816bf8f01cfea.jpg");
    EXPECT_EQ(Media::store(tree, "abc", "IMAGE/SVG+XML;charset=utf-8")->path, "velk-media/ba7816bf8f01cfea.svg");
    EXPECT_EQ(tree.child("velk-media")->children().size(), 3u);
}

TEST(MediaStore, FailuresReportTheFirstFailedCheckAndChangeNothing) {
    struct Case {
        std::string_view bytes, type;
        MediaError error;
        std::string_view message;
    };
    const Case cases[] = {
        {"abc", "image/heic", MediaError::unsupportedType("image/heic"), "unsupported image type: image/heic"},
        {"abc", " Image/JPG ; q=1", MediaError::unsupportedType("image/jpg"), "unsupported image type: image/jpg"},
        {"abc", "", MediaError::unsupportedType(""), "unsupported image type: "},
        {"", "image/heic", MediaError::unsupportedType("image/heic"), "unsupported image type: image/heic"},
        {"", "image/png", MediaError::empty(), "empty image"},
    };
    DocumentTree tree;
    tree.write("x", "velk-media/old.png");
    const DocumentTree before = tree;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.type)));
        const auto stored = Media::store(tree, c.bytes, c.type);
        ASSERT_FALSE(stored);
        EXPECT_EQ(stored.error(), c.error);
        EXPECT_EQ(stored.error().description(), c.message);
        EXPECT_TRUE(tree.sameStorage(before));
    }
}

// Bytes that cannot be read: the store must decide on their length alone.
class UnreadableBytes {
public:
    explicit UnreadableBytes(std::size_t size)
        : m_size(size), m_address(mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)) {}
    ~UnreadableBytes() {
        if (m_address != MAP_FAILED) munmap(m_address, m_size);
    }
    UnreadableBytes(const UnreadableBytes&) = delete;
    UnreadableBytes& operator=(const UnreadableBytes&) = delete;
    bool valid() const { return m_address != MAP_FAILED; }
    std::string_view view() const { return {static_cast<const char*>(m_address), m_size}; }

private:
    std::size_t m_size;
    void* m_address;
};

TEST(MediaStore, TheSingleImageLimitIsTwentyFiveMebibytes) {
    DocumentTree tree;
    const auto largest = Media::store(tree, std::string(Media::maxBytes, 'x'), "image/gif");
    ASSERT_TRUE(largest);
    EXPECT_EQ(largest->path, "velk-media/46dcc78038501967.gif");

    // One byte more is refused without a byte being read (reading would fault), so no digest
    // was computed.
    const UnreadableBytes oversized(Media::maxBytes + 1);
    ASSERT_TRUE(oversized.valid());
    const DocumentTree before = tree;
    const auto refused = Media::store(tree, oversized.view(), "image/png");
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), MediaError::tooLarge());
    EXPECT_EQ(refused.error().description(), "image is larger than 25 MiB");
    EXPECT_EQ(Media::store(tree, oversized.view(), "image/heic").error(), MediaError::unsupportedType("image/heic"));
    EXPECT_TRUE(tree.sameStorage(before));
}

TEST(MediaStore, OnlyFilesDirectlyInServedDirectoriesCount) {
    DocumentTree tree;
    tree.write("12345", "velk-media/a.png");
    tree.write("123", "plovet-media/b.jpg");
    tree.write("not counted", "velk-media/nested/c.png");
    tree.write("not counted", "other-media/d.png");
    tree.write("not counted", "e.png");
    EXPECT_EQ(Media::mediaBytes(tree), 8u);

    DocumentTree legacyIsAFile;
    legacyIsAFile.write("not counted", "plovet-media");
    EXPECT_EQ(Media::mediaBytes(legacyIsAFile), 0u);
}

TEST(MediaStore, TheTotalLimitIsFiveHundredTwelveMebibytesAndSparesStoredImages) {
    // Both directories together hold one byte less than the limit, all in one shared buffer.
    const auto mebibyte = std::make_shared<const std::string>(1048576, 'm');
    const std::string storedName = Media::contentName(*mebibyte, ".png");
    DocumentTree tree;
    tree.write(mebibyte, "velk-media/" + storedName);
    for (int i = 1; i < 300; ++i) tree.write(mebibyte, "velk-media/fill" + std::to_string(i) + ".png");
    for (int i = 300; i < 511; ++i) tree.write(mebibyte, "plovet-media/fill" + std::to_string(i) + ".png");
    tree.write(std::string(1048575, 'l'), "plovet-media/last.png");
    tree.write(mebibyte, "velk-media/nested/uncounted.png");
    ASSERT_EQ(Media::mediaBytes(tree), Media::maxDirectoryBytes - 1);

    // Already stored: a mebibyte over the limit, yet found without writing.
    const auto again = Media::store(tree, *mebibyte, "image/png");
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, (Media::StoredMedia{"velk-media/" + storedName, false}));

    ASSERT_TRUE(Media::store(tree, "a", "image/png"));  // reaches the limit exactly
    EXPECT_EQ(Media::mediaBytes(tree), Media::maxDirectoryBytes);

    const auto full = Media::store(tree, "b", "image/png");
    ASSERT_FALSE(full);
    EXPECT_EQ(full.error(), MediaError::directoryFull());
    EXPECT_EQ(full.error().description(), "this map's images already total 512 MiB");
    EXPECT_FALSE(Media::store(tree, "a", "image/png")->written);
}

TEST(MediaData, ServesPlainNamesFromTheMediaDirectoriesOnly) {
    DocumentTree tree;
    // The name rules have their own table; here a file is present wherever a name is refused.
    for (const auto* path : {"velk-media/new.png", "plovet-media/Old.JPG", "other-media/x.png", "velk-media/a..png",
                             "velk-media/photo.jpeg"}) {
        tree.write(path, path);
    }
    tree.write("inside", "velk-media/dir.png/inner.png");
    struct Case {
        std::string_view directory, name, served;
    };
    const Case cases[] = {
        {"velk-media", "new.png", "velk-media/new.png"},
        {"plovet-media", "Old.JPG", "plovet-media/Old.JPG"},
        {"plovet-media", "new.png", "<absent>"},
        {"velk-media", "missing.png", "<absent>"},
        {"velk-media", "dir.png", "<absent>"},
        {"other-media", "x.png", "<absent>"},
        {"velk-media/", "new.png", "<absent>"},
        {"VELK-MEDIA", "new.png", "<absent>"},
        {"velk-media", "a..png", "<absent>"},
        {"velk-media", "photo.jpeg", "<absent>"},
        {"plovet-media", "../velk-media/new.png", "<absent>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.directory) + " " + std::string(c.name));
        EXPECT_EQ(text(Media::data(tree, c.name, c.directory)), c.served);
    }
}

}  // namespace
}  // namespace velk
