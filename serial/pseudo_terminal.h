#pragma once
// CPseudoTerminal: the far end of a serial line, on a pseudo-terminal. It serves a device that a program
// opens as its serial port, and reads and writes the bytes on the other side of it, as a handset would on
// the other end of a cable. Every wait ends early once Stop() has been called.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <span>
#include <string>

namespace cantavo {

class CPseudoTerminal {
public:
    CPseudoTerminal();
    ~CPseudoTerminal();  // closes the line and removes the link
    CPseudoTerminal(const CPseudoTerminal&) = delete;
    CPseudoTerminal& operator=(const CPseudoTerminal&) = delete;

    // Opens a new line, raw at 2400 baud, and makes `link` (when not empty) a symbolic link to its device;
    // false with `error` when that fails.
    bool Open(const std::filesystem::path& link, std::string& error);
    // Closes the line: the program at the device sees it hung up.
    void Close();
    // The device the program opens; may be asked from any thread.
    std::string DevicePath() const;
    // The speed the program has set its end to, in baud; 0 when the speed is not a standard one.
    uint32_t PeerBaud() const;

    // Waits for bytes from the program and reads up to `buffer.size()` of them: the count read, 0 when none
    // could be read after all, -1 once stopped (or when waiting fails).
    int Read(std::span<uint8_t> buffer);
    // Writes all bytes, waiting while the program does not read; false when stopped or the line fails.
    bool Write(std::span<const uint8_t> bytes);
    // Waits until `deadline`; true when Stop() ends the wait.
    bool WaitStop(std::chrono::steady_clock::time_point deadline);
    // Ends every wait, now and later. May be called from any thread and from a signal handler.
    void Stop();

private:
    int m_master = -1;
    int m_slaveKeepAlive = -1;  // our own slave handle, so the program's closes never hang up the master
    int m_stopPipe[2] = {-1, -1};
    std::filesystem::path m_link;
    mutable std::mutex m_deviceMutex;
    std::string m_device;
};

}  // namespace cantavo
