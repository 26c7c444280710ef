#pragma once
// Process-wide table of the live sound devices; song voices are written into every device in it.

#include <array>
#include <cstddef>

namespace cantavo {

class CSoundDevice;

inline constexpr size_t kDeviceRegistrySize = 4;

// Puts the device into the first empty entry (none when the table is full).
void EnterDeviceRegistry(CSoundDevice* device);
// Clears every entry holding the device.
void LeaveDeviceRegistry(const CSoundDevice* device);
const std::array<CSoundDevice*, kDeviceRegistrySize>& DeviceRegistry();

}  // namespace cantavo
