#pragma once
// Converts a MIDI file or an audio file into a SMAF melody that fits a slot. What the input is comes from its
// content: a Standard MIDI File header, or anything libsndfile reads.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "convert/channel_mapping.h"
#include "convert/conversion_report.h"
#include "smaf_writer/smaf_writer.h"

namespace cantavo {

struct ConvertOptions {
    std::optional<SlotKind> slot;       // default: FM for MIDI, ADPCM for audio
    std::optional<uint32_t> max_bytes;  // default: what the slot holds
    std::optional<VoiceMode> voices;    // MIDI only; default 2-operator
    std::optional<uint32_t>
        timebase_ms;  // MIDI only, one of smaf::kTimebasesMs; default the finest that fits
};

struct Conversion {
    std::string error;  // "<file>: <reason>" when it failed
    smaf::Bytes smaf;
    ConversionReport report;
};

Conversion ConvertFile(const std::filesystem::path& input, const ConvertOptions& options);

// What the file is by its content: a MIDI file, an audio file libsndfile reads, or neither (a SMAF melody or
// anything else, which goes into a slot as it is).
std::optional<InputKind> ConvertibleKind(const std::filesystem::path& path);

// A MIDI file's bytes; `name` names it in errors and the report.
Conversion ConvertMidi(std::span<const uint8_t> midi, const std::string& name, const ConvertOptions& options);
// An audio file's bytes, read by libsndfile from memory.
Conversion ConvertAudio(std::span<const uint8_t> audio, const std::string& name,
                        const ConvertOptions& options);

}  // namespace cantavo
