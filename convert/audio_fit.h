#pragma once
// An audio file becomes one ADPCM wave on the audio track, at the higher of the engine's two wave rates that
// holds the whole sound within the limit. When even the lower one does not, the sound is cut where the limit
// ends, with a short fade-out.

#include <cstdint>
#include <filesystem>
#include <string>

#include "convert/audio_reader.h"
#include "convert/conversion_report.h"
#include "smaf_writer/smaf_writer.h"

namespace cantavo {

inline constexpr uint32_t kFadeOutMs = 100;

struct AudioFit {
    std::string error;  // the reason when nothing came out
    smaf::Bytes file;
    AudioReport report;
    double input_seconds = 0;
};

AudioFit FitAudio(CAudioSource& source, uint32_t max_bytes);

}  // namespace cantavo
