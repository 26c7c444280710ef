#pragma once
// The emulated sound chip behind a MIDI-like front (channel_messages.h): 16 channels with note lists, 16 FM
// voice slots under a budget of 32 operators, bank and program selection into the voice table, levels and
// pitch, the ADPCM voice for drum waves and the audio track, and the engine's exclusive messages.

#include <array>
#include <cstdint>
#include <forward_list>
#include <memory>

#include "engine/adpcm_player.h"
#include "engine/channel_messages.h"
#include "engine/fm_synth.h"
#include "engine/levels.h"
#include "engine/sequencer_target.h"
#include "engine/smaf_sequencer.h"
#include "engine/voice_files.h"
#include "engine/voice_table.h"

namespace cantavo {

inline constexpr uint8_t kOperatorBudget = 32;
inline constexpr uint8_t kAdpcmDrumSlot = 0x80;  // note node of an ADPCM drum note: no FM slot
inline constexpr uint8_t kNoSlot = 0xFF;
inline constexpr uint8_t kAllNotes = 0xFF;
inline constexpr uint8_t kAdpcmVoice = 0;      // the one ADPCM voice
inline constexpr uint8_t kFirstDrumBank = 10;  // banks 10..19 are looked up by note

struct SlotRecord {
    uint32_t age = 0;                    // age_counter when last started or freed
    const VoiceRecord* voice = nullptr;  // voice in use
    uint8_t ops = 0;                     // operators sounding; 0 = free
    uint8_t ops_charged = 0;             // operators charged to ops_in_use
    uint8_t velocity = 0;
    uint8_t note = 0;  // the note actually sounded
    uint8_t channel = 0;
};

struct NoteNode {
    const VoiceRecord* voice = nullptr;
    uint8_t note = 0;
    uint8_t velocity = 0;
    uint8_t slot = 0;  // FM slot, or kAdpcmDrumSlot
    int8_t holds = 1;  // legato adds one per overlapping note
};

struct ChannelRecord {
    std::forward_list<NoteNode> notes;  // newest first
    uint8_t program = 0;
    uint8_t bank_lsb = 0;
    uint8_t bank_msb = 0;
    uint8_t bank = 0;         // from bank_msb, bank_lsb and program
    uint8_t voice_ops = 0;    // operator_count of voice (bank, program)
    uint8_t note_limit = 16;  // kMonoNoteLimit: one note at a time, with legato
    uint8_t active = 0;       // notes sounding
    uint8_t volume = 127;
    uint8_t expression = 127;
    uint8_t pan = 64;
    int16_t bend = 0;        // ((MSB << 7) | LSB) x 4 - 32768
    uint8_t bend_range = 2;  // semitones
    uint8_t modulation = 0;  // 0, or 1..4
    uint8_t rpn_msb = 127;
    uint8_t rpn_lsb = 127;
    uint8_t nrpn = 0;     // 1 after a non-registered parameter was selected
    uint8_t reg_key = 0;  // key bit (0 or 0x20) of the last register write
};

class CSoundDevice final : public CSequencerTarget {
public:
    // Builds the voice table from the built-in banks and the voice files.
    explicit CSoundDevice(const VoiceFiles& voices);
    virtual ~CSoundDevice();
    CSoundDevice(const CSoundDevice&) = delete;
    CSoundDevice& operator=(const CSoundDevice&) = delete;

    void ProcessMessage(const uint8_t* bytes, uint32_t length) override;
    // Into this device's voice table and into every other device of the registry.
    void SetSongVoice(const uint8_t* song_voice) override;
    void LoadSongWave(uint8_t wave, const uint8_t* data, uint32_t size, uint32_t rate) override;
    void StopWaveVoice() override;
    void KeyOffRegisterNotes() override;
    // FM output, then the ADPCM voice mixed in.
    void Render(int16_t* frames, uint32_t count) override { Render(frames, count, count); }
    // The same as consecutive renders of `chunk_frames` frames each (the last one shorter) with no message
    // in between.
    void Render(int16_t* frames, uint32_t count, uint32_t chunk_frames);

    CSmafSequencer& Sequencer() { return *m_sequencer; }

    const ChannelRecord& Channel(uint8_t ch) const { return m_channels[ch]; }
    const SlotRecord& Slot(uint8_t slot) const { return m_slots[slot]; }
    const CVoiceTable& Voices() const { return m_voices; }
    const CFmSynth& FmSynth() const { return *m_fm; }
    const CAdpcmPlayer& AdpcmPlayer() const { return *m_adpcm; }
    int16_t MasterOffset() const { return m_masterOffset; }
    uint8_t OpsInUse() const { return m_opsInUse; }

private:
    void Controller(uint8_t ch, uint8_t number, uint8_t value);
    void UpdateVoiceSelection(uint8_t ch);
    uint8_t BankIndex(uint8_t ch) const;
    const VoiceRecord* LookupVoice(uint8_t ch, uint8_t note) const;
    uint8_t AllocSlot(uint8_t ops) const;
    uint16_t ChannelLevels(const ChannelRecord& channel, uint8_t velocity) const;

    void NoteOn(uint8_t ch, uint8_t note, uint8_t velocity);
    void MonoNoteOn(uint8_t ch, uint8_t note, uint8_t velocity);
    void PolyNoteOn(uint8_t ch, uint8_t note, uint8_t velocity);
    void StartAdpcmDrum(uint8_t ch, uint8_t note, uint8_t velocity, const VoiceRecord* voice);
    void StartFmNote(uint8_t ch, uint8_t slot, const VoiceRecord* voice, uint8_t sounded, uint8_t velocity);
    void NoteOff(uint8_t ch, uint8_t note);
    void ReleaseSlot(uint8_t slot);
    NoteNode& AddNote(uint8_t ch, uint8_t note, uint8_t slot);
    void RemoveNotes(uint8_t ch, uint8_t note);

    void Relevel(uint8_t ch);
    void RelevelAllNotes();
    void PitchBend(uint8_t ch, uint8_t lsb, uint8_t msb);
    void AllNotesOff(uint8_t ch);

    void Exclusive(const uint8_t* bytes, uint32_t length);
    void RegisterWrite(const uint8_t* bytes, uint32_t length);
    void StartWaveMessage(uint8_t voice, uint8_t wave, uint8_t direct, uint8_t drum_bank);

    uint32_t m_ageCounter = 0;
    int16_t m_masterOffset = -24;  // 0.5 dB steps
    uint8_t m_volumeMode = 1;
    uint8_t m_opsInUse = 0;
    uint8_t m_slotMode = 0;   // kSlotModeByChannel or not
    uint8_t m_opsBefore = 0;  // m_opsInUse as it was before the last FM note started (see AllocSlot)
    std::array<SlotRecord, kVoiceSlotCount> m_slots{};
    std::array<ChannelRecord, kChannelCount> m_channels{};
    CVoiceTable m_voices;
    std::unique_ptr<CFmSynth> m_fm;
    std::unique_ptr<CAdpcmPlayer> m_adpcm;
    std::unique_ptr<CSmafSequencer> m_sequencer;
};

}  // namespace cantavo
