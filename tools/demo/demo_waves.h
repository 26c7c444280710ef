#pragma once
// Sampled sounds of the demos, synthesized and ADPCM-encoded.

#include <cstdint>

#include "smaf_writer/smaf_writer.h"

namespace cantavo::demo {

// A struck-bell tone of `frequency_hz`, `duration_ms` long, sampled at `rate_hz` and ADPCM-encoded.
smaf::Bytes BellWave(double frequency_hz, uint32_t duration_ms, uint32_t rate_hz);

}  // namespace cantavo::demo
