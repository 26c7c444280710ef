#include "host/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <type_traits>

namespace cantavo {
namespace {

static_assert(std::is_same_v<pid_t, int>);

constexpr int kPollSliceMs = 20;

}  // namespace

bool CChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments,
                          std::string& error) {
    Stop();
    int pipe_ends[2];
    if (pipe2(pipe_ends, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (access(program.c_str(), X_OK) != 0) {
        error = program + ": " + std::strerror(errno);
        close(pipe_ends[0]);
        close(pipe_ends[1]);
        return false;
    }
    std::vector<std::string> words = {program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    m_pid = fork();
    if (m_pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(1);
        dup2(pipe_ends[1], STDOUT_FILENO);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipe_ends[1]);
    m_output = pipe_ends[0];
    if (m_pid < 0) {
        error = program + ": " + std::strerror(errno);
        Stop();
        return false;
    }
    return true;
}

bool CChildProcess::ReadLine(int timeout_ms, std::string& line) {
    if (m_output < 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    char c = 0;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd waiting{m_output, POLLIN, 0};
        if (poll(&waiting, 1, static_cast<int>(left.count())) <= 0) continue;
        const ssize_t got = read(m_output, &c, 1);
        if (got <= 0) return false;
        if (c == '\n') return true;
        line += c;
    }
}

void CChildProcess::Stop() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int status = 0;
        bool ended = false;
        for (int waited = 0; waited < kStopTimeoutMs && !ended; waited += kPollSliceMs) {
            ended = waitpid(m_pid, &status, WNOHANG) == m_pid;
            if (!ended) usleep(kPollSliceMs * 1000);
        }
        if (!ended) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
        }
        m_pid = -1;
    }
    if (m_output >= 0) close(m_output);
    m_output = -1;
}

}  // namespace cantavo
