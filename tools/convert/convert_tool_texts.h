#pragma once
// Every text cantavo-convert shows besides the converter's own.

namespace cantavo::convert_tool_text {

inline constexpr const char* kProgram = "cantavo-convert";
inline constexpr const char* kDescription =
    "cantavo-convert [--slot fm|adpcm] [--max-bytes N] [--voices 2op|4op|auto] [--timebase MS] [--report] "
    "IN OUT.mmf\n\n"
    "Converts a MIDI file (.mid) into a SMAF score for an FM slot, or an audio file (WAV, FLAC, OGG, "
    "anything\n"
    "libsndfile reads) into a SMAF ADPCM melody for an ADPCM slot, fitted to the slot. When the melody does "
    "not\n"
    "fit, the converter gives up, in this order and only as far as needed: timing precision, the busiest\n"
    "controller streams, polyphony, and last the end of the song (audio: the end of the sound). Everything "
    "it\n"
    "gives up is in the report.";
inline constexpr const char* kSlotHelp =
    "Kind of slot the melody is for: fm (takes MIDI files, 8160 bytes) or adpcm (takes audio files, 16352 "
    "bytes); default: the one the input's kind goes to";
inline constexpr const char* kMaxBytesHelp = "Largest melody in bytes (default: what the slot holds)";
inline constexpr const char* kVoicesHelp =
    "MIDI: 2-operator voices (2op, the default), 4-operator voices (4op), or 4-operator voices where the "
    "engine's operator budget allows (auto)";
inline constexpr const char* kTimebaseHelp =
    "MIDI: the timing grid in milliseconds, one of 1, 2, 4, 5, 10, 20, 40, 50 (default: the finest that "
    "fits)";
inline constexpr const char* kReportHelp =
    "Print what was converted and what was given up: input length, output bytes, timebase or sample rate, "
    "voices, notes dropped, controllers thinned, cut point";
inline constexpr const char* kInHelp = "MIDI or audio file to convert";
inline constexpr const char* kOutHelp = "SMAF file to write";

inline constexpr const char* kBadMaxBytes = "--max-bytes must be at least 1";
inline constexpr const char* kSameFile = "%s: the output would overwrite the input";
inline constexpr const char* kCannotWrite = "%s: cannot write: %s";
// After the one-line summary when something was given up and --report was not asked for.
inline constexpr const char* kSeeReport = "%s (--report tells more)";

}  // namespace cantavo::convert_tool_text
