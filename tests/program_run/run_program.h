#pragma once
// Runs one of the project's programs as a user would, from a shell command line, and keeps what it said:
// the test support of the program tests.

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace cantavo::testing {

struct ProgramRun {
    int status = -1;  // the exit status; -1 when the program did not exit (a signal, the time limit)
    std::string out;
    std::string err;
};

// `command` is the shell's: environment settings (NAME=value), the program and its arguments. Its output
// streams go through files in `folder`; after `timeout_seconds` it is stopped.
inline ProgramRun RunProgram(const std::string& command, const std::filesystem::path& folder,
                             int timeout_seconds = 120) {
    const std::filesystem::path out = folder / "stdout.txt";
    const std::filesystem::path err = folder / "stderr.txt";
    const std::string line = "timeout " + std::to_string(timeout_seconds) + " env " + command + " > '" +
                             out.string() + "' 2> '" + err.string() + "'";
    const int raw = std::system(line.c_str());
    const auto text = [](const std::filesystem::path& file) {
        std::stringstream s;
        s << std::ifstream(file).rdbuf();
        return s.str();
    };
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text(out), text(err)};
}

}  // namespace cantavo::testing
