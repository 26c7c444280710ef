#pragma once
// A program run as a child process, its standard output read by line. The child ends with this process, even
// when this one is killed without a chance to stop it.

#include <string>
#include <vector>

namespace cantavo {

class CChildProcess {
public:
    static constexpr int kStopTimeoutMs = 2000;  // from the request to end until the child is killed

    CChildProcess() = default;
    ~CChildProcess() { Stop(); }
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // Starts `program` with `arguments`; false with `error` naming the program (or the reason alone) when it
    // cannot be started.
    bool Start(const std::string& program, const std::vector<std::string>& arguments, std::string& error);
    // The child's output up to the next newline, waiting at most `timeout_ms` in all; false when no whole
    // line came.
    bool ReadLine(int timeout_ms, std::string& line);
    // Asks the child to end, and kills it when it has not ended after kStopTimeoutMs.
    void Stop();
    bool IsRunning() const { return m_pid > 0; }

private:
    int m_pid = -1;
    int m_output = -1;  // the child's stdout; kept open so the child never writes into a closed pipe
};

}  // namespace cantavo
