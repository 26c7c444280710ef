#pragma once
// ISerialPort: the line to the handset as the protocol uses it, and the clock its waits are measured by.
//
// CSerialComm is the one on a real device; tests and fuzz targets put a scripted far end with a clock of its
// own behind the same calls, so that every time-out of the protocol runs without waiting.

#include <chrono>
#include <cstdint>
#include <map>
#include <string>

namespace cantavo {

// "COMn" -> device path, from the application profile; an unmapped "COMn" is /dev/ttyS(n-1).
using PortMap = std::map<std::string, std::string>;
std::string DeviceForPort(const PortMap& map, uint16_t port);

// Why the last OpenPort failed, so the caller can tell the user how to fix it.
enum class OpenFailure {
    kNone,
    kNotFound,           // no such device
    kPermission,         // the user may not open the device (not in the group that owns it)
    kBusy,               // another program holds the port
    kNotSerial,          // the path is not a terminal device
    kLineFormatRefused,  // the driver refused 8N1 at the requested speed
    kOther,
};

class ISerialPort {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~ISerialPort() = default;

    // Opens a device exclusively, raw 8N1 at `baud`, and purges input. 1 on success, 0 on failure (no
    // message; LastFailure() and LastErrorText() say why).
    virtual int OpenPort(const std::string& device, uint32_t baud) = 0;
    // Drains what was written, clears input, releases the device. 1 if a port was open.
    virtual int ClosePort() = 0;
    // Writes all bytes, returning when the driver has taken them (or the write limit passed): the count
    // taken.
    virtual uint32_t WriteComm(const uint8_t* buffer, uint32_t count) = 0;
    // Never waits: 0 at once when nothing has arrived; otherwise up to `maximum` bytes, the rest stays
    // queued.
    virtual uint32_t ReadComm(uint8_t* buffer, uint32_t maximum) = 0;
    // Sleeps until input is queued (true) or the deadline passes or the line is hung up (false). Once input
    // is there and fewer than `expected` bytes are queued, it may wait on (never past the deadline) for as
    // long as the line needs to bring the rest, so that a group of bytes costs one wake-up rather than one
    // per byte; on a line seen to bring bytes one by one it may also sleep, before looking for a group of
    // bytes, for as long as the last write and the answer need on the line.
    virtual bool WaitForInput(Clock::time_point deadline, uint32_t expected) = 0;
    // Drains output, clears input and applies the format; parity 0 none, 1 odd, 2 even; stop bits 0 one, 2
    // two. Non-zero on success.
    virtual int SetLineFormat(uint32_t baud, uint8_t byteSize, uint8_t parity, uint8_t stopBits) = 0;

    virtual bool IsOpen() const = 0;
    virtual const std::string& DevicePath() const = 0;
    virtual OpenFailure LastFailure() const = 0;
    virtual const std::string& LastErrorText() const = 0;
    // Bytes moved since construction (for transfer statistics).
    virtual uint64_t BytesWritten() const = 0;
    virtual uint64_t BytesRead() const = 0;
    // The time the deadlines given to WaitForInput are measured against.
    virtual Clock::time_point Now() const = 0;
};

}  // namespace cantavo
