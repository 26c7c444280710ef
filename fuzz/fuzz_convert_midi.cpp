// libFuzzer target: arbitrary bytes as a MIDI file through the converter, with the options taken from the last
// byte (voices, timebase, a slot's limit or a small one).
#include <cstddef>
#include <cstdint>
#include <span>

#include "convert/convert.h"
#include "smaf_writer/smaf_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t choice = data[size - 1];
    ConvertOptions options;
    options.voices = static_cast<VoiceMode>(choice % 3);
    if (choice & 0x04) options.timebase_ms = smaf::kTimebasesMs[(choice >> 3) % 8];
    if (choice & 0x40) options.max_bytes = 300;
    ConvertMidi(std::span<const uint8_t>(data, size - 1), "fuzz.mid", options);
    return 0;
}
