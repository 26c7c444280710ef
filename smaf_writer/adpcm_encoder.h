#pragma once
// 4-bit adaptive ADPCM encoder, the inverse of the engine's wave decoder: every nibble is chosen by running
// the decoder on all 16 candidates and keeping the one that lands closest to the input sample, so the encoder
// tracks exactly what the decoder will reproduce. Two samples per byte, low nibble first.

#include <cstdint>
#include <span>

#include "smaf_writer/smaf_writer.h"

namespace cantavo::smaf {

// An odd sample count is padded with a repetition of the last sample.
Bytes EncodeAdpcm(std::span<const int16_t> samples);

}  // namespace cantavo::smaf
