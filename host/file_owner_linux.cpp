#include "host/file_owner.h"

#include <grp.h>
#include <sys/stat.h>

namespace cantavo {

std::optional<std::string> OwningGroup(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return std::nullopt;
    const group* owner = getgrgid(info.st_gid);
    return owner ? owner->gr_name : std::to_string(info.st_gid);
}

}  // namespace cantavo
