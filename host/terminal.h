#pragma once
// Whether a person is watching: progress is shown on standard error only when it is a terminal.

namespace cantavo {

bool StderrIsTerminal();

}  // namespace cantavo
