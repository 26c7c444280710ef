#include "convert/convert.h"

#include <vector>

#include "convert/audio_fit.h"
#include "convert/convert_texts.h"
#include "convert/midi_file_reader.h"
#include "convert/midi_song.h"
#include "convert/score_fit.h"
#include "convert/text_format.h"
#include "engine/smaf_parser.h"
#include "host/file_io.h"

namespace cantavo {
namespace {

constexpr size_t kSniffBytes = 12;

Conversion Failed(Conversion conversion, const std::string& name, const std::string& reason) {
    conversion.error = FormatText(convert_text::kFileError, name.c_str(), reason.c_str());
    conversion.smaf.clear();
    return conversion;
}

uint32_t SlotBytes(SlotKind slot) {
    return slot == SlotKind::kFm ? kFmMelodyBytes : kAdpcmMelodyBytes;
}

// The report's fields that come from the options; empty when the slot does not take the input's kind.
std::string Prepare(ConversionReport& report, InputKind kind, const ConvertOptions& options) {
    const SlotKind natural = kind == InputKind::kMidi ? SlotKind::kFm : SlotKind::kAdpcm;
    report.kind = kind;
    report.slot = options.slot.value_or(natural);
    if (report.slot != natural)
        return kind == InputKind::kMidi ? convert_text::kMidiForAdpcm : convert_text::kAudioForFm;
    report.max_from_slot = !options.max_bytes;
    report.max_bytes = options.max_bytes.value_or(SlotBytes(report.slot));
    if (kind == InputKind::kAudio) {
        if (options.voices) report.ignored_options.push_back("--voices");
        if (options.timebase_ms) report.ignored_options.push_back("--timebase");
    }
    return {};
}

// The file's first `largest` bytes (all of a shorter one); nothing (reason set) when it cannot be read.
std::optional<std::vector<uint8_t>> ReadBytes(const std::filesystem::path& path, size_t largest,
                                              std::string& reason) {
    std::string error;
    std::optional<std::vector<uint8_t>> bytes = ReadFileStart(path, largest, error, &reason);
    if (!bytes) reason = FormatText(convert_text::kCannotRead, reason.c_str());
    return bytes;
}

// `source` opened (or not, for `reason`) from the file named `name`.
Conversion ConvertAudioSource(CAudioSource* source, const std::string& reason, const std::string& name,
                              const ConvertOptions& options) {
    Conversion conversion;
    conversion.report.input_name = std::filesystem::path(name).filename().string();
    if (source == nullptr)
        return Failed(std::move(conversion), name, FormatText(convert_text::kUnknownKind, reason.c_str()));
    if (std::string wrong = Prepare(conversion.report, InputKind::kAudio, options); !wrong.empty())
        return Failed(std::move(conversion), name, wrong);
    AudioFit fit = FitAudio(*source, conversion.report.max_bytes);
    conversion.report.audio = fit.report;
    conversion.report.input_seconds = fit.input_seconds;
    if (!fit.error.empty()) return Failed(std::move(conversion), name, fit.error);
    conversion.smaf = std::move(fit.file);
    conversion.report.output_bytes = static_cast<uint32_t>(conversion.smaf.size());
    return conversion;
}

Conversion ConvertAudioFile(const std::filesystem::path& input, const ConvertOptions& options) {
    std::string reason;
    const std::unique_ptr<CAudioSource> source = CAudioSource::Open(input, reason);
    return ConvertAudioSource(source.get(), reason, input.string(), options);
}

}  // namespace

Conversion ConvertMidi(std::span<const uint8_t> midi, const std::string& name,
                       const ConvertOptions& options) {
    Conversion conversion;
    conversion.report.input_name = std::filesystem::path(name).filename().string();
    if (std::string wrong = Prepare(conversion.report, InputKind::kMidi, options); !wrong.empty())
        return Failed(std::move(conversion), name, wrong);
    std::string reason;
    const std::optional<MidiFileContents> contents = ReadMidiFile(midi, reason);
    if (!contents) return Failed(std::move(conversion), name, reason);
    const MidiSong song = BuildMidiSong(*contents);
    conversion.report.input_seconds = song.length_ms / 1000;
    MidiFitOptions fit_options;
    fit_options.max_bytes = conversion.report.max_bytes;
    fit_options.voices = options.voices.value_or(VoiceMode::kTwoOperator);
    fit_options.timebase_ms = options.timebase_ms.value_or(0);
    MidiFit fit = FitMidiSong(song, fit_options);
    conversion.report.midi = std::move(fit.report);
    if (!fit.error.empty()) return Failed(std::move(conversion), name, fit.error);
    conversion.smaf = std::move(fit.file);
    conversion.report.output_bytes = static_cast<uint32_t>(conversion.smaf.size());
    return conversion;
}

Conversion ConvertAudio(std::span<const uint8_t> audio, const std::string& name,
                        const ConvertOptions& options) {
    std::string reason;
    const std::unique_ptr<CAudioSource> source = CAudioSource::Open(audio, reason);
    return ConvertAudioSource(source.get(), reason, name, options);
}

std::optional<InputKind> ConvertibleKind(const std::filesystem::path& path) {
    std::string reason;
    const std::optional<std::vector<uint8_t>> head = ReadBytes(path, kSniffBytes, reason);
    if (!head) return std::nullopt;
    if (LooksLikeMidiFile(*head)) return InputKind::kMidi;
    if (IsSmafFile(*head)) return std::nullopt;
    if (CAudioSource::Open(path, reason)) return InputKind::kAudio;
    return std::nullopt;
}

Conversion ConvertFile(const std::filesystem::path& input, const ConvertOptions& options) {
    std::string reason;
    const std::optional<std::vector<uint8_t>> head = ReadBytes(input, kSniffBytes, reason);
    if (!head) {
        Conversion failed;
        failed.report.input_name = input.filename().string();
        return Failed(std::move(failed), input.string(), reason);
    }
    if (!LooksLikeMidiFile(*head)) return ConvertAudioFile(input, options);
    // One byte more than the largest, so that a larger file is seen to be too large.
    const std::optional<std::vector<uint8_t>> midi = ReadBytes(input, kLargestMidiFileBytes + 1, reason);
    if (!midi) {
        Conversion failed;
        failed.report.input_name = input.filename().string();
        return Failed(std::move(failed), input.string(), reason);
    }
    return ConvertMidi(*midi, input.string(), options);
}

}  // namespace cantavo
