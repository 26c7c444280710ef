#include "engine/levels.h"

#include <algorithm>

#include "engine/attenuation_gain.h"

namespace cantavo {

uint16_t Levels(const LevelSettings& settings, uint8_t pan, uint8_t volume, uint8_t expression,
                uint8_t velocity) {
    const int volume_attenuation = kLevelAttenuation[volume & 0x7F];
    const int above_master =
        volume_attenuation > settings.master_offset ? volume_attenuation - settings.master_offset : 0;
    const int sum = above_master + kLevelAttenuation[expression & 0x7F] + kLevelAttenuation[velocity & 0x7F];
    const int pan_left = kPanLeftAttenuation[pan & 0x7F];
    const int pan_right = kPanRightAttenuation[pan & 0x7F];
    int left = sum + pan_left;
    int right = sum + pan_right;
    if (settings.volume_mode == 0) left = right = sum + ((pan_left + pan_right) >> 1);
    left = std::min<int>(left, kMaxAttenuation);
    right = std::min<int>(right, kMaxAttenuation);
    return static_cast<uint16_t>((left << 8) | right);
}

}  // namespace cantavo
