#include "package/DocumentTree.h"
#include "package/FileWrapperTree.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

std::string text(const SharedBytes& bytes) { return bytes ? *bytes : "<absent>"; }

TEST(DocumentTree, LookupsFollowSegmentsAndIgnoreEmptyOnes) {
    DocumentTree tree;
    tree.write("c", "a/b/c");
    tree.write("top", "x");
    EXPECT_EQ(text(tree.data("a/b/c")), "c");
    EXPECT_EQ(text(tree.data("/a//b/c/")), "c");
    EXPECT_TRUE(tree.at("")->isDirectory());
    EXPECT_TRUE(tree.at("/")->isDirectory());
    EXPECT_EQ(text(tree.data("")), "<absent>");      // the root is a directory
    EXPECT_EQ(text(tree.data("a")), "<absent>");     // so is a
    EXPECT_FALSE(tree.at("x/y"));                    // through a file
    EXPECT_FALSE(tree.at("a/missing"));
    EXPECT_TRUE(tree.child("a")->isDirectory());
    EXPECT_FALSE(tree.child("a/b"));                 // one name, not a path
    EXPECT_FALSE(tree.at("x")->child("y"));
    EXPECT_EQ(text(tree.at("a")->data("b/c")), "c");
}

TEST(DocumentTree, WritingReplacesWhateverIsOnTheWay) {
    DocumentTree tree;
    tree.write("1", "a");
    tree.write("2", "a/b");  // the file a becomes a directory holding b
    EXPECT_TRUE(tree.at("a")->isDirectory());
    EXPECT_EQ(text(tree.data("a/b")), "2");
    tree.write("3", "a");    // and the directory a becomes a file again
    EXPECT_EQ(text(tree.data("a")), "3");
    const DocumentTree before = tree;
    tree.write("4", "/");
    tree.write("5", "///");
    tree.write("6", "");
    EXPECT_EQ(tree, before);
    tree.write("", "empty");
    EXPECT_EQ(text(tree.data("empty")), "");
}

TEST(DocumentTree, RemovingTakesFilesOnly) {
    DocumentTree tree;
    tree.write("b", "a/b");
    tree.write("d", "c/d");
    tree.remove("c");  // a directory stays
    EXPECT_TRUE(tree.at("c/d"));
    tree.remove("a/b");
    EXPECT_TRUE(tree.at("a")->isDirectory());  // emptied, still there
    EXPECT_TRUE(tree.at("a")->children().empty());
    const DocumentTree before = tree;
    tree.remove("missing/path");
    tree.remove("");
    EXPECT_EQ(tree, before);
}

TEST(DocumentTree, MovingKeepsTheFileWhateverTheSpelling) {
    DocumentTree tree;
    tree.write("x", "x");
    tree.write("n", "dir/n");
    tree.move("x", "d/x");
    EXPECT_FALSE(tree.at("x"));
    EXPECT_EQ(text(tree.data("d/x")), "x");
    tree.move("d/x", "/d//x/");  // the same path spelled differently
    EXPECT_EQ(text(tree.data("d/x")), "x");
    const DocumentTree before = tree;
    tree.move("dir", "elsewhere");  // directories do not move
    tree.move("missing", "elsewhere");
    tree.move("d/x", "d/x");
    EXPECT_EQ(tree, before);
}

TEST(DocumentTree, CopiesShareUntouchedStorage) {
    DocumentTree tree;
    for (int i = 0; i < 10'000; ++i) tree.write("image " + std::to_string(i), "velk-media/" + std::to_string(i) + ".png");
    tree.write("{}", "map.canvas");
    const DocumentTree copy = tree;
    EXPECT_TRUE(copy.sameStorage(tree));
    tree.write("{\"nodes\":[]}", "map.canvas");
    EXPECT_FALSE(copy.sameStorage(tree));
    EXPECT_EQ(text(copy.data("map.canvas")), "{}");  // the copy never changes
    EXPECT_TRUE(copy.at("velk-media")->sameStorage(*tree.at("velk-media")));
    EXPECT_EQ(copy.data("velk-media/7.png"), tree.data("velk-media/7.png"));  // the very same bytes
    EXPECT_NE(copy, tree);
}

TEST(DocumentTree, EqualityIsStructural) {
    DocumentTree a, b;
    a.write("1", "x/y");
    a.write("2", "z");
    b.write("2", "z");
    b.write("1", "x/y");
    EXPECT_EQ(a, b);
    b.write("1 ", "x/y");
    EXPECT_NE(a, b);
    EXPECT_NE(DocumentTree::file("x"), DocumentTree());
    EXPECT_EQ(DocumentTree::file(""), DocumentTree::file(SharedBytes()));
}

TEST(DocumentTree, HostileDepthIsBuiltComparedAndDestroyedWithoutRecursion) {
    std::string path;
    for (int i = 0; i < 200'000; ++i) path += "d/";
    DocumentTree a, b;
    a.write("deep", path + "f");
    b.write("deep", path + "f");
    EXPECT_EQ(a, b);
    EXPECT_EQ(text(a.data(path + "f")), "deep");
}

TEST(FileWrapperTree, EmptyDocumentHoldsOnlyTheRootCanvas) {
    const DocumentTree tree = FileWrapperTree::emptyDocument();
    ASSERT_EQ(tree.children().size(), 1u);
    EXPECT_EQ(text(tree.data("map.canvas")), "{\n\t\"nodes\": [],\n\t\"edges\": []\n}\n");
}

}  // namespace
}  // namespace velk
