#include "tools/handset/virtual_handset.h"

#include <algorithm>
#include <cstdio>

#include "host/precise_sleep.h"
#include "transfer/protocol.h"

namespace cantavo::handset {
namespace {

constexpr size_t kReadChunkBytes = 256;
// Paced waits longer than this watch for Stop; shorter ones just sleep.
constexpr auto kStoppableWait = std::chrono::milliseconds(5);
// Weight 1/N of each new timer lateness in its running mean.
constexpr int kLatenessAveraging = 16;

std::chrono::nanoseconds LineTime(size_t bytes, uint32_t baud) {
    return std::chrono::nanoseconds(bytes * protocol::kBitsPerByte * 1000000000ull / baud);
}

}  // namespace

CVirtualHandset::CVirtualHandset(HandsetOptions options)
    : m_options(std::move(options)),
      m_machine(m_flash, *this, m_options.settings, [this](const std::string& text) { Log(text); }) {}

void CVirtualHandset::Log(const std::string& text) const {
    if (m_options.verbose) std::fprintf(stderr, "cantavo-handset: %s\n", text.c_str());
}

bool CVirtualHandset::Open(std::string& error) {
    if (!m_flash.Open(m_options.flash, error)) return false;
    if (m_options.realtime) RequestPreciseTimers();
    return m_terminal.Open(m_options.link, error);
}

std::string CVirtualHandset::DevicePath() const {
    return m_terminal.DevicePath();
}

void CVirtualHandset::Stop() {
    m_terminal.Stop();
}

void CVirtualHandset::PaceUntil(Clock::time_point when) {
    if (when - Clock::now() > kStoppableWait && m_terminal.WaitStop(when - kStoppableWait)) return;
    // A timer wakes tens of microseconds late, which would count against the PC: aim early by the mean
    // lateness seen so far, so that answers arrive on average when the line would deliver them.
    const auto target = when - m_timerLateness;
    if (target <= Clock::now()) return;
    SleepUntil(target);
    const auto late = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - target);
    m_timerLateness += (late - m_timerLateness) / kLatenessAveraging;
}

void CVirtualHandset::Run() {
    uint8_t buffer[kReadChunkBytes];
    for (;;) {
        const int count = m_terminal.Read(buffer);
        if (count < 0) return;
        const auto now = Clock::now();
        const uint32_t baud = m_terminal.PeerBaud();
        // A hang-up while these bytes are fed drops the rest: they came on the line that is gone.
        const uint64_t line = m_lines;
        for (int i = 0; i < count && m_lines == line; ++i) {
            if (m_options.realtime && baud > 0)
                m_lastArrival = std::max(m_lastArrival, now) + LineTime(1, baud);
            m_machine.Feed(buffer[i], baud);
        }
        m_connections = m_machine.Connections();
    }
}

void CVirtualHandset::Send(std::span<const uint8_t> bytes, uint32_t baud) {
    if (!m_options.realtime) {
        m_terminal.Write(bytes);
        return;
    }
    // Answers go out after what they answer has arrived, one byte at a time on a line that is free.
    const auto start = std::max({Clock::now(), m_lastArrival, m_outputFree});
    m_outputFree = start + LineTime(bytes.size(), baud);
    if (!m_options.bytePaced) {
        PaceUntil(m_outputFree);
        m_terminal.Write(bytes);
        return;
    }
    // As a UART without a receive FIFO hands them over: each byte once its 10 bits are through, on the line's
    // own clock (a late wake-up does not push the bytes after it back).
    for (size_t i = 0; i < bytes.size(); ++i) {
        PaceUntil(start + LineTime(i + 1, baud));
        if (!m_terminal.Write(bytes.subspan(i, 1))) return;
    }
}

void CVirtualHandset::Busy(uint32_t milliseconds) {
    const auto until = Clock::now() + std::chrono::milliseconds(milliseconds);
    m_outputFree = std::max(m_outputFree, until);
    m_terminal.WaitStop(until);
}

void CVirtualHandset::HangUp() {
    m_terminal.Close();
    ++m_lines;
    std::string error;
    if (!m_terminal.Open(m_options.link, error)) {
        Log("cannot open a new line after the hang-up: " + error);
        return;
    }
    Log("serving " + DevicePath() + " after the hang-up");
    if (m_onNewDevice) m_onNewDevice(DevicePath());
}

}  // namespace cantavo::handset
