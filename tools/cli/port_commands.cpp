// ports: the serial ports present, as --port takes them.
#include <cstdio>

#include "serial/serial_ports.h"
#include "tools/cli/commands.h"

namespace cantavo::cli {

int ListPorts() {
    const std::vector<SerialPort> ports = ListSerialPorts();
    for (const SerialPort& port : ports) std::printf("%s\n", port.DisplayName().c_str());
    if (ports.empty()) std::fprintf(stderr, "cantavo-cli: no serial ports found\n");
    return kExitSuccess;
}

}  // namespace cantavo::cli
