#pragma once
// The per-sample part of the FM synthesizer. Operator 1 of every sounding slot is rendered first, the
// feedback loops of several slots side by side so their sample-to-sample dependencies overlap; then each
// slot's connection renderer adds operators 2..4 and the carriers. Where the processor has one, a vector
// pass renderer does the same for all slots at once.
//
// The connections by voice type: an operator above a bar modulates the one below it; (1) is operator 1
// with its feedback loop; "out" are the carriers, summed into the slot's output.
//
//   type 0        type 1        type 4             type 5           type 6             type 7
//   (1)           (1)  2        (1)                (1)   3          (1)   2            (1)   2   4
//    |                           |                  |    |                |                  |
//    2                           2                  2    4                3                  3
//                                |                                        |
//                                3                                        4
//                                |
//                                4
//   out: 2        out: 1+2      out: 4             out: 2+4         out: 1+4           out: 1+3+4
//
// Every sample computes operators 1, 2, 3, 4 in that order.

#include <array>
#include <cstdint>

#include "engine/fm_synth.h"

namespace cantavo {

// The connections above as bit masks, by voice type (types 2 and 3 have no operators): bit k of
// `modulated` is set where operator k + 1 takes operator k's output as its modulation input (operator 1
// has its feedback loop instead), bit k of `carriers` where operator k + 1 is summed into the output.
struct FmConnection {
    uint8_t modulated;
    uint8_t carriers;
};
inline constexpr std::array<FmConnection, 8> kFmConnections = {{
    {0b0010, 0b0010},  // 0
    {0b0000, 0b0011},  // 1
    {0b0000, 0b0000},
    {0b0000, 0b0000},
    {0b1110, 0b1000},  // 4
    {0b1010, 0b1010},  // 5
    {0b1100, 0b1001},  // 6
    {0b0100, 0b1101},  // 7
}};

inline constexpr uint32_t kFmBlockFrames = 256;  // most frames per pass
inline constexpr uint32_t kFmMaxSegments = 16;   // most LFO steps per pass

// The frames of one pass, divided where the LFO steps: vibrato and tremolo hold within a segment.
struct FmSegments {
    uint32_t count;
    uint32_t frames[kFmMaxSegments];  // adding up to at most kFmBlockFrames
};

// One slot's operators in each segment of a pass: increment_now and amplitude.
struct FmSlotLfo {
    uint32_t increment[4][kFmMaxSegments];
    uint32_t amplitude[4][kFmMaxSegments];
};

// Operator 1 of `count` slots for the frames of `segments` into out[i][0..frames), keeping each slot's
// feedback history; with feedback or without, as each slot's feedback shift says.
void RenderFirstOperators(FmSlot* const* slots, const FmSlotLfo* lfo, uint32_t count, int32_t* const* out,
                          const FmSegments& segments);

// The connection renderer of voice type `algorithm` (0, 1, 4..7; anything else gets the type-0 renderer,
// which a silent slot never calls).
FmRenderer SelectFmRenderer(uint8_t algorithm);

// An FmPassRenderer renders the `count` sounding slots of one pass at once and adds them into acc
// (interleaved left, right): the same output as RenderFirstOperators followed by each slot's connection
// renderer.
// The vector pass renderer this processor can run, or nullptr. Which one exists depends on the processor
// family the engine is built for.
FmPassRenderer SelectVectorFmRenderer();

}  // namespace cantavo
