// A virtual handset (cantavo-handset) run as a child process, so the window can be tried without hardware.
#pragma once

#include <sys/types.h>

#include <string>

class CVirtualHandsetProcess {
public:
    static constexpr int kStartTimeoutMs = 5000;

    CVirtualHandsetProcess() = default;
    ~CVirtualHandsetProcess();  // stops the child
    CVirtualHandsetProcess(const CVirtualHandsetProcess&) = delete;
    CVirtualHandsetProcess& operator=(const CVirtualHandsetProcess&) = delete;

    // Starts `program --flash flash_file` and reads the device it serves from its first output line.
    // False with `error` naming the program or the reason when it does not come up.
    bool Start(const std::string& program, const std::string& flash_file, std::string& error);
    void Stop();

    bool IsRunning() const { return m_pid > 0; }
    const std::string& DevicePath() const { return m_strDevice; }

private:
    pid_t m_pid = -1;
    int m_output = -1;  // the child's stdout; kept open so the child never writes into a closed pipe
    std::string m_strDevice;
};

// The cantavo-handset program beside the running executable.
std::string SiblingProgram(const std::string& name);
