#pragma once
// The voice table of the sound device: 40 banks x 128 voice records.
//
//   banks 0-9    melody voices by program: built-in banks 0 and 1, then ma2voice.vma
//   banks 10-19  drum voices by note: built-in bank 10, ma2voice.vma (notes 13-90), ma2voice.adp waves
//   banks 20-39  song voices by program; 20 starts as a copy of bank 0, 30 as a copy of bank 10
//
// Decoded song voice (26 bytes):
//   0 unused  1 bank code (bits 6-0 bank, bit 7 adds 10)  2 index (bits 6-0)
//   3 bits 7-6 lfo_rate, 5-3 feedback, 2-0 algorithm  4 bits 1-0 octave_code
//   5-9, 10-14, 15-19, 20-24 operators 1-4 packed  25 bits 6-0 drum_note

#include <array>
#include <cstdint>
#include <span>

#include "engine/voice_record.h"

namespace cantavo {

class CAdpcmPlayer;

inline constexpr uint32_t kVoiceBanks = 40;
inline constexpr uint32_t kVoicesPerBank = 128;
inline constexpr size_t kSongVoiceBytes = 26;

class CVoiceTable {
public:
    // Every record empty, then the built-in banks into banks 0, 1 and 10, and their copies into 20 and 30.
    CVoiceTable();

    // Takes the FM voices of the bytes of ma2voice.vma; a missing (empty) or malformed file leaves the
    // table as it is.
    void LoadVmaFile(std::span<const uint8_t> file);
    // Loads the drum waves of the bytes of ma2voice.adp into `player` and points the drum records at them.
    void LoadAdpFile(std::span<const uint8_t> file, CAdpcmPlayer& player);

    // Stores one decoded song voice (kSongVoiceBytes bytes) into its record; banks above 39 are ignored.
    void SetSongVoice(const uint8_t* song_voice);

    VoiceRecord& Record(uint32_t bank, uint32_t index) { return m_records[bank * kVoicesPerBank + index]; }
    const VoiceRecord& Record(uint32_t bank, uint32_t index) const {
        return m_records[bank * kVoicesPerBank + index];
    }

private:
    void CopyBank(uint32_t from, uint32_t to);

    std::array<VoiceRecord, kVoiceBanks * kVoicesPerBank> m_records{};
};

}  // namespace cantavo
