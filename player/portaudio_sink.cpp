#include "player/portaudio_sink.h"

#include <portaudio.h>

#include <cstring>
#include <span>

#include "engine/synth.h"
#include "host/quiet_stderr.h"
#include "player/player_texts.h"

namespace cantavo {
namespace {

constexpr uint32_t kMaxSliceFrames = 1024;  // more than the device ever hands over at once
constexpr int kChannels = kChannelsPerFrame;

std::string PaReason(PaError code) {
    return std::string("PortAudio: ") + Pa_GetErrorText(code);
}

}  // namespace

std::unique_ptr<PortAudioSink> PortAudioSink::Open(const WaveFormat& format, std::string& error) {
    // ALSA reports every card it probes on stderr.
    CQuietStderr quiet;
    if (PaError code = Pa_Initialize(); code != paNoError) {
        error = PaReason(code);
        return nullptr;
    }
    PaStreamParameters output{};
    output.device = Pa_GetDefaultOutputDevice();
    const PaDeviceInfo* info = output.device == paNoDevice ? nullptr : Pa_GetDeviceInfo(output.device);
    if (!info) {
        Pa_Terminate();
        error = player_texts::kNoDefaultDevice;
        return nullptr;
    }
    output.channelCount = kChannels;
    output.sampleFormat = paInt16;
    output.suggestedLatency = info->defaultHighOutputLatency;

    // The card's own rate when it refuses ours; the converter then keeps pitch and speed right.
    double rate = format.samples_per_sec;
    std::unique_ptr<RateConverter> converter;
    if (Pa_IsFormatSupported(nullptr, &output, rate) != paFormatIsSupported) {
        rate = info->defaultSampleRate;
        converter = RateConverter::Create(format.samples_per_sec, static_cast<uint32_t>(rate),
                                          kMaxSliceFrames, error);
        if (!converter) {
            Pa_Terminate();
            return nullptr;
        }
    }
    PaStream* stream = nullptr;
    if (PaError code = Pa_OpenStream(&stream, nullptr, &output, rate, paFramesPerBufferUnspecified, paClipOff,
                                     nullptr, nullptr);
        code != paNoError) {
        error = PaReason(code) + " (" + info->name + ")";
        Pa_Terminate();
        return nullptr;
    }
    return std::unique_ptr<PortAudioSink>(new PortAudioSink(stream, std::move(converter)));
}

PortAudioSink::~PortAudioSink() {
    Pa_CloseStream(m_stream);
    Pa_Terminate();
}

void PortAudioSink::Start() {
    if (Pa_IsStreamStopped(m_stream) == 1) Pa_StartStream(m_stream);
}

// An underflow reported by the write is a gap already heard; the next write carries on.
void PortAudioSink::Consume(const uint8_t* pcm, uint32_t bytes) {
    std::span<const int16_t> frames(reinterpret_cast<const int16_t*>(pcm), bytes / sizeof(int16_t));
    if (m_converter) frames = m_converter->Convert(frames);
    if (!frames.empty()) Pa_WriteStream(m_stream, frames.data(), frames.size() / kChannels);
}

void PortAudioSink::Idle(bool discard) {
    if (Pa_IsStreamStopped(m_stream) == 0) (discard ? Pa_AbortStream : Pa_StopStream)(m_stream);
    if (discard && m_converter) m_converter->Reset();
}

}  // namespace cantavo
