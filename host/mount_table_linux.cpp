#include "host/mount_table.h"

#include <fstream>
#include <sstream>

namespace cantavo {
namespace {

constexpr char kMountTable[] = "/proc/self/mounts";

bool IsOctal(char c) {
    return c >= '0' && c <= '7';
}

// The mount table writes blanks, tabs, newlines and backslashes in paths as three-digit octal escapes.
std::string DecodeMountPath(std::string_view field) {
    std::string path;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) && IsOctal(field[i + 2]) &&
            IsOctal(field[i + 3])) {
            path += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                      (field[i + 3] - '0'));
            i += 3;
        } else {
            path += field[i];
        }
    }
    return path;
}

}  // namespace

// Lines of "device mount-point type options dump pass".
std::vector<MountEntry> ParseMountTable(std::string_view table) {
    std::vector<MountEntry> entries;
    std::istringstream lines{std::string(table)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, mount_point, type;
        if (!(fields >> device >> mount_point >> type)) continue;
        entries.push_back({DecodeMountPath(mount_point), type});
    }
    return entries;
}

std::vector<MountEntry> ReadMountTable() {
    std::ifstream table(kMountTable);
    std::stringstream text;
    text << table.rdbuf();
    return ParseMountTable(text.str());
}

}  // namespace cantavo
