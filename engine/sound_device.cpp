#include "engine/sound_device.h"

#include "engine/device_registry.h"
#include "engine/note_pitch.h"

namespace cantavo {
namespace {

constexpr int16_t kDefaultMasterOffset = -24;

}  // namespace

CSoundDevice::CSoundDevice(const VoiceFiles& voices) {
    EnterDeviceRegistry(this);
    m_fm = std::make_unique<CFmSynth>();
    m_adpcm = std::make_unique<CAdpcmPlayer>();
    m_sequencer = std::make_unique<CSmafSequencer>(*this);
    m_masterOffset = kDefaultMasterOffset;
    m_voices.LoadVmaFile(voices.vma);
    m_voices.LoadAdpFile(voices.adp, *m_adpcm);
}

CSoundDevice::~CSoundDevice() {
    for (uint8_t ch = 0; ch < kChannelCount; ++ch) RemoveNotes(ch, kAllNotes);
    // The sequencer goes first: its release still sends the stop messages to the synthesizers.
    m_sequencer.reset();
    m_fm.reset();
    m_adpcm.reset();
    LeaveDeviceRegistry(this);
}

void CSoundDevice::SetSongVoice(const uint8_t* song_voice) {
    m_voices.SetSongVoice(song_voice);
    for (CSoundDevice* other : DeviceRegistry())
        if (other != nullptr && other != this) other->m_voices.SetSongVoice(song_voice);
}

void CSoundDevice::LoadSongWave(uint8_t wave, const uint8_t* data, uint32_t size, uint32_t rate) {
    m_adpcm->FreeWave(wave);
    m_adpcm->LoadWave(wave, data, size, rate);
}

void CSoundDevice::StopWaveVoice() {
    m_adpcm->StopWave(kAdpcmVoice);
}

// A register write keys the slot numbered like its channel.
void CSoundDevice::KeyOffRegisterNotes() {
    for (uint8_t ch = 0; ch < kChannelCount; ++ch) {
        if (m_channels[ch].reg_key == 0) continue;
        m_channels[ch].reg_key = 0;
        m_fm->KeyOff(ch);
    }
}

void CSoundDevice::Render(int16_t* frames, uint32_t count, uint32_t chunk_frames) {
    m_fm->Render(frames, count, chunk_frames);
    m_adpcm->MixInto(frames, count);
}

void CSoundDevice::ProcessMessage(const uint8_t* bytes, uint32_t length) {
    if (length == 0) return;
    const uint8_t status = bytes[0];
    const uint8_t ch = status & 0x0F;
    const uint8_t d1 = length > 1 ? bytes[1] & 0x7F : 0;
    const uint8_t d2 = length > 2 ? bytes[2] & 0x7F : 0;
    switch (status & 0xF0) {
        case kStatusNoteOff:
            NoteOff(ch, d1);
            break;
        case kStatusNoteOn:
            if (d2 == 0)
                NoteOff(ch, d1);
            else
                NoteOn(ch, d1, d2);
            break;
        case kStatusControl:
            Controller(ch, d1, d2);
            break;
        case kStatusProgram:
            m_channels[ch].program = d1;
            UpdateVoiceSelection(ch);
            break;
        case kStatusPitchBend:
            PitchBend(ch, d1, d2);
            break;
        case kStatusExclusive:
            if (status == kStatusExclusive) Exclusive(bytes, length);
            break;
        default:
            break;
    }
}

void CSoundDevice::Controller(uint8_t ch, uint8_t number, uint8_t value) {
    ChannelRecord& channel = m_channels[ch];
    switch (number) {
        case kControllerBankMsb:
            channel.bank_msb = value;
            UpdateVoiceSelection(ch);
            break;
        case kControllerModulation:
            channel.modulation = value == 0 ? 0 : static_cast<uint8_t>((value >> 5) + 1);
            for (uint8_t s = 0; s < kVoiceSlotCount; ++s)
                if (m_slots[s].channel == ch) m_fm->SetModulation(s, channel.modulation);
            break;
        case kControllerDataEntry:
            // Only the bend range (RPN 0/0) is a registered parameter here.
            if (channel.rpn_msb == 0 && channel.rpn_lsb == 0 && channel.nrpn == 0) channel.bend_range = value;
            break;
        case kControllerVolume:
            channel.volume = value;
            Relevel(ch);
            break;
        case kControllerPan:
            channel.pan = value;
            Relevel(ch);
            break;
        case kControllerExpression:
            channel.expression = value;
            Relevel(ch);
            break;
        case kControllerBankLsb:
            channel.bank_lsb = value;
            UpdateVoiceSelection(ch);
            break;
        case kControllerNoteLimit:
            channel.note_limit = value;
            break;
        case kControllerNrpnLsb:
        case kControllerNrpnMsb:
            channel.nrpn = 1;
            break;
        case kControllerRpnLsb:
            channel.nrpn = 0;
            channel.rpn_lsb = value;
            break;
        case kControllerRpnMsb:
            channel.nrpn = 0;
            channel.rpn_msb = value;
            break;
        case kControllerAllSoundOff:
        case kControllerAllNotesOff:
            AllNotesOff(ch);
            break;
        default:
            break;
    }
}

uint16_t CSoundDevice::ChannelLevels(const ChannelRecord& channel, uint8_t velocity) const {
    return Levels(LevelSettings{m_masterOffset, m_volumeMode}, channel.pan, channel.volume,
                  channel.expression, velocity);
}

void CSoundDevice::Relevel(uint8_t ch) {
    const ChannelRecord& channel = m_channels[ch];
    // Free slots too: a slot keeps the channel it last played for.
    for (uint8_t s = 0; s < kVoiceSlotCount; ++s) {
        if (m_slots[s].channel != ch) continue;
        const uint16_t levels = ChannelLevels(channel, m_slots[s].velocity);
        m_fm->SetLevels(s, LeftLevel(levels), RightLevel(levels));
    }
    for (const NoteNode& node : channel.notes)
        if (node.slot == kAdpcmDrumSlot)
            m_adpcm->SetWaveVolume(kAdpcmVoice, RightLevel(ChannelLevels(channel, node.velocity)));
}

void CSoundDevice::RelevelAllNotes() {
    for (const ChannelRecord& channel : m_channels) {
        for (const NoteNode& node : channel.notes) {
            if (node.slot == kAdpcmDrumSlot) continue;
            const uint16_t levels = ChannelLevels(channel, node.velocity);
            m_fm->SetLevels(node.slot, LeftLevel(levels), RightLevel(levels));
        }
    }
}

void CSoundDevice::PitchBend(uint8_t ch, uint8_t lsb, uint8_t msb) {
    ChannelRecord& channel = m_channels[ch];
    channel.bend = static_cast<int16_t>((((msb << 7) | lsb) * 4) - 32768);
    for (uint8_t s = 0; s < kVoiceSlotCount; ++s) {
        if (m_slots[s].channel != ch) continue;
        const uint32_t pitch = NoteToBlockFnum(m_slots[s].note, channel.bend_range, channel.bend);
        m_fm->SetBlockFnum(s, static_cast<uint8_t>(pitch >> 16), static_cast<uint16_t>(pitch & 0xFFFF));
    }
}

// A note keyed on by a register write has no node and sounds on until its own key-off (or a stop).
void CSoundDevice::AllNotesOff(uint8_t ch) {
    m_slots[ch].ops = 0;
    RemoveNotes(ch, kAllNotes);
    m_channels[ch].active = 0;
}

}  // namespace cantavo
