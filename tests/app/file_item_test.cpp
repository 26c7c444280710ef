#include "app/file_item.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/folder_listing.h"

namespace cantavo {
namespace {

CFileItem Folder(const std::string& name) {
    return {name, "/x/" + name, 0, 0, 1};
}
CFileItem File(const std::string& name, std::uint32_t size, std::time_t modified) {
    return {name, "/x/" + name, size, modified, 0};
}

std::vector<std::string> SortedNames(std::vector<CFileItem> items, int column) {
    SortFileItems(items, column);
    std::vector<std::string> names;
    for (const auto& item : items) names.push_back(item.name);
    return names;
}

// A folder as the file system might return it: no order at all.
std::vector<CFileItem> MixedFolder() {
    return {File("b.mmf", 300, 20), Folder("zeta"),         File("A.mmf", 100, 30), Folder(".."),
            Folder("Alpha"),        File("c.txt", 200, 10), Folder("beta")};
}

TEST(CompareFileItems, ParentFirstThenFoldersByNameIgnoringCaseThenFiles) {
    EXPECT_EQ(SortedNames(MixedFolder(), kColumnName),
              (std::vector<std::string>{"..", "Alpha", "beta", "zeta", "A.mmf", "b.mmf", "c.txt"}));
}

TEST(CompareFileItems, SizeAndDateColumnsReorderOnlyTheFiles) {
    EXPECT_EQ(SortedNames(MixedFolder(), kColumnSize),
              (std::vector<std::string>{"..", "Alpha", "beta", "zeta", "A.mmf", "c.txt", "b.mmf"}));
    EXPECT_EQ(SortedNames(MixedFolder(), kColumnDate),
              (std::vector<std::string>{"..", "Alpha", "beta", "zeta", "c.txt", "b.mmf", "A.mmf"}));
}

TEST(CompareFileItems, SingleComparisons) {
    // ".." wins from either side, even against a folder whose name sorts before it.
    EXPECT_LT(CompareFileItems(Folder(".."), Folder("!first"), kColumnName), 0);
    EXPECT_GT(CompareFileItems(Folder("!first"), Folder(".."), kColumnName), 0);
    EXPECT_LT(CompareFileItems(Folder("z"), File("a", 0, 0), kColumnSize), 0);
    EXPECT_GT(CompareFileItems(File("a", 0, 0), Folder("z"), kColumnDate), 0);
    EXPECT_EQ(CompareFileItems(File("Song", 5, 5), File("song", 5, 5), kColumnName), 0);
    // Sizes compare as a signed 32-bit difference.
    EXPECT_EQ(CompareFileItems(File("a", 10, 0), File("b", 3, 0), kColumnSize), 7);
    // A column beyond the three makes all files equal; folders still go by name.
    EXPECT_EQ(CompareFileItems(File("a", 1, 1), File("b", 2, 2), 3), 0);
    EXPECT_LT(CompareFileItems(Folder("a"), Folder("b"), 3), 0);
}

}  // namespace
}  // namespace cantavo
