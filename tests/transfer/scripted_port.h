#pragma once
// CScriptedPort: a serial port whose far end is a script, on a clock of its own that jumps instead of
// waiting.
//
// The far end reacts to each write of the PC (OnWrite) by delivering bytes at a time from now; a wait for
// input moves the clock to the next byte's arrival or to the deadline, so that every time-out runs at once
// and exactly. Line faults are one call each. Used by the session tests that check time-outs and by the
// session fuzz target.

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "serial/serial_port.h"

namespace cantavo::testing {

class CScriptedPort final : public ISerialPort {
public:
    // Called after each write the far end takes, with the bytes taken.
    using OnWrite = std::function<void(CScriptedPort& port, std::span<const uint8_t> written)>;

    explicit CScriptedPort(OnWrite onWrite = {}) : m_onWrite(std::move(onWrite)) {}
    void SetOnWrite(OnWrite onWrite) { m_onWrite = std::move(onWrite); }

    // The far end: bytes that arrive `after` from now, behind those already on their way.
    void Deliver(std::span<const uint8_t> bytes, Clock::duration after = {}) {
        Clock::time_point at = m_now + after;
        if (!m_incoming.empty()) at = std::max(at, m_incoming.back().at);
        for (uint8_t byte : bytes) m_incoming.push_back({at, byte});
    }
    void Deliver(std::initializer_list<uint8_t> bytes, Clock::duration after = {}) {
        Deliver(std::span(bytes.begin(), bytes.size()), after);
    }
    // Time the far end lets pass on its own (the window's detection timer, say).
    void Advance(Clock::duration span) { m_now += span; }
    // The line goes dead until the port is opened again: no input, writes fail.
    void HangUp() {
        m_hungUp = true;
        m_incoming.clear();
    }
    void FailNextOpen(OpenFailure failure) { m_openFailure = failure; }
    void FailNextLineFormat() { m_failLineFormat = true; }
    // The next write takes only `count` bytes.
    void LimitNextWrite(uint32_t count) { m_writeLimit = count; }

    const std::vector<uint8_t>& Written() const { return m_written; }
    uint32_t Baud() const { return m_baud; }
    int Opens() const { return m_opens; }

    int OpenPort(const std::string& device, uint32_t baud) override {
        m_device = device;
        m_open = false;
        if (m_openFailure != OpenFailure::kNone) {
            m_failure = m_openFailure;
            m_openFailure = OpenFailure::kNone;
            m_error = "scripted failure";
            return 0;
        }
        m_failure = OpenFailure::kNone;
        m_error.clear();
        m_open = true;
        m_hungUp = false;
        m_baud = baud;
        ++m_opens;
        Purge();
        return 1;
    }
    int ClosePort() override {
        if (!m_open) return 0;
        m_open = false;
        Purge();
        return 1;
    }
    uint32_t WriteComm(const uint8_t* buffer, uint32_t count) override {
        if (!m_open || m_hungUp || count == 0) return 0;
        const uint32_t taken = std::min(count, m_writeLimit);
        m_writeLimit = UINT32_MAX;
        m_written.insert(m_written.end(), buffer, buffer + taken);
        m_bytesWritten += taken;
        if (m_onWrite && taken > 0) m_onWrite(*this, std::span(buffer, taken));
        return taken;
    }
    uint32_t ReadComm(uint8_t* buffer, uint32_t maximum) override {
        uint32_t count = 0;
        while (count < maximum && Arrived()) {
            buffer[count++] = m_incoming.front().byte;
            m_incoming.pop_front();
        }
        m_bytesRead += count;
        return count;
    }
    bool WaitForInput(Clock::time_point deadline, uint32_t) override {
        if (!m_open) return false;
        if (Arrived()) return true;
        if (m_hungUp) return false;
        if (!m_incoming.empty() && m_incoming.front().at <= deadline) {
            m_now = std::max(m_now, m_incoming.front().at);
            return true;
        }
        m_now = std::max(m_now, deadline);
        return false;
    }
    int SetLineFormat(uint32_t baud, uint8_t, uint8_t, uint8_t) override {
        if (!m_open) return 0;
        Purge();
        if (m_failLineFormat) {
            m_failLineFormat = false;
            return 0;
        }
        m_baud = baud;
        return 1;
    }

    bool IsOpen() const override { return m_open; }
    const std::string& DevicePath() const override { return m_device; }
    OpenFailure LastFailure() const override { return m_failure; }
    const std::string& LastErrorText() const override { return m_error; }
    uint64_t BytesWritten() const override { return m_bytesWritten; }
    uint64_t BytesRead() const override { return m_bytesRead; }
    Clock::time_point Now() const override { return m_now; }

private:
    struct Arrival {
        Clock::time_point at;
        uint8_t byte;
    };

    bool Arrived() const { return !m_incoming.empty() && m_incoming.front().at <= m_now; }
    // What has arrived is thrown away; what is still on the line comes after.
    void Purge() {
        while (Arrived()) m_incoming.pop_front();
    }

    OnWrite m_onWrite;
    Clock::time_point m_now = Clock::time_point{} + std::chrono::hours(1);
    std::deque<Arrival> m_incoming;
    std::vector<uint8_t> m_written;
    std::string m_device;
    std::string m_error;
    OpenFailure m_failure = OpenFailure::kNone;
    OpenFailure m_openFailure = OpenFailure::kNone;
    bool m_open = false;
    bool m_hungUp = false;
    bool m_failLineFormat = false;
    uint32_t m_writeLimit = UINT32_MAX;
    uint32_t m_baud = 0;
    int m_opens = 0;
    uint64_t m_bytesWritten = 0;
    uint64_t m_bytesRead = 0;
};

}  // namespace cantavo::testing
