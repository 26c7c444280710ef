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
        if (bytes.empty()) return;
        Clock::time_point at = m_now + after;
        if (!m_marks.empty()) at = std::max(at, m_marks.back().at);
        m_incoming.insert(m_incoming.end(), bytes.begin(), bytes.end());
        if (!m_marks.empty() && m_marks.back().at == at)
            m_marks.back().end = m_incoming.size();
        else
            m_marks.push_back({at, m_incoming.size()});
    }
    void Deliver(std::initializer_list<uint8_t> bytes, Clock::duration after = {}) {
        Deliver(std::span(bytes.begin(), bytes.size()), after);
    }
    // Time the far end lets pass on its own (the window's detection timer, say).
    void Advance(Clock::duration span) { m_now += span; }
    // The line goes dead until the port is opened again: no input, writes fail.
    void HangUp() {
        m_hungUp = true;
        Drop(m_incoming.size());
    }
    // A line as new: nothing on its way, nothing written yet, no fault to come; the port open or not as it
    // was.
    void ClearLine() {
        Drop(m_incoming.size());
        m_written.clear();
        m_hungUp = m_failLineFormat = false;
        m_openFailure = OpenFailure::kNone;
        m_writeLimit = UINT32_MAX;
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
        const auto count = static_cast<uint32_t>(std::min<size_t>(maximum, ArrivedEnd() - m_taken));
        std::copy_n(m_incoming.begin() + m_taken, count, buffer);
        Drop(m_taken + count);
        m_bytesRead += count;
        return count;
    }
    bool WaitForInput(Clock::time_point deadline, uint32_t) override {
        if (!m_open) return false;
        if (ArrivedEnd() > m_taken) return true;
        if (m_hungUp) return false;
        if (m_next < m_marks.size() && m_marks[m_next].at <= deadline) {
            m_now = std::max(m_now, m_marks[m_next].at);
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
    // The bytes up to `end` of m_incoming arrive at `at`.
    struct Mark {
        Clock::time_point at;
        size_t end;
    };

    // The end of what has arrived by now.
    size_t ArrivedEnd() {
        while (m_next < m_marks.size() && m_marks[m_next].at <= m_now) ++m_next;
        return m_next > 0 ? m_marks[m_next - 1].end : 0;
    }
    // Takes the bytes before `end`; the buffers start again once everything was taken.
    void Drop(size_t end) {
        m_taken = end;
        if (m_taken < m_incoming.size()) return;
        m_incoming.clear();
        m_marks.clear();
        m_taken = m_next = 0;
    }
    // What has arrived is thrown away; what is still on the line comes after.
    void Purge() { Drop(std::max(m_taken, ArrivedEnd())); }

    OnWrite m_onWrite;
    Clock::time_point m_now = Clock::time_point{} + std::chrono::hours(1);
    std::vector<uint8_t> m_incoming;  // delivered bytes, m_taken of them read or thrown away
    std::vector<Mark> m_marks;        // in order of arrival, m_next of them arrived
    size_t m_taken = 0;
    size_t m_next = 0;
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
