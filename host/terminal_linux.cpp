#include "host/terminal.h"

#include <unistd.h>

namespace cantavo {

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

}  // namespace cantavo
