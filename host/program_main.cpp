#include "host/program_main.h"

#include <cstdio>
#include <exception>

namespace cantavo {

int ProgramMain(const char* program, int (*run)(int argc, char** argv), int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", program, error.what());
        return kExitFailure;
    }
}

}  // namespace cantavo
