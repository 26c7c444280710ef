#pragma once
// Song voice definitions as exclusive bodies (for setup data or sequence data).

#include <array>
#include <cstdint>

#include "engine/voice_record.h"
#include "smaf_writer/smaf_writer.h"

namespace cantavo::smaf {

struct VoiceDefinition {
    uint8_t lfo_rate = 0;     // 0..3
    uint8_t feedback = 0;     // 0..7
    uint8_t algorithm = 0;    // 0, 1 (2 operators), 4..7 (4 operators)
    uint8_t octave_code = 1;  // 0..3: +1, 0, -1, -2 octaves
    std::array<OperatorParams, 4> op{};
};

// The 5 packed bytes of an operator (the inverse of UnpackOperator).
std::array<uint8_t, kPackedOperatorBytes> PackOperator(const OperatorParams& op);

// Long form 43 03 ...: bank_code below 0x80 defines song bank 20 + bank_code, 0x80 + k song bank 30 + k.
Bytes LongFormVoice(uint8_t bank_code, uint8_t program, const VoiceDefinition& voice);

// Short form 43 02 x0..x11 (a 2-operator voice of song bank 20); x[2] is the program.
Bytes ShortFormVoice(const std::array<uint8_t, 12>& x);

}  // namespace cantavo::smaf
