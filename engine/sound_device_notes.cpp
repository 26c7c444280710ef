// Note on and note off: voice lookup, FM slot allocation under the operator budget, mono legato and ADPCM
// drum notes.
#include <algorithm>

#include "engine/note_pitch.h"
#include "engine/sound_device.h"

namespace cantavo {
namespace {

constexpr uint8_t kDrumChannel = 9;
constexpr uint8_t kFirstSongBank = 20;
constexpr uint8_t kFirstFmDrumNote = 13;  // drum notes 13..91 are FM voices, the others ADPCM waves
constexpr uint8_t kLastFmDrumNote = 91;
constexpr uint8_t kMsbGeneral = 0x00;
constexpr uint8_t kMsbDirectBank = 0x7A;
constexpr uint8_t kMsbDrumKit = 0x7B;
constexpr uint8_t kMsbSongBank = 0x7C;
constexpr uint8_t kLastDrumKitProgram = 9;
constexpr uint8_t kLastSongBankLsb = 19;

bool IsDrumBank(uint8_t bank) {
    return bank >= kFirstDrumBank && bank < kFirstSongBank;
}
bool IsFmDrumNote(uint8_t note) {
    return note >= kFirstFmDrumNote && note <= kLastFmDrumNote;
}

void SetPitch(CFmSynth& fm, uint8_t slot, uint8_t note, const ChannelRecord& channel) {
    const uint32_t pitch = NoteToBlockFnum(note, channel.bend_range, channel.bend);
    fm.SetBlockFnum(slot, static_cast<uint8_t>(pitch >> 16), static_cast<uint16_t>(pitch & 0xFFFF));
}

}  // namespace

uint8_t CSoundDevice::BankIndex(uint8_t ch) const {
    const ChannelRecord& channel = m_channels[ch];
    const uint8_t lsb = channel.bank_lsb;
    switch (channel.bank_msb) {
        case kMsbGeneral:
            return lsb == 0 && ch == kDrumChannel ? kFirstDrumBank : 0;
        case kMsbDirectBank:
            return lsb;
        case kMsbDrumKit:
            if (lsb != 0) return 0;
            return channel.program <= kLastDrumKitProgram ? kFirstDrumBank + channel.program : kFirstDrumBank;
        case kMsbSongBank:
            return lsb <= kLastSongBankLsb ? kFirstSongBank + lsb : 0;
        default:
            return 0;
    }
}

void CSoundDevice::UpdateVoiceSelection(uint8_t ch) {
    ChannelRecord& channel = m_channels[ch];
    channel.bank = BankIndex(ch);
    channel.voice_ops =
        channel.bank < kVoiceBanks ? m_voices.Record(channel.bank, channel.program).operator_count : 0;
}

const VoiceRecord* CSoundDevice::LookupVoice(uint8_t ch, uint8_t note) const {
    const ChannelRecord& channel = m_channels[ch];
    if (channel.bank >= kVoiceBanks) return nullptr;
    if (IsDrumBank(channel.bank)) {
        const VoiceRecord& record = m_voices.Record(channel.bank, note);
        // Drum notes outside the FM range play the record's ADPCM wave whatever its operators.
        return IsFmDrumNote(note) && record.operator_count == 0 ? nullptr : &record;
    }
    const VoiceRecord& record = m_voices.Record(channel.bank, channel.program);
    return record.operator_count == 0 ? nullptr : &record;
}

// The chip sounds at most kOperatorBudget operators. A four-operator voice also wants two operators to
// spare (6 free), unless four were free before the last note started: m_opsBefore is the count as it stood
// then. The free slot that has waited longest is taken.
uint8_t CSoundDevice::AllocSlot(uint8_t ops) const {
    if (m_opsInUse + ops > kOperatorBudget) return kNoSlot;
    if (ops == 4 && m_opsInUse + 6 > kOperatorBudget && m_opsBefore + 4 > kOperatorBudget) return kNoSlot;
    uint8_t chosen = kNoSlot;
    for (uint8_t s = 0; s < kVoiceSlotCount; ++s)
        if (m_slots[s].ops == 0 && (chosen == kNoSlot || m_slots[s].age < m_slots[chosen].age)) chosen = s;
    return chosen;
}

NoteNode& CSoundDevice::AddNote(uint8_t ch, uint8_t note, uint8_t slot) {
    m_channels[ch].notes.push_front(NoteNode{.note = note, .slot = slot});
    return m_channels[ch].notes.front();
}

void CSoundDevice::RemoveNotes(uint8_t ch, uint8_t note) {
    std::forward_list<NoteNode>& notes = m_channels[ch].notes;
    auto before = notes.before_begin();
    for (auto it = notes.begin(); it != notes.end();) {
        if (note != kAllNotes && it->note != note) {
            before = it++;
            continue;
        }
        m_fm->KeyOff(it->slot);
        it = notes.erase_after(before);
        if (note != kAllNotes) return;
    }
}

void CSoundDevice::NoteOn(uint8_t ch, uint8_t note, uint8_t velocity) {
    ++m_ageCounter;
    if (m_channels[ch].note_limit == kMonoNoteLimit)
        MonoNoteOn(ch, note, velocity);
    else
        PolyNoteOn(ch, note, velocity);
}

void CSoundDevice::StartAdpcmDrum(uint8_t ch, uint8_t note, uint8_t velocity, const VoiceRecord* voice) {
    const ChannelRecord& channel = m_channels[ch];
    NoteNode& node = AddNote(ch, note, kAdpcmDrumSlot);
    node.velocity = velocity;
    node.voice = voice;
    m_adpcm->SetWaveVolume(kAdpcmVoice, RightLevel(ChannelLevels(channel, velocity)));
    m_adpcm->StartWave(kAdpcmVoice, voice->wave_handle);
}

void CSoundDevice::MonoNoteOn(uint8_t ch, uint8_t note, uint8_t velocity) {
    ChannelRecord& channel = m_channels[ch];
    if (IsDrumBank(channel.bank)) {
        if (IsFmDrumNote(note) || !channel.notes.empty()) return;
        StartAdpcmDrum(ch, note, velocity, LookupVoice(ch, note));
        return;
    }
    if (!channel.notes.empty()) {
        // Legato: the sounding slot moves to the new note without a new key-on. The slot record follows, so
        // that a later bend or re-level acts on the note actually sounding.
        NoteNode& node = channel.notes.front();
        node.note = note;
        node.holds = static_cast<int8_t>(node.holds + 1);
        node.velocity = velocity;
        if (node.slot >= kVoiceSlotCount) return;
        SlotRecord& slot = m_slots[node.slot];
        slot.age = m_ageCounter;
        slot.note = note;
        slot.velocity = velocity;
        const uint16_t levels = ChannelLevels(channel, velocity);
        m_fm->SetLevels(node.slot, LeftLevel(levels), RightLevel(levels));
        SetPitch(*m_fm, node.slot, note, channel);
        return;
    }
    if (channel.voice_ops == 0) return;
    // In the slot mode the sequencer sets for playback, channel n always sounds on FM slot n (the 16
    // channels and the 16 slots pair up); otherwise a slot is allocated against the operator budget.
    const uint8_t slot = m_slotMode == kSlotModeByChannel ? ch : AllocSlot(channel.voice_ops);
    if (slot == kNoSlot) return;
    NoteNode& node = AddNote(ch, note, slot);
    const VoiceRecord* voice = LookupVoice(ch, note);
    if (voice == nullptr) return;
    node.velocity = velocity;
    node.voice = voice;
    channel.active = 1;
    StartFmNote(ch, slot, voice, note, velocity);
}

void CSoundDevice::PolyNoteOn(uint8_t ch, uint8_t note, uint8_t velocity) {
    ChannelRecord& channel = m_channels[ch];
    if (channel.active >= channel.note_limit || channel.bank >= kFirstSongBank) return;
    const VoiceRecord* voice = LookupVoice(ch, note);
    if (voice == nullptr) return;
    uint8_t sounded = note;
    if (IsDrumBank(channel.bank)) {
        if (!IsFmDrumNote(note)) {
            StartAdpcmDrum(ch, note, velocity, voice);
            return;
        }
        sounded = voice->drum_note;
    }
    const uint8_t slot = AllocSlot(voice->operator_count);
    if (slot == kNoSlot) return;
    NoteNode& node = AddNote(ch, note, slot);
    node.velocity = velocity;
    node.voice = voice;
    ++channel.active;
    StartFmNote(ch, slot, voice, sounded, velocity);
}

void CSoundDevice::StartFmNote(uint8_t ch, uint8_t slot, const VoiceRecord* voice, uint8_t sounded,
                               uint8_t velocity) {
    const ChannelRecord& channel = m_channels[ch];
    SlotRecord& record = m_slots[slot];
    record.voice = voice;
    record.ops = record.ops_charged = voice->operator_count;
    record.age = m_ageCounter;
    record.velocity = velocity;
    record.note = sounded;
    record.channel = ch;
    m_opsBefore = m_opsInUse;
    m_opsInUse = static_cast<uint8_t>(m_opsInUse + voice->operator_count);
    m_fm->SetVoice(slot, voice);
    m_fm->SetModulation(slot, channel.modulation);
    const uint16_t levels = ChannelLevels(channel, velocity);
    m_fm->SetLevels(slot, LeftLevel(levels), RightLevel(levels));
    SetPitch(*m_fm, slot, sounded, channel);
    m_fm->KeyOn(slot);
}

void CSoundDevice::NoteOff(uint8_t ch, uint8_t note) {
    ++m_ageCounter;
    ChannelRecord& channel = m_channels[ch];
    if (channel.note_limit == kMonoNoteLimit) {
        if (channel.notes.empty()) return;
        NoteNode& node = channel.notes.front();
        node.holds = static_cast<int8_t>(node.holds - 1);
        if (node.holds > 0) return;
        const uint8_t slot = node.slot;
        if (slot == kAdpcmDrumSlot) m_adpcm->StopWave(kAdpcmVoice);
        RemoveNotes(ch, kAllNotes);
        channel.active = 0;
        if (slot != kAdpcmDrumSlot) ReleaseSlot(slot);
        return;
    }
    const auto node = std::find_if(channel.notes.begin(), channel.notes.end(),
                                   [note](const NoteNode& n) { return n.note == note; });
    if (node == channel.notes.end()) return;
    const uint8_t slot = node->slot;
    if (slot == kAdpcmDrumSlot) m_adpcm->StopWave(kAdpcmVoice);
    RemoveNotes(ch, note);
    if (slot == kAdpcmDrumSlot) return;
    --channel.active;
    ReleaseSlot(slot);
}

void CSoundDevice::ReleaseSlot(uint8_t slot) {
    if (slot >= kVoiceSlotCount) return;
    m_opsInUse = static_cast<uint8_t>(m_opsInUse - m_slots[slot].ops_charged);
    m_slots[slot].ops = 0;
    m_slots[slot].age = m_ageCounter;
}

}  // namespace cantavo
