#include "app/file_item.h"

#include <strings.h>

namespace cantavo {
namespace {

constexpr const char* kParentName = "..";

}  // namespace

int CompareFileItems(const CFileItem& item1, const CFileItem& item2, int column) {
    if (item1.name == kParentName) return -1;
    // The mirror rule keeps the order consistent (a sort needs compare(a, b) == -compare(b, a)).
    if (item2.name == kParentName) return 1;
    if (!(item1.isDir && item2.isDir)) {
        if (item1.isDir) return -1;
        if (item2.isDir) return 1;
        switch (column) {
            case kColumnName:
                break;
            case kColumnSize:
                return static_cast<std::int32_t>(item1.size - item2.size);
            case kColumnDate:
                return item1.modified > item2.modified ? 1 : item1.modified < item2.modified ? -1 : 0;
            default:
                return 0;
        }
    }
    return strcasecmp(item1.name.c_str(), item2.name.c_str());
}

}  // namespace cantavo
