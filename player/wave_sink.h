// The end of the wave output device that the sound goes to: a sound card, a clock, or a file.
#pragma once

#include <cstdint>

namespace cantavo {

class WaveSink {
public:
    virtual ~WaveSink() = default;
    // The device starts (or resumes) playing after an idle spell.
    virtual void Start() = 0;
    // Takes the next bytes of sound, whole frames of the device's format. May block to keep the pace of
    // playback.
    virtual void Consume(const uint8_t* pcm, uint32_t bytes) = 0;
    // The device has nothing to play for now (paused or out of buffers). With discard (a reset), sound
    // already taken but not yet heard is dropped; otherwise it still plays out.
    virtual void Idle(bool discard) = 0;
};

}  // namespace cantavo
