#include "engine/adpcm_player.h"

#include <algorithm>
#include <new>

#include "engine/adpcm_decoder.h"
#include "engine/attenuation_gain.h"
#include "engine/synth.h"

namespace cantavo {
namespace {

constexpr int kPositionFractionBits = 12;
constexpr uint32_t kPositionFractionMask = (1u << kPositionFractionBits) - 1;
constexpr int8_t kMaxStarts = 126;
constexpr int32_t kSampleLimit = 32767;
constexpr uint32_t kMaxWaveBytes = 0x7FFFFFFF;  // two samples per byte must fit the 32-bit count

// The ADPCM voice's gain table: the shared attenuation table with a full-scale entry 0 that fits 16 bits.
constexpr std::array<int32_t, kMaxAttenuation + 1> kWaveGain = [] {
    auto table = kAttenuationGain;
    table[0] = 32767;
    return table;
}();

}  // namespace

uint32_t CAdpcmPlayer::LoadWave(uint32_t index, const uint8_t* data, uint32_t length, uint32_t rate) {
    if (index >= kWaveSlots) return 0;
    if (index == 0) {
        index = kFirstFreeChoice;
        while (index < kWaveSlots && m_waves[index].samples) ++index;
        if (index == kWaveSlots) return 0;
    }
    ForgetWave(index);
    AdpcmWave& wave = m_waves[index];
    wave.samples.reset();
    wave.count = 0;
    wave.rate = rate;
    if (length == 0 || data == nullptr) return index;
    if (length > kMaxWaveBytes) return 0;

    const uint32_t count = 2 * length;
    wave.samples.reset(new (std::nothrow) int16_t[count]);
    if (!wave.samples) return 0;
    AdpcmDecoder decoder;
    for (uint32_t i = 0; i < length; ++i) {
        wave.samples[2 * i] = decoder.Decode(data[i] & 0x0F);
        wave.samples[2 * i + 1] = decoder.Decode(data[i] >> 4);
    }
    wave.count = count;
    return index;
}

void CAdpcmPlayer::FreeWave(uint32_t index) {
    if (index >= kWaveSlots) return;
    const uint32_t first = index == 0 ? 1 : index;
    const uint32_t last = index == 0 ? kWaveSlots - 1 : index;
    for (uint32_t i = first; i <= last; ++i) {
        ForgetWave(i);
        m_waves[i].samples.reset();
        m_waves[i].count = 0;
    }
}

void CAdpcmPlayer::ForgetWave(uint32_t index) {
    if (m_voice.wave != index) return;
    m_voice.stopped = 1;
    m_voice.starts = 0;
    m_voice.samples = nullptr;
    m_voice.count = 0;
}

void CAdpcmPlayer::StartWave(uint32_t voice, uint32_t index) {
    if (voice != 0 || index == 0 || index >= kWaveSlots || !m_waves[index].samples) return;
    if (!m_voice.stopped) {
        // A different wave does not interrupt the one playing; the same one counts another start.
        if (index == m_voice.wave && m_voice.starts < kMaxStarts) ++m_voice.starts;
        return;
    }
    const AdpcmWave& wave = m_waves[index];
    m_voice.rate = wave.rate;
    m_voice.samples = wave.samples.get();
    m_voice.count = wave.count;
    m_voice.wave = index;
    m_voice.increment = (wave.rate << kPositionFractionBits) / kFramesPerSecond;
    m_voice.position = 0;
    m_voice.stopped = 0;
    m_voice.starts = 1;
}

void CAdpcmPlayer::StopWave(uint32_t voice) {
    if (voice != 0) return;
    if (m_voice.starts <= 1) {
        m_voice.starts = 0;
        m_voice.stopped = 1;
    } else {
        --m_voice.starts;
    }
}

void CAdpcmPlayer::SetWaveVolume(uint32_t voice, uint8_t attenuation) {
    if (voice != 0) return;
    m_voice.gain = static_cast<uint32_t>(kWaveGain[std::min(attenuation, kMaxAttenuation)]);
}

int32_t CAdpcmPlayer::NextSample() {
    AdpcmVoice& v = m_voice;
    if (v.stopped || v.samples == nullptr) return 0;
    const uint32_t i = v.position >> kPositionFractionBits;
    // Past the end the position rests, reading silence until the remaining starts are stopped.
    if (i >= v.count) return 0;
    const int32_t f = static_cast<int32_t>(v.position & kPositionFractionMask);
    const int32_t s0 = v.samples[i];
    const int32_t s1 = i + 1 < v.count ? v.samples[i + 1] : 0;
    const int32_t sample =
        ((((s1 - s0) * f) >> kPositionFractionBits) + s0) * static_cast<int32_t>(v.gain) >> 15;
    v.position += v.increment;
    if ((v.position >> kPositionFractionBits) >= v.count) StopWave(0);
    return sample;
}

uint8_t CAdpcmPlayer::MixInto(int16_t* frames, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        const int32_t s = NextSample();
        frames[2 * i] = static_cast<int16_t>(std::clamp(frames[2 * i] + s, -kSampleLimit, kSampleLimit));
        frames[2 * i + 1] =
            static_cast<int16_t>(std::clamp(frames[2 * i + 1] + s, -kSampleLimit, kSampleLimit));
    }
    return m_voice.stopped;
}

}  // namespace cantavo
