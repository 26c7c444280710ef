#pragma once
// Times as the user's clock shows them.

#include <ctime>

namespace cantavo {

// `time` (seconds since the epoch) broken down in the local time zone.
std::tm LocalTime(std::time_t time);

}  // namespace cantavo
