#include "smaf_writer/voice_writer.h"

#include <algorithm>

namespace cantavo::smaf {

namespace {
constexpr uint8_t kVoiceHead = 0x00;  // first message byte, below 16
}  // namespace

std::array<uint8_t, kPackedOperatorBytes> PackOperator(const OperatorParams& op) {
    return {
        static_cast<uint8_t>((op.multiple << 4) | ((op.vibrato & 1) << 3) | ((op.sustained & 1) << 2) |
                             ((op.hold_release & 1) << 1) | (op.rate_scaling & 1)),
        static_cast<uint8_t>((op.release_rate << 4) | (op.decay_rate & 15)),
        static_cast<uint8_t>((op.attack_rate << 4) | (op.sustain_level & 15)),
        static_cast<uint8_t>((op.total_level << 2) | (op.key_scale_level & 3)),
        static_cast<uint8_t>((op.spare_bits << 6) | ((op.tremolo_depth & 3) << 4) | ((op.tremolo & 1) << 3) |
                             (op.waveform & 7)),
    };
}

Bytes LongFormVoice(uint8_t bank_code, uint8_t program, const VoiceDefinition& voice) {
    Bytes body = {
        kManufacturerId,
        kLongFormVoice,
        kVoiceHead,
        bank_code,
        static_cast<uint8_t>(program & 0x7F),
        static_cast<uint8_t>((voice.lfo_rate << 6) | ((voice.feedback & 7) << 3) | (voice.algorithm & 7)),
        static_cast<uint8_t>(voice.octave_code & 3)};
    for (const OperatorParams& op : voice.op) {
        const auto packed = PackOperator(op);
        body.insert(body.end(), packed.begin(), packed.end());
    }
    return body;
}

Bytes ShortFormVoice(const std::array<uint8_t, 12>& x) {
    // Sized once: the body's length is fixed, so nothing grows or moves.
    Bytes body(2 + x.size());
    body[0] = kManufacturerId;
    body[1] = kShortFormVoice;
    std::copy(x.begin(), x.end(), body.begin() + 2);
    return body;
}

}  // namespace cantavo::smaf
