#pragma once
// A pseudo-terminal for tests: the test plays the far end on the master, the code under test opens the slave
// path as its serial port. Every read has a deadline.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cantavo::testing {

class CPtyPair {
public:
    CPtyPair() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        char name[128] = {};
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0 ||
            ptsname_r(m_master, name, sizeof name) != 0)
            return;
        m_slavePath = name;
        // Held open so that the code under test closing its end never hangs up the master.
        m_keepAlive = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        termios tio{};
        tcgetattr(m_keepAlive, &tio);
        cfmakeraw(&tio);
        tcsetattr(m_keepAlive, TCSANOW, &tio);
    }
    ~CPtyPair() {
        CloseMaster();
        if (m_keepAlive >= 0) close(m_keepAlive);
    }
    CPtyPair(const CPtyPair&) = delete;
    CPtyPair& operator=(const CPtyPair&) = delete;

    bool Valid() const { return m_master >= 0 && m_keepAlive >= 0; }
    const std::string& SlavePath() const { return m_slavePath; }
    int Master() const { return m_master; }
    void CloseMaster() {
        if (m_master >= 0) close(m_master);
        m_master = -1;
    }

    void Write(const std::vector<uint8_t>& bytes) const {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
            if (n > 0) done += static_cast<size_t>(n);
        }
    }
    // One byte, or nothing once `timeoutMs` has passed.
    std::optional<uint8_t> ReadByte(int timeoutMs = 2000) const {
        pollfd fd{m_master, POLLIN, 0};
        if (poll(&fd, 1, timeoutMs) <= 0) return std::nullopt;
        uint8_t byte = 0;
        if (read(m_master, &byte, 1) != 1) return std::nullopt;
        return byte;
    }
    // Exactly `count` bytes unless one takes longer than `timeoutMs` (then fewer).
    std::vector<uint8_t> Read(size_t count, int timeoutMs = 2000) const {
        std::vector<uint8_t> bytes;
        while (bytes.size() < count) {
            const auto byte = ReadByte(timeoutMs);
            if (!byte) break;
            bytes.push_back(*byte);
        }
        return bytes;
    }
    // The speed the slave side is set to.
    speed_t SlaveSpeed() const {
        termios tio{};
        tcgetattr(m_master, &tio);
        return cfgetospeed(&tio);
    }

private:
    int m_master = -1;
    int m_keepAlive = -1;
    std::string m_slavePath;
};

}  // namespace cantavo::testing
