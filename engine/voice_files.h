#pragma once
// The voice data files as the engine is handed them: the bytes of ma2voice.vma (FM voices) and of
// ma2voice.adp (drum waves). An empty one stands for a missing file, whose part of the built-in banks
// stays; the engine reads no files itself.

#include <cstdint>
#include <vector>

namespace cantavo {

struct VoiceFiles {
    std::vector<uint8_t> vma;
    std::vector<uint8_t> adp;
};

}  // namespace cantavo
