#pragma once
// CSerialComm: the one serial port to the handset, raw 8N1 over termios.
//
// No protocol knowledge: it opens, sets the line format, writes until the driver has taken the bytes and
// reads what has already arrived without waiting. The protocol polls it, sleeping in WaitForInput between
// bytes.

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <string>

namespace cantavo {

// "COMn" -> device path, from the application profile; an unmapped "COMn" is /dev/ttyS(n-1).
using PortMap = std::map<std::string, std::string>;

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

class CSerialComm {
public:
    using Clock = std::chrono::steady_clock;

    CSerialComm() = default;
    ~CSerialComm();
    CSerialComm(const CSerialComm&) = delete;
    CSerialComm& operator=(const CSerialComm&) = delete;

    void SetPortMap(PortMap map) { m_portMap = std::move(map); }
    // "COM%d" through the port map, or /dev/ttyS(port-1).
    std::string DeviceForPort(uint16_t port) const;

    // Opens "COM<port>" (through the map) or a device path, exclusively, raw 8N1 at `baud`, and purges input.
    // 1 on success, 0 on failure (no message; LastFailure() and LastErrorText() say why).
    int OpenPort(uint16_t port, uint32_t baud);
    int OpenPort(const std::string& device, uint32_t baud);
    // Drains what was written, clears input, releases the device. 1 if a port was open.
    int ClosePort();

    // Writes all bytes, returning when the driver has taken them (or the write limit passed): the count
    // taken.
    uint32_t WriteComm(const uint8_t* buffer, uint32_t count);
    // Never waits: 0 at once when nothing has arrived; otherwise up to `maximum` bytes, the rest stays
    // queued.
    uint32_t ReadComm(uint8_t* buffer, uint32_t maximum);
    // Sleeps until input is queued (true) or the deadline passes or the line is hung up (false).
    bool WaitForInput(Clock::time_point deadline);
    // Drains output, clears input and applies the format; parity 0 none, 1 odd, 2 even; stop bits 0 one, 2
    // two. Non-zero on success.
    int SetLineFormat(uint32_t baud, uint8_t byteSize, uint8_t parity, uint8_t stopBits);

    bool IsOpen() const { return m_bConnected != 0; }
    const std::string& PortName() const { return m_strPortName; }
    const std::string& DevicePath() const { return m_strDevice; }
    OpenFailure LastFailure() const { return m_lastFailure; }
    const std::string& LastErrorText() const { return m_strLastError; }

    // Bytes moved since construction (for transfer statistics).
    uint64_t BytesWritten() const { return m_nBytesWritten; }
    uint64_t BytesRead() const { return m_nBytesRead; }

    int m_bConnected = 0;

private:
    void Fail(OpenFailure failure, int error);
    void Release();
    void PurgeInput();

    int m_fd = -1;
    std::string m_strPortName;
    std::string m_strDevice;
    uint16_t m_wPortNumber = 0;
    uint32_t m_nBaud = 0;
    PortMap m_portMap;
    OpenFailure m_lastFailure = OpenFailure::kNone;
    std::string m_strLastError;
    uint64_t m_nBytesWritten = 0;
    uint64_t m_nBytesRead = 0;
    std::array<uint8_t, 256> m_input{};
    size_t m_inputBegin = 0;
    size_t m_inputEnd = 0;
};

}  // namespace cantavo
