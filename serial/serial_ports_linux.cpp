#include "serial/serial_ports.h"

#include <linux/major.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <string_view>
#include <system_error>
#include <vector>

namespace cantavo {
namespace {

namespace fs = std::filesystem;

// Devices that exist only when their hardware does.
constexpr std::array<std::string_view, 4> kPluggedPrefixes = {"ttyUSB", "ttyACM", "rfcomm", "ttyAMA"};
// Built-in ports: the kernel makes these whether or not a UART answers, and reports the UART type (0 for
// none).
constexpr std::string_view kBuiltInPrefix = "ttyS";
constexpr std::string_view kStableNames = "serial/by-id";

bool HasNumberAfter(std::string_view name, std::string_view prefix) {
    return name.size() > prefix.size() && name.starts_with(prefix) &&
           std::all_of(name.begin() + prefix.size(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsPluggedDevice(std::string_view name) {
    return std::any_of(kPluggedPrefixes.begin(), kPluggedPrefixes.end(),
                       [name](std::string_view prefix) { return HasNumberAfter(name, prefix); });
}

bool IsPresentBuiltInPort(const std::string& name, const DeviceFolders& folders) {
    if (!HasNumberAfter(name, kBuiltInPrefix)) return false;
    std::ifstream type_file(fs::path(folders.tty_class) / name / "type");
    int type = 0;
    return static_cast<bool>(type_file >> type) && type != 0;
}

// The entries of a folder; none when it cannot be read. Steps without exceptions.
std::vector<fs::path> FolderEntries(const fs::path& folder) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(it->path());
    return entries;
}

// Kernel name to stable name, from the links the device manager keeps.
std::map<std::string, std::string> StableNames(const DeviceFolders& folders) {
    std::map<std::string, std::string> names;
    for (const fs::path& link : FolderEntries(fs::path(folders.dev) / kStableNames)) {
        std::error_code error;
        const fs::path target = fs::read_symlink(link, error);
        if (error) continue;
        // Several links to one device: the first by name, so the choice does not change between runs.
        auto [at, added] = names.emplace(target.filename().string(), link.string());
        if (!added && link.string() < at->second) at->second = link.string();
    }
    return names;
}

// ttyUSB2 before ttyUSB10.
bool KernelOrder(const SerialPort& a, const SerialPort& b) {
    const auto digits = [](const std::string& name) { return name.find_first_of("0123456789"); };
    const size_t a_at = digits(a.kernel), b_at = digits(b.kernel);
    const std::string_view a_prefix(a.kernel.data(), std::min(a_at, a.kernel.size()));
    const std::string_view b_prefix(b.kernel.data(), std::min(b_at, b.kernel.size()));
    if (a_prefix != b_prefix) return a_prefix < b_prefix;
    if (a.kernel.size() != b.kernel.size()) return a.kernel.size() < b.kernel.size();
    return a.kernel < b.kernel;
}

}  // namespace

std::string SerialPort::DisplayName() const {
    const fs::path own_device = fs::path(path).parent_path() / kernel;
    return own_device == fs::path(path) ? path : path + " (" + kernel + ")";
}

std::vector<SerialPort> ListSerialPorts(const DeviceFolders& folders) {
    std::map<std::string, std::string> stable = StableNames(folders);
    std::vector<SerialPort> ports;
    for (const fs::path& device : FolderEntries(folders.dev)) {
        const std::string name = device.filename().string();
        const auto link = stable.find(name);
        if (link != stable.end()) {
            ports.push_back({link->second, name});
            stable.erase(link);
        } else if (IsPluggedDevice(name) || IsPresentBuiltInPort(name, folders)) {
            ports.push_back({device.string(), name});
        }
    }
    std::sort(ports.begin(), ports.end(), KernelOrder);
    return ports;
}

bool IsPseudoTerminal(const std::string& device) {
    struct stat info {};
    if (stat(device.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return false;
    const unsigned int number = major(info.st_rdev);
    return number >= UNIX98_PTY_SLAVE_MAJOR && number < UNIX98_PTY_SLAVE_MAJOR + UNIX98_PTY_MAJOR_COUNT;
}

}  // namespace cantavo
