// The sound card: PortAudio's default output device, written in blocking mode from the device's thread. A
// card that does not take the player's rate is opened at its own rate and fed through a RateConverter.
#pragma once

#include <memory>
#include <string>

#include "player/rate_converter.h"
#include "player/wave_out.h"

typedef void PaStream;

namespace cantavo {

class PortAudioSink : public WaveSink {
public:
    // Null with the reason in error when there is no usable output device.
    static std::unique_ptr<PortAudioSink> Open(const WaveFormat& format, std::string& error);
    ~PortAudioSink() override;

    void Start() override;
    void Consume(const uint8_t* pcm, uint32_t bytes) override;
    void Idle(bool discard) override;

private:
    PortAudioSink(PaStream* stream, std::unique_ptr<RateConverter> converter)
        : m_stream(stream), m_converter(std::move(converter)) {}

    PaStream* m_stream;
    std::unique_ptr<RateConverter> m_converter;  // null when the card takes the rate as it is
};

}  // namespace cantavo
