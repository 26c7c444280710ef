#pragma once
// What a conversion did and what it gave up, as the report shows it (cantavo-convert --report, and its
// one-line summary in the window's log).

#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert/controller_streams.h"
#include "convert/midi_song.h"
#include "transfer/user_area.h"  // the melody bytes of an FM and an ADPCM slot

namespace cantavo {

enum class SlotKind { kFm, kAdpcm };
enum class InputKind { kMidi, kAudio };

// The fit steps, in the order they are tried.
enum class FitStep { kCoarserTimebase, kControllers, kPolyphony, kCut };

struct GivenUpStream {
    ControllerStream stream;  // its changes in the MIDI file
    uint32_t written;         // control events left in the score (0 when dropped)
};

struct MidiCut {
    uint32_t bar;  // the song stops at the end of this bar (1 = the first); 0 = inside the first bar
    uint32_t ms;   // where
    uint32_t notes_kept;
};

struct MidiReport {
    uint16_t format = 0;
    uint16_t tracks = 0;
    uint16_t division = 0;
    uint32_t notes = 0;  // in the file
    uint32_t requested_timebase_ms = 1;
    uint32_t timebase_ms = 1;
    uint32_t score_tracks = 0;
    uint32_t melody_programs = 0;
    uint32_t four_operator_programs = 0;
    uint32_t drum_sounds = 0;
    bool four_operator_gave_way = false;  // --voices auto: 4-operator voices did not fit
    VelocityUse velocity = VelocityUse::kFull;
    uint32_t drum_notes_without_sound = 0;
    uint32_t dropped_above_engine = 0;  // notes beyond the engine's 16 voices and 32 operators
    uint32_t shortened_above_engine = 0;
    int polyphony = 16;  // voices the fit allowed
    uint32_t dropped_to_fit = 0;
    uint32_t shortened_to_fit = 0;
    uint32_t notes_too_long = 0;  // longer than the longest gate
    std::vector<GivenUpStream> given_up;
    std::optional<MidiCut> cut;
    std::vector<FitStep> steps;
    // About the input.
    std::string damage;
    uint32_t events_after_limit = 0;
    std::bitset<kMidiChannels> unknown_bank;
    std::bitset<kMidiChannels> wide_bend;
};

struct AudioReport {
    std::string format;  // as libsndfile names it
    uint32_t input_rate = 0;
    uint32_t input_channels = 0;
    uint32_t sample_rate = 0;    // of the ADPCM wave
    uint32_t bytes_at_8000 = 0;  // what the whole sound takes at the higher rate, when that rate is not used
    bool cut = false;
    double kept_seconds = 0;
    uint32_t fade_ms = 0;
    double gain_db = 0;  // normalisation
};

struct ConversionReport {
    std::string input_name;  // the file name, as shown
    InputKind kind = InputKind::kMidi;
    double input_seconds = 0;
    SlotKind slot = SlotKind::kFm;
    uint32_t max_bytes = 0;
    bool max_from_slot = true;  // the limit is the slot's, not --max-bytes
    uint32_t output_bytes = 0;
    std::vector<std::string> ignored_options;  // options that do not apply to the input's kind
    MidiReport midi;
    AudioReport audio;
};

// The report, several lines ending in newlines.
std::string ReportText(const ConversionReport& report);
// One line: what came out and what was given up.
std::string ReportSummary(const ConversionReport& report);
// Something was dropped, thinned, shortened or cut.
bool GaveUpAnything(const ConversionReport& report);

}  // namespace cantavo
