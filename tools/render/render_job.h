#pragma once
// One render: a SMAF file through the engine into an output file, the way the player feeds its buffers.

#include <cstdint>
#include <filesystem>
#include <string>

#include "engine/voice_files.h"

namespace cantavo {

struct RenderOptions {
    VoiceFiles voices;      // none: built-in voices only
    uint32_t start_ms = 0;  // 0 = from the beginning
    uint32_t loops = 1;     // plays of the song, >= 1
    bool raw = false;       // raw PCM instead of an audio file
};

// Renders `input` to `output` with the calls the player makes (SetData, Play, Seek, Render calls of one
// player buffer until one returns 0), on an engine of its own, so that a file renders the same alone or in a
// batch (notes still ringing at the end of one song never reach the next). Returns an empty string on
// success, else a message naming the file and the reason. The output file is only created once the song is
// known to play.
std::string RenderFile(const std::filesystem::path& input, const std::filesystem::path& output,
                       const RenderOptions& options);

}  // namespace cantavo
