// A virtual handset (cantavo-handset) run as a child process, so the window can be tried without hardware.
#pragma once

#include <string>

#include "host/child_process.h"

namespace cantavo {

class CVirtualHandsetProcess {
public:
    static constexpr int kStartTimeoutMs = 5000;

    CVirtualHandsetProcess() = default;
    ~CVirtualHandsetProcess() { Stop(); }
    CVirtualHandsetProcess(const CVirtualHandsetProcess&) = delete;
    CVirtualHandsetProcess& operator=(const CVirtualHandsetProcess&) = delete;

    // Starts `program --flash flash_file` and reads the device it serves from its first output line.
    // False with `error` naming the program or the reason when it does not come up.
    bool Start(const std::string& program, const std::string& flash_file, std::string& error);
    void Stop();

    bool IsRunning() const { return m_process.IsRunning(); }
    const std::string& DevicePath() const { return m_strDevice; }

private:
    CChildProcess m_process;
    std::string m_strDevice;
};

}  // namespace cantavo
