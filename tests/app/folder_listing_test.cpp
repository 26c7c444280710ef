#include "app/folder_listing.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app_test_support.h"
#include "host/folder_entries.h"

namespace cantavo {
namespace {

using testing::TempFolder;

const CFileItem* Find(const std::vector<CFileItem>& items, const std::string& name) {
    auto found =
        std::find_if(items.begin(), items.end(), [&](const CFileItem& item) { return item.name == name; });
    return found == items.end() ? nullptr : &*found;
}

TEST(ListFolder, ListsEveryEntryWithParentAndDetails) {
    TempFolder folder;
    folder.MakeFile("song.mmf", 1234);
    folder.MakeFile("notes.txt", 7);
    folder.MakeFile("sub/inner.mmf", 1);
    const auto items = ListFolder(folder.Path().string());
    ASSERT_TRUE(items.has_value());
    ASSERT_EQ(items->size(), 4u);  // "..", the two files of any extension, the sub-folder; "." is left out
    EXPECT_EQ(items->front().name, "..");
    EXPECT_EQ(items->front().path, folder.Path().parent_path().string());
    EXPECT_EQ(Find(*items, "song.mmf")->size, 1234u);
    EXPECT_EQ(Find(*items, "song.mmf")->path, (folder.Path() / "song.mmf").string());
    EXPECT_EQ(Find(*items, "notes.txt")->isDir, 0);
    EXPECT_EQ(Find(*items, "sub")->isDir, 1);
    EXPECT_EQ(Find(*items, "sub")->size, 0u);
    EXPECT_EQ(Find(*items, "."), nullptr);
}

TEST(ListFolder, RootHasNoParentAndMissingFolderGivesNothing) {
    const auto root = ListFolder("/");
    ASSERT_TRUE(root.has_value());
    EXPECT_EQ(Find(*root, ".."), nullptr);
    EXPECT_FALSE(ListFolder("/no/such/folder/here").has_value());
}

TEST(FolderPaths, ParentJoinAndProbe) {
    EXPECT_EQ(ParentFolder("/home/user/music"), "/home/user");
    EXPECT_EQ(ParentFolder("/home"), "/");
    EXPECT_EQ(ParentFolder("/media/card/"), "/media");
    EXPECT_EQ(ParentFolder("/"), "/");
    EXPECT_EQ(JoinPath("/a", "b.mmf"), "/a/b.mmf");
    EXPECT_EQ(JoinPath("/", "b.mmf"), "/b.mmf");
    TempFolder folder;
    const auto file = folder.MakeFile("x.mmf", 3);
    EXPECT_TRUE(IsReadableFolder(folder.Path().string()));
    EXPECT_FALSE(IsReadableFolder(file.string()));
}

}  // namespace
}  // namespace cantavo
