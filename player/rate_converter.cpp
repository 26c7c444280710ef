#include "player/rate_converter.h"

#include <samplerate.h>

#include <cmath>

#include "engine/synth.h"

namespace cantavo {
namespace {

constexpr int kChannels = kChannelsPerFrame;

}  // namespace

std::unique_ptr<RateConverter> RateConverter::Create(uint32_t from_rate, uint32_t to_rate,
                                                     uint32_t max_input_frames, std::string& error) {
    const double ratio = static_cast<double>(to_rate) / from_rate;
    int code = 0;
    SRC_STATE* state = src_new(SRC_SINC_MEDIUM_QUALITY, kChannels, &code);
    if (!state || !src_is_valid_ratio(ratio)) {
        error = std::string("libsamplerate: ") + (state ? "unsupported rate ratio" : src_strerror(code));
        if (state) src_delete(state);
        return nullptr;
    }
    return std::unique_ptr<RateConverter>(new RateConverter(state, ratio, max_input_frames));
}

RateConverter::RateConverter(SRC_STATE* state, double ratio, uint32_t max_input_frames)
    : m_state(state),
      m_ratio(ratio),
      m_input(max_input_frames * kChannels),
      // Room for the frames of one call plus the filter's rounding slack.
      m_output((static_cast<size_t>(std::ceil(max_input_frames * ratio)) + 16) * kChannels),
      m_outputPcm(m_output.size()) {}

RateConverter::~RateConverter() {
    src_delete(m_state);
}

std::span<const int16_t> RateConverter::Convert(std::span<const int16_t> frames) {
    const size_t samples = std::min(frames.size(), m_input.size());
    src_short_to_float_array(frames.data(), m_input.data(), static_cast<int>(samples));
    SRC_DATA data{};
    data.data_in = m_input.data();
    data.input_frames = static_cast<long>(samples / kChannels);
    data.data_out = m_output.data();
    data.output_frames = static_cast<long>(m_output.size() / kChannels);
    data.src_ratio = m_ratio;
    if (src_process(m_state, &data) != 0) return {};
    const int produced = static_cast<int>(data.output_frames_gen * kChannels);
    src_float_to_short_array(m_output.data(), m_outputPcm.data(), produced);
    return {m_outputPcm.data(), static_cast<size_t>(produced)};
}

void RateConverter::Reset() {
    src_reset(m_state);
}

}  // namespace cantavo
