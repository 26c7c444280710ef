#include "host/environment.h"

#include <cstdlib>

namespace cantavo {

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace cantavo
