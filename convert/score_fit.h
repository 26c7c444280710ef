#pragma once
// Fits a song into a slot. The first try keeps everything at the finest timebase (or the one asked for). When
// the score is too large the fit gives up, in this order and only as far as needed: precision (coarser
// timebases up to 20 ms), the busiest controller streams one after the other (expression and modulation
// dropped, pitch bend rounded to quarter-semitone steps), polyphony (down to 8 voices), and last the end of
// the song (cut at the latest bar line that fits, the notes sounding there released). After each step the
// finest timebase that still fits is taken again.

#include <cstdint>
#include <string>

#include "convert/channel_mapping.h"
#include "convert/conversion_report.h"
#include "convert/midi_song.h"
#include "smaf_writer/smaf_writer.h"

namespace cantavo {

struct MidiFitOptions {
    uint32_t max_bytes = kFmMelodyBytes;
    VoiceMode voices = VoiceMode::kTwoOperator;
    uint32_t timebase_ms = 0;  // 0: the finest that fits
};

struct MidiFit {
    std::string error;  // the reason when nothing fits
    smaf::Bytes file;
    MidiReport report;
};

MidiFit FitMidiSong(const MidiSong& song, const MidiFitOptions& options);

}  // namespace cantavo
