#include "tools/cli/phase_meter.h"

#include <cstdio>

namespace cantavo::cli {

double CPhaseMeter::CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void CPhaseMeter::Start() {
    m_start = std::chrono::steady_clock::now();
    m_cpuStart = CpuSeconds();
    m_outStart = m_serial.BytesWritten();
    m_inStart = m_serial.BytesRead();
}

void CPhaseMeter::Stop(const std::string& name) {
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - m_start;
    std::fprintf(stderr, "stats: %s wall=%.4f cpu=%.4f out=%llu in=%llu\n", name.c_str(), wall.count(),
                 CpuSeconds() - m_cpuStart,
                 static_cast<unsigned long long>(m_serial.BytesWritten() - m_outStart),
                 static_cast<unsigned long long>(m_serial.BytesRead() - m_inStart));
}

}  // namespace cantavo::cli
