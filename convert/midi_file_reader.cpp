#include "convert/midi_file_reader.h"

// The library's header needs size_t and EOF declared before it.
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <mfmidi.h>

#include <algorithm>

#include "convert/convert_texts.h"

namespace cantavo {
namespace {

constexpr int kHighestFormat = 1;
constexpr int64_t kLatestTick = int64_t{1} << 40;

// The library reads the data of a meta event (a tempo, a time signature, ...) at the fixed places of its
// longest form, whatever length the file gives it, from a message buffer it allocates on the first event with
// data: a too short first meta event reads through a null pointer. A first read of this file, on the same
// reader, leaves the buffer allocated (and larger than any fixed form), so such events read stale bytes
// instead, which the checks below take as they come.
constexpr uint8_t kPrimer[] = {'M', 'T',  'h',  'd', 0, 0, 0, 6,  0, 0, 0, 1, 0, 96,  // format 0, one track
                               'M', 'T',  'r',  'k', 0, 0, 0, 16,                     // 16 bytes:
                               0,   0xFF, 0x01, 8,   0, 0, 0, 0,  0, 0, 0, 0,         // a text of 8 bytes
                               0,   0xFF, 0x2F, 0};                                   // the end of the track

bool StartsWith(std::span<const uint8_t> bytes, size_t at, const char* text) {
    const size_t length = std::strlen(text);
    return bytes.size() >= at + length && std::memcmp(bytes.data() + at, text, length) == 0;
}

bool IsRiffMidi(std::span<const uint8_t> bytes) {
    return StartsWith(bytes, 0, "RIFF") && StartsWith(bytes, 8, "RMID");
}

// Collects what the library reads. Returning EOF from Mf_getc is the only way to stop it early.
class CMidiEventCollector final : public Midifile_reader {
public:
    explicit CMidiEventCollector(MidiFileContents& contents) : m_contents(contents) {
        Read(kPrimer);
        m_contents = {};
        m_headerSeen = m_refused = false;
    }
    ~CMidiEventCollector() { finalize(); }

    void Read(std::span<const uint8_t> bytes) {
        m_bytes = bytes;
        m_at = 0;
        midifile();
    }

    bool HeaderSeen() const { return m_headerSeen; }

protected:
    void* Mf_malloc(size_t size) override { return std::malloc(size); }
    void Mf_free(void* block, size_t) override { std::free(block); }
    int Mf_getc() override { return m_refused || m_at >= m_bytes.size() ? EOF : m_bytes[m_at++]; }
    void Mf_error(char* message) override {
        if (m_contents.damage.empty()) m_contents.damage = message;
    }

    void Mf_header(int format, int tracks, int division) override {
        m_headerSeen = true;
        m_contents.format = static_cast<uint16_t>(format);
        m_contents.division = static_cast<uint16_t>(division);
        m_refused = format > kHighestFormat || division == 0 || tracks == 0;
    }
    void Mf_starttrack() override { ++m_contents.tracks; }
    // A damaged track may end without this; its events still count.
    void Mf_endtrack() override { NoteTime(); }
    void Mf_eot() override {}

    void Mf_on(int channel, int key, int velocity) override { Channel(kMidiNoteOn, channel, key, velocity); }
    void Mf_off(int channel, int key, int velocity) override {
        Channel(kMidiNoteOff, channel, key, velocity);
    }
    void Mf_controller(int channel, int number, int value) override {
        Channel(kMidiController, channel, number, value);
    }
    void Mf_program(int channel, int program) override { Channel(kMidiProgram, channel, program, 0); }
    void Mf_pitchbend(int channel, int lsb, int msb) override { Channel(kMidiPitchBend, channel, lsb, msb); }
    void Mf_tempo(int microseconds_per_quarter) override {
        if (microseconds_per_quarter > 0)
            m_contents.tempos.push_back({Tick(), static_cast<uint32_t>(microseconds_per_quarter)});
    }
    void Mf_timesig(int numerator, int denominator_power, int, int) override {
        if (numerator > 0 && denominator_power >= 0 && denominator_power <= 6)
            m_contents.time_signatures.push_back(
                {Tick(), static_cast<uint8_t>(numerator), static_cast<uint8_t>(1 << denominator_power)});
    }

    // What the melody does not use.
    void Mf_pressure(int, int, int) override {}
    void Mf_chanpressure(int, int) override {}
    void Mf_chanprefix(int) override {}
    void Mf_portprefix(int) override {}
    void Mf_sysex(int, unsigned char*) override {}
    void Mf_arbitrary(int, unsigned char*) override {}
    void Mf_metamisc(int, int, unsigned char*) override {}
    void Mf_seqnum(int) override {}
    void Mf_smpte(int, int, int, int, int) override {}
    void Mf_keysig(int, int) override {}
    void Mf_sqspecific(int, unsigned char*) override {}
    void Mf_text(int, int, unsigned char*) override {}

private:
    // The library sums delta times of any length without a bound, so a damaged file can take the time past
    // any range, even below 0; a tick this far out lies beyond the longest song at any tempo.
    int64_t Tick() const { return std::clamp<int64_t>(Mf_currtime, 0, kLatestTick); }
    void NoteTime() { m_contents.end_tick = std::max(m_contents.end_tick, Tick()); }

    void Channel(uint8_t kind, int channel, int data1, int data2) {
        NoteTime();
        m_contents.events.push_back({Tick(), static_cast<uint8_t>(kind | (channel & 0x0F)),
                                     static_cast<uint8_t>(data1 & 0x7F), static_cast<uint8_t>(data2 & 0x7F)});
    }

    std::span<const uint8_t> m_bytes;
    size_t m_at = 0;
    MidiFileContents& m_contents;
    bool m_headerSeen = false;
    bool m_refused = false;
};

template <typename T>
void SortByTick(std::vector<T>& items) {
    std::stable_sort(items.begin(), items.end(), [](const T& a, const T& b) { return a.tick < b.tick; });
}

}  // namespace

bool LooksLikeMidiFile(std::span<const uint8_t> bytes) {
    return StartsWith(bytes, 0, "MThd") || IsRiffMidi(bytes);
}

std::optional<MidiFileContents> ReadMidiFile(std::span<const uint8_t> bytes, std::string& reason) {
    if (!LooksLikeMidiFile(bytes)) {
        reason = convert_text::kNotMidi;
        return std::nullopt;
    }
    if (bytes.size() > kLargestMidiFileBytes) {
        reason = convert_text::kMidiTooLarge;
        return std::nullopt;
    }
    MidiFileContents contents;
    CMidiEventCollector collector(contents);
    // A RIFF MIDI file wraps the standard file: the reader skips to its header.
    collector.Mf_skipinit = IsRiffMidi(bytes) ? 1 : 0;
    collector.Read(bytes);

    if (!collector.HeaderSeen()) {
        reason = convert_text::kNotMidi;
        return std::nullopt;
    }
    if (contents.format > kHighestFormat) {
        reason = convert_text::kMidiFormat2;
        return std::nullopt;
    }
    if (contents.division == 0) {
        reason = convert_text::kMidiNoDivision;
        return std::nullopt;
    }
    if (contents.tracks == 0) {
        reason = contents.damage.empty() ? convert_text::kMidiNoTrack
                                         : convert_text::kMidiDamaged + contents.damage;
        return std::nullopt;
    }
    SortByTick(contents.events);
    SortByTick(contents.tempos);
    SortByTick(contents.time_signatures);
    return contents;
}

}  // namespace cantavo
