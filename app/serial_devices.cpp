#include "app/serial_devices.h"

#include <dirent.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 4> kSerialPrefixes = {"ttyUSB", "ttyACM", "rfcomm", "ttyAMA"};

bool IsSerialName(std::string_view name) {
    for (auto prefix : kSerialPrefixes)
        if (name.starts_with(prefix) && name.size() > prefix.size()) return true;
    return false;
}

}  // namespace

std::vector<std::string> ListSerialDevices(const std::string& dev_folder) {
    std::vector<std::string> devices;
    DIR* dir = opendir(dev_folder.c_str());
    if (dir == nullptr) return devices;
    while (const dirent* entry = readdir(dir))
        if (IsSerialName(entry->d_name)) devices.push_back(dev_folder + "/" + entry->d_name);
    closedir(dir);
    std::sort(devices.begin(), devices.end());
    return devices;
}
