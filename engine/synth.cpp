#include "engine/synth.h"

#include "engine/synth_engine.h"

namespace cantavo {
namespace {

VoiceFiles& WaitingVoiceFiles() {
    static VoiceFiles voices;
    return voices;
}

bool& EngineConstructed() {
    static bool constructed = false;
    return constructed;
}

// The voice files for the engine being constructed; later files come too late.
VoiceFiles TakeVoiceFiles() {
    EngineConstructed() = true;
    return std::move(WaitingVoiceFiles());
}

}  // namespace

CSynthEngine& TheSynthEngine() {
    static CSynthEngine engine(TakeVoiceFiles());
    return engine;
}

void SynthSetVoiceFiles(VoiceFiles voices) {
    if (EngineConstructed()) return;
    WaitingVoiceFiles() = std::move(voices);
}

void SynthSetRepeat(uint32_t mode) {
    TheSynthEngine().SetRepeat(mode);
}

void SynthSetData(const uint8_t* data, uint32_t length) {
    TheSynthEngine().SetData(data, length);
}

int SynthPlay() {
    return TheSynthEngine().Play();
}

int SynthSeek(uint32_t ms) {
    return TheSynthEngine().Seek(ms);
}

uint32_t SynthRender(uint8_t* buffer, uint32_t bytes) {
    return TheSynthEngine().Render(buffer, bytes);
}

}  // namespace cantavo
