#pragma once
// CVirtualHandset: a handset on a pseudo-terminal. The PC opens the device path it serves as if it were a
// serial port; the handset answers every exchange through CHandsetMachine and keeps its flash in a file. Used
// by the cantavo-handset program and, in-process, by the end-to-end tests.

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "serial/pseudo_terminal.h"
#include "tools/handset/handset_flash.h"
#include "tools/handset/handset_machine.h"

namespace cantavo::handset {

struct HandsetOptions {
    std::filesystem::path flash;
    std::filesystem::path link;  // made a symbolic link to the device when not empty
    bool realtime = false;       // pace bytes at the line speed, 10 bits per byte
    bool bytePaced = false;      // with realtime: each byte written on its own when the line would deliver it
    bool verbose = false;        // log what the handset sees on stderr
    HandsetSettings settings;
};

class CVirtualHandset : private IHandsetLine {
public:
    explicit CVirtualHandset(HandsetOptions options);
    CVirtualHandset(const CVirtualHandset&) = delete;
    CVirtualHandset& operator=(const CVirtualHandset&) = delete;

    // Opens the flash file and the pseudo-terminal; false (and `error`) when either fails.
    bool Open(std::string& error);
    std::string DevicePath() const;
    // Called (on the serving thread) with the new device after a hang-up fault.
    void SetNewDeviceHandler(std::function<void(const std::string&)> handler) {
        m_onNewDevice = std::move(handler);
    }

    // Serves until Stop(); Stop may be called from any thread (and is async-signal-safe).
    void Run();
    void Stop();

    int Connections() const { return m_connections.load(); }

private:
    using Clock = std::chrono::steady_clock;

    void Log(const std::string& text) const;
    void PaceUntil(Clock::time_point when);

    void Send(std::span<const uint8_t> bytes, uint32_t baud) override;
    void Busy(uint32_t milliseconds) override;
    void HangUp() override;

    HandsetOptions m_options;
    CHandsetFlash m_flash;
    CHandsetMachine m_machine;
    std::function<void(const std::string&)> m_onNewDevice;

    CPseudoTerminal m_terminal;
    uint64_t m_lines = 0;  // lines hung up so far
    std::atomic<int> m_connections{0};

    // Real-time pacing: when the last received byte has fully arrived, and when the line out is free.
    Clock::time_point m_lastArrival{};
    Clock::time_point m_outputFree{};
    std::chrono::nanoseconds m_timerLateness{0};  // running mean of how late the timer wakes
};

}  // namespace cantavo::handset
