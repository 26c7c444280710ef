// Converts 16-bit stereo PCM from one sample rate to another, for a sound card that does not take the
// player's rate. Streaming: state carries over from one call to the next.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

typedef struct SRC_STATE_tag SRC_STATE;

namespace cantavo {

class RateConverter {
public:
    // Null with the reason in error when the library refuses the conversion.
    static std::unique_ptr<RateConverter> Create(uint32_t from_rate, uint32_t to_rate,
                                                 uint32_t max_input_frames, std::string& error);
    ~RateConverter();

    // Converts frames (left, right interleaved; at most max_input_frames) and returns the output frames made
    // so far, valid until the next call. The filter holds back a few frames, which come with later calls.
    std::span<const int16_t> Convert(std::span<const int16_t> frames);
    // Forgets the held-back frames (after a reset of the device).
    void Reset();

private:
    RateConverter(SRC_STATE* state, double ratio, uint32_t max_input_frames);

    SRC_STATE* m_state;
    double m_ratio;  // output rate / input rate
    std::vector<float> m_input;
    std::vector<float> m_output;
    std::vector<int16_t> m_outputPcm;
};

}  // namespace cantavo
