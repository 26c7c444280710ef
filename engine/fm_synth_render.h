#pragma once
// The per-sample part of the FM synthesizer: one renderer per algorithm, with and without feedback.

#include <cstdint>

#include "engine/fm_synth.h"

// The renderer of voice type `algorithm` (0, 1, 4..7; anything else gets the type-0 renderer, which a silent
// slot never calls), specialised for operator-1 feedback on or off.
FmRenderer SelectFmRenderer(uint8_t algorithm, bool feedback);
