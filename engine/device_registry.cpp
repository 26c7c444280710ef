#include "engine/device_registry.h"

namespace cantavo {
namespace {
std::array<CSoundDevice*, kDeviceRegistrySize> g_devices{};
}

void EnterDeviceRegistry(CSoundDevice* device) {
    for (CSoundDevice*& entry : g_devices) {
        if (entry == nullptr) {
            entry = device;
            return;
        }
    }
}

void LeaveDeviceRegistry(const CSoundDevice* device) {
    for (CSoundDevice*& entry : g_devices)
        if (entry == device) entry = nullptr;
}

const std::array<CSoundDevice*, kDeviceRegistrySize>& DeviceRegistry() {
    return g_devices;
}

}  // namespace cantavo
