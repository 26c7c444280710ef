#pragma once
// The per-sample part of the FM synthesizer. Operator 1 of every sounding slot is rendered first, the
// feedback loops of several slots side by side so their sample-to-sample dependencies overlap; then each
// slot's connection renderer adds operators 2..4 and the carriers.

#include <cstdint>

#include "engine/fm_synth.h"

inline constexpr uint32_t kFmBlockFrames = 256;  // most frames per pass

// Operator 1 of `count` slots for `frames` (at most kFmBlockFrames) samples into out[i][0..frames), keeping
// each slot's feedback history; with feedback or without, as each slot's feedback shift says.
void RenderFirstOperators(FmSlot* const* slots, uint32_t count, int32_t* const* out, uint32_t frames);

// The connection renderer of voice type `algorithm` (0, 1, 4..7; anything else gets the type-0 renderer,
// which a silent slot never calls).
FmRenderer SelectFmRenderer(uint8_t algorithm);
