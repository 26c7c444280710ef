#include "engine/synth.h"

#include <string>

#include "engine/synth_engine.h"

namespace {

std::string& VoiceFolder() {
    static std::string folder;
    return folder;
}

bool& EngineConstructed() {
    static bool constructed = false;
    return constructed;
}

// The folder for the engine being constructed; later folders come too late.
std::filesystem::path TakeVoiceFolder() {
    EngineConstructed() = true;
    return VoiceFolder();
}

}  // namespace

CSynthEngine& TheSynthEngine() {
    static CSynthEngine engine(TakeVoiceFolder());
    return engine;
}

void SynthSetVoiceFolder(const char* path) {
    if (EngineConstructed()) return;
    VoiceFolder() = path != nullptr ? path : "";
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
