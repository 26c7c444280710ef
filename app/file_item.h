// One row of the file browser and the order the rows are shown in.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace cantavo {

struct CFileItem {
    std::string name;          // entry name as found, ".." included
    std::string path;          // full path of the entry
    std::uint32_t size = 0;    // file length in bytes (0 for folders), clamped to 32 bits
    std::time_t modified = 0;  // last-write time, seconds since the epoch
    int isDir = 0;             // 1 for a folder
};

// Column indexes of the file list.
enum FileColumn : int { kColumnName = 0, kColumnSize = 1, kColumnDate = 2 };

// <0, 0 or >0 like strcmp: ".." first, folders before files and by name (case ignored) whatever the column;
// files by the clicked column (size, date), by name for column 0.
int CompareFileItems(const CFileItem& item1, const CFileItem& item2, int column);

}  // namespace cantavo
