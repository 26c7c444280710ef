#pragma once
// The processor time this process has used.

namespace cantavo {

// User and system time of the whole process, in seconds.
double ProcessCpuSeconds();

}  // namespace cantavo
