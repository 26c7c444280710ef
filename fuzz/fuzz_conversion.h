#pragma once
// What the two converter targets share: the options taken from the input's last byte, and the checks on what
// came out.

#include <array>
#include <cstdint>
#include <string>

#include "convert/convert.h"
#include "engine/synth.h"
#include "fuzz/fuzz_support.h"
#include "smaf_writer/smaf_writer.h"

namespace cantavo::fuzz {

// The voices (choice % 3); bit 2: a timebase, from bits 3-5; bit 6: a limit of 300 bytes instead of the
// slot's. Audio takes the MIDI options too: they are reported as ignored.
inline ConvertOptions ConversionOptions(uint8_t choice) {
    ConvertOptions options;
    options.voices = static_cast<VoiceMode>(choice % 3);
    if (choice & 0x04) options.timebase_ms = smaf::kTimebasesMs[(choice >> 3) % 8];
    if (choice & 0x40) options.max_bytes = 300;
    return options;
}

// Either an error naming the file or a melody within the limit, which the engine plays.
inline void CheckConversion(const Conversion& conversion, const std::string& name) {
    FUZZ_CHECK(conversion.error.empty() != conversion.smaf.empty());
    if (!conversion.error.empty()) {
        FUZZ_CHECK(conversion.error.starts_with(name + ": "));
        return;
    }
    FUZZ_CHECK(conversion.smaf.size() <= conversion.report.max_bytes);
    FUZZ_CHECK(conversion.report.output_bytes == conversion.smaf.size());
    SynthSetData(nullptr, 0);
    SynthSetData(conversion.smaf.data(), static_cast<uint32_t>(conversion.smaf.size()));
    FUZZ_CHECK(SynthPlay() == 1);
    std::array<uint8_t, 1024> buffer;
    for (int i = 0; i < 4 && SynthRender(buffer.data(), buffer.size()) != 0; ++i) {
    }
    SynthSetData(nullptr, 0);
}

}  // namespace cantavo::fuzz
