#include "host/local_time.h"

namespace cantavo {

std::tm LocalTime(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    return local;
}

}  // namespace cantavo
