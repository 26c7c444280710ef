#include "tools/cli/phase_meter.h"

#include <cstdio>

#include "host/process_times.h"

namespace cantavo::cli {

void CPhaseMeter::Start() {
    m_start = std::chrono::steady_clock::now();
    m_cpuStart = ProcessCpuSeconds();
    m_outStart = m_serial.BytesWritten();
    m_inStart = m_serial.BytesRead();
}

void CPhaseMeter::Stop(const std::string& name) {
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - m_start;
    std::fprintf(stderr, "stats: %s wall=%.4f cpu=%.4f out=%llu in=%llu\n", name.c_str(), wall.count(),
                 ProcessCpuSeconds() - m_cpuStart,
                 static_cast<unsigned long long>(m_serial.BytesWritten() - m_outStart),
                 static_cast<unsigned long long>(m_serial.BytesRead() - m_inStart));
}

}  // namespace cantavo::cli
