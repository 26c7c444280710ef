#include "convert/audio_fit.h"

#include <algorithm>
#include <cmath>

#include "convert/convert_texts.h"
#include "convert/score_builder.h"
#include "convert/text_format.h"
#include "smaf_writer/adpcm_encoder.h"
#include "smaf_writer/sequence_writer.h"

namespace cantavo {
namespace {

constexpr uint32_t kHighRate = 8000;
constexpr uint32_t kLowRate = 4000;
constexpr uint8_t kWave = 1;
constexpr uint8_t kFullWaveVolume = 127;
constexpr uint32_t kMsPerSecond = 1000;
constexpr double kSampleScale = 32767;
constexpr uint64_t kMostSamples = uint64_t{1} << 53;

// The wave's length in ms, rounded up, and the finest timebase whose gate holds it (the coarsest if none
// does).
struct Gate {
    uint32_t timebase_ms;
    uint32_t ticks;
};

Gate GateOf(uint64_t samples, uint32_t rate) {
    const uint64_t ms = (samples * kMsPerSecond + rate - 1) / rate;
    for (const uint32_t timebase : smaf::kTimebasesMs)
        if ((ms + timebase - 1) / timebase <= kLongestScoreNumber)
            return {timebase, static_cast<uint32_t>((ms + timebase - 1) / timebase)};
    return {std::end(smaf::kTimebasesMs)[-1], kLongestScoreNumber};
}

// The longest sound a gate can hold, in samples.
uint64_t LongestSamples(uint32_t rate) {
    return uint64_t{kLongestScoreNumber} * std::end(smaf::kTimebasesMs)[-1] * rate / kMsPerSecond;
}

smaf::Bytes AudioFile(uint32_t rate, uint64_t samples, smaf::Bytes adpcm) {
    const Gate gate = GateOf(samples, rate);
    smaf::AudioSequence sequence;
    sequence.WaveVolume(0, kFullWaveVolume);
    sequence.Wave(0, kWave, gate.ticks);
    sequence.End();
    smaf::AudioTrackContent track;
    track.wave_type = rate == kHighRate ? smaf::kWaveType8000Hz : smaf::kWaveType4000Hz;
    track.timebase_d = track.timebase_g = smaf::TimebaseCode(gate.timebase_ms);
    track.sequence = sequence.bytes();
    track.waves.push_back({kWave, std::move(adpcm)});
    return smaf::SmafFile({smaf::AudioTrackChunk(track)});
}

// The size of the file holding `samples` samples at `rate`.
uint64_t FileBytes(uint32_t rate, uint64_t samples) {
    return AudioFile(rate, samples, {}).size() + (samples + 1) / 2;
}

// A damaged header can claim up to 2^63 frames: worked out in 128 bits, and held at 2^53 samples (35000 years
// at 8000 Hz, far beyond the longest sound a slot takes), so that the sizes and times made of it fit 64 bits.
uint64_t SamplesAt(const AudioInfo& info, uint32_t rate) {
    const unsigned __int128 samples =
        (static_cast<unsigned __int128>(info.frames) * rate + info.rate - 1) / info.rate;
    return static_cast<uint64_t>(std::min<unsigned __int128>(samples, kMostSamples));
}

void FadeOut(std::vector<float>& samples, uint32_t rate) {
    const size_t length = std::min<size_t>(samples.size(), size_t{kFadeOutMs} * rate / kMsPerSecond);
    const size_t start = samples.size() - length;
    for (size_t i = 0; i < length; ++i) samples[start + i] *= float(length - 1 - i) / float(length);
}

std::vector<int16_t> Pcm(const std::vector<float>& samples) {
    std::vector<int16_t> pcm;
    pcm.reserve(samples.size());
    for (const float sample : samples)
        pcm.push_back(static_cast<int16_t>(
            std::lround(std::clamp(sample * kSampleScale, -kSampleScale, kSampleScale))));
    return pcm;
}

}  // namespace

AudioFit FitAudio(CAudioSource& source, uint32_t max_bytes) {
    AudioFit fit;
    const AudioInfo& info = source.Info();
    AudioReport& report = fit.report;
    report.format = info.format;
    report.input_rate = info.rate;
    report.input_channels = info.channels;
    if (info.frames == 0 || info.rate == 0 || info.channels == 0) {
        fit.error = convert_text::kNoSound;
        return fit;
    }
    fit.input_seconds = double(info.frames) / info.rate;

    uint32_t rate = kHighRate;
    uint64_t samples = SamplesAt(info, rate);
    if (samples > LongestSamples(rate) || FileBytes(rate, samples) > max_bytes) {
        report.bytes_at_8000 =
            static_cast<uint32_t>(std::min<uint64_t>(FileBytes(rate, samples), UINT32_MAX));
        rate = kLowRate;
        samples = SamplesAt(info, rate);
    }
    uint64_t frames = info.frames;
    if (samples > LongestSamples(rate) || FileBytes(rate, samples) > max_bytes) {
        // Keep what the limit holds: an even number of samples, since a byte carries two.
        const uint64_t overhead = AudioFile(rate, samples, {}).size();
        samples =
            max_bytes > overhead ? std::min<uint64_t>(2 * (max_bytes - overhead), LongestSamples(rate)) : 0;
        samples &= ~uint64_t{1};
        if (samples == 0) {
            fit.error = FormatText(convert_text::kNoRoom, max_bytes, static_cast<unsigned>(overhead + 1));
            return fit;
        }
        frames = std::min<uint64_t>(info.frames, samples * info.rate / rate);
        report.cut = true;
        report.fade_ms = kFadeOutMs;
    }
    report.sample_rate = rate;
    report.kept_seconds = double(samples) / rate;

    std::vector<float> mono;
    std::string reason;
    if (!source.ReadMono(frames, rate, static_cast<size_t>(samples), mono, reason)) {
        fit.error = FormatText(convert_text::kAudioUnreadable, reason.c_str());
        return fit;
    }
    if (report.cut) FadeOut(mono, rate);
    report.gain_db = Normalise(mono);
    fit.file = AudioFile(rate, samples, smaf::EncodeAdpcm(Pcm(mono)));
    return fit;
}

}  // namespace cantavo
