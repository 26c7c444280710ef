// The engine's exclusive messages: F0 43 79 05 7F type p6 p7 ... F7.
#include <algorithm>

#include "engine/sound_device.h"

namespace cantavo {
namespace {

constexpr uint8_t kFullLevel = 127;
constexpr uint8_t kPanRight = 127;
constexpr uint8_t kKeyBit = 0x20;
constexpr uint8_t kRegisterNote = 60;  // register writes sound the channel's voice at middle C

}  // namespace

void CSoundDevice::Exclusive(const uint8_t* bytes, uint32_t length) {
    if (length < kExclusiveParametersAt ||
        !std::equal(std::begin(kExclusiveHeader), std::end(kExclusiveHeader), bytes))
        return;
    // Parameters beyond the message read as 0.
    const auto p = [&](uint32_t index) -> uint8_t { return index < length ? bytes[index] : 0; };
    switch (bytes[kExclusiveTypeAt]) {
        case kExclusiveNoteLimit:
            if (p(6) < kChannelCount) m_channels[p(6)].note_limit = p(7);
            break;
        case kExclusiveRegisterWrite:
            RegisterWrite(bytes, length);
            break;
        case kExclusiveVolumeMode:
            m_volumeMode = p(6);
            RelevelAllNotes();
            break;
        case kExclusiveStartWave:
            StartWaveMessage(p(6), p(7), p(8), p(9));
            break;
        case kExclusiveStopWave:
            m_adpcm->StopWave(kAdpcmVoice);
            break;
        case kExclusiveWaveLevel: {
            const uint16_t levels = Levels(LevelSettings{m_masterOffset, m_volumeMode}, kPanRight, kFullLevel,
                                           kFullLevel, p(7) & 0x7F);
            m_adpcm->SetWaveVolume(p(6), RightLevel(levels));
            break;
        }
        case kExclusiveMasterLevel:
            m_masterOffset = static_cast<int16_t>(p(6) - kMasterLevelCentre);
            break;
        case kExclusiveSlotMode:
            m_slotMode = p(6);
            break;
        default:
            break;
    }
}

void CSoundDevice::StartWaveMessage(uint8_t voice, uint8_t wave, uint8_t direct, uint8_t drum_bank) {
    if (direct != 0) {
        m_adpcm->StartWave(voice, wave);
        return;
    }
    // The wave of a drum voice record; a bank or note outside the voice table names no wave.
    const uint32_t bank = kFirstDrumBank + drum_bank;
    if (bank >= kVoiceBanks || wave >= kVoicesPerBank) return;
    m_adpcm->StartWave(voice, m_voices.Record(bank, wave).wave_handle);
}

// The parameter bytes come in groups of up to eight, the first byte of a group holding bit 7 of the others
// (bit 6 for the first, bit 5 for the second, ...). Only the first two bytes, register and value, are used.
void CSoundDevice::RegisterWrite(const uint8_t* bytes, uint32_t length) {
    constexpr uint32_t kTrailerBytes = 1;  // F7
    if (length < kExclusiveParametersAt + kTrailerBytes + 3) return;
    const uint8_t* packed = bytes + kExclusiveParametersAt;
    const uint8_t reg = static_cast<uint8_t>(packed[1] | (((packed[0] >> 6) & 1) << 7));
    const uint8_t value = static_cast<uint8_t>(packed[2] | (((packed[0] >> 5) & 1) << 7));
    const uint8_t ch = reg & 0x0F;
    ChannelRecord& channel = m_channels[ch];
    switch (reg & 0xF0) {
        case 0xB0:
            m_fm->SetFnumLow(ch, value);
            break;
        case 0xC0: {
            m_fm->SetBlockFnumHigh(ch, value);
            const uint8_t key = value & kKeyBit;
            if (key == channel.reg_key) break;
            channel.reg_key = key;
            if (key == 0) {
                m_fm->KeyOff(ch);
                break;
            }
            const VoiceRecord* voice = LookupVoice(ch, kRegisterNote);
            if (voice == nullptr) break;
            m_fm->SetVoice(ch, voice);
            const uint16_t levels = ChannelLevels(channel, kFullLevel);
            m_fm->SetLevels(ch, LeftLevel(levels), RightLevel(levels));
            m_fm->KeyOn(ch);
            break;
        }
        default:
            break;
    }
}

}  // namespace cantavo
