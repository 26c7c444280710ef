#pragma once
// What the command-line programs' main functions share: the exit codes and the one place where what a
// library throws ends.

namespace cantavo {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;  // wrong arguments

// Returns `run(argc, argv)`. The program's own code throws nothing; what a library throws (out of memory, the
// file system) is reported on stderr as "PROGRAM: what" and ends the program with kExitFailure.
int ProgramMain(const char* program, int (*run)(int argc, char** argv), int argc, char** argv);

}  // namespace cantavo
