// The serial ports present on this machine, by the names that stay the same from one plug-in to the next.
#pragma once

#include <string>
#include <vector>

namespace cantavo {

struct SerialPort {
    std::string path;    // what to open: the stable name (/dev/serial/by-id/...) where there is one
    std::string kernel;  // the kernel's name of the device, e.g. "ttyUSB0"

    // "path (kernel)", or the path alone when it is the kernel's own device.
    std::string DisplayName() const;
    bool operator==(const SerialPort&) const = default;
};

// Where the system describes its devices; tests point these at folders of their own.
struct DeviceFolders {
    std::string dev = "/dev";
    std::string tty_class = "/sys/class/tty";
};

// USB adapters, modems, Bluetooth links and board UARTs, and the built-in ports the system reports as
// present, sorted by kernel name (ttyUSB2 before ttyUSB10).
std::vector<SerialPort> ListSerialPorts(const DeviceFolders& folders = {});

// Whether `device` (symbolic links followed) is the slave end of a pseudo-terminal, as the virtual handset
// serves; no serial port is one. Asked without opening the device.
bool IsPseudoTerminal(const std::string& device);

}  // namespace cantavo
