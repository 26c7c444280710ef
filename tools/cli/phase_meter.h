#pragma once
// Wall time, process CPU time and serial bytes of one phase of a transfer (cantavo-cli --stats).

#include <chrono>
#include <cstdint>
#include <string>

#include "serial/serial_port.h"

namespace cantavo::cli {

class CPhaseMeter {
public:
    explicit CPhaseMeter(const ISerialPort& serial) : m_serial(serial) {}
    void Start();
    // One line: "stats: NAME wall=S cpu=S out=N in=N" on stderr.
    void Stop(const std::string& name);

private:
    static double CpuSeconds();

    const ISerialPort& m_serial;
    std::chrono::steady_clock::time_point m_start{};
    double m_cpuStart = 0;
    uint64_t m_outStart = 0;
    uint64_t m_inStart = 0;
};

}  // namespace cantavo::cli
