#include "engine/sound_device.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/attenuation_gain.h"
#include "engine/note_pitch.h"

namespace cantavo {
namespace {

class SoundDeviceTest : public ::testing::Test {
protected:
    void Send(std::vector<uint8_t> bytes) {
        device->ProcessMessage(bytes.data(), static_cast<uint32_t>(bytes.size()));
    }
    void Exclusive(std::vector<uint8_t> parameters) {
        std::vector<uint8_t> bytes = {0xF0, 0x43, 0x79, 0x05, 0x7F};
        bytes.insert(bytes.end(), parameters.begin(), parameters.end());
        bytes.push_back(0xF7);
        Send(bytes);
    }
    // Applies the pending slot changes, as the next render would.
    void RenderFrame() {
        int16_t frame[2];
        device->Render(frame, 1);
    }
    // The playback set-up of a channel: mono, song bank 20, program 0, sounding on the slot of its number.
    void PlaybackChannel(uint8_t ch) {
        Exclusive({0x0B, 0x01});
        Send({static_cast<uint8_t>(0xB0 | ch), 0x37, 0x01});
        Send({static_cast<uint8_t>(0xB0 | ch), 0x00, 0x7C});
        Send({static_cast<uint8_t>(0xB0 | ch), 0x20, 0x00});
        Send({static_cast<uint8_t>(0xC0 | ch), 0x00});
    }
    const FmSlot& Fm(uint8_t slot) const { return device->FmSynth().Slot(slot); }
    static uint32_t Pitch(const FmSlot& slot) { return (uint32_t{slot.block} << 16) | slot.fnum; }

    std::unique_ptr<CSoundDevice> device = std::make_unique<CSoundDevice>(VoiceFiles());
};

TEST_F(SoundDeviceTest, PolyNoteStartsAnFmSlotAndVelocityZeroReleasesIt) {
    Send({0x92, 60, 100});
    EXPECT_EQ(device->Slot(0).ops, 2);
    EXPECT_EQ(device->Slot(0).channel, 2);
    EXPECT_EQ(device->Slot(0).note, 60);
    EXPECT_EQ(device->OpsInUse(), 2);
    EXPECT_EQ(Fm(0).key_on, 1);
    EXPECT_EQ(Pitch(Fm(0)), NoteToBlockFnum(60, 2, 0));
    EXPECT_EQ(device->Channel(2).active, 1);
    Send({0x92, 60, 0});
    EXPECT_EQ(Fm(0).key_on, 0);
    EXPECT_EQ(device->Slot(0).ops, 0);
    EXPECT_EQ(device->OpsInUse(), 0);
    EXPECT_TRUE(device->Channel(2).notes.empty());
}

TEST_F(SoundDeviceTest, LevelsOfANoteAndReleveling) {
    // Master offset -24 at construction: volume 127 gives 24, centre pan adds 6.
    Send({0x90, 60, 127});
    EXPECT_EQ(Fm(0).gain_left, kAttenuationGain[30]);
    EXPECT_EQ(Fm(0).gain_right, kAttenuationGain[30]);
    Send({0xB0, 7, 64});  // T[64] = 24
    EXPECT_EQ(Fm(0).gain_left, kAttenuationGain[54]);
    Send({0xB0, 10, 127});  // hard right
    EXPECT_EQ(Fm(0).gain_left, kAttenuationGain[192]);
    EXPECT_EQ(Fm(0).gain_right, kAttenuationGain[48]);
    Exclusive({0x04, 0x00});  // pan as the mean: (192 + 0) / 2
    EXPECT_EQ(Fm(0).gain_left, kAttenuationGain[144]);
    EXPECT_EQ(Fm(0).gain_right, kAttenuationGain[144]);
}

TEST_F(SoundDeviceTest, NeverUsedSlotsBelongToChannelZero) {
    Send({0x91, 60, 127});  // slot 0 now plays channel 1
    Send({0xB0, 7, 100});
    // Slots 1..15 never sounded: channel 0, velocity 0, so they are levelled to silence.
    for (uint8_t s = 1; s < 16; ++s) EXPECT_EQ(Fm(s).gain_left, 0) << int(s);
    EXPECT_EQ(Fm(0).gain_left, kAttenuationGain[30]);
}

TEST_F(SoundDeviceTest, MonoLegatoMovesTheSoundingSlotAndCountsHolds) {
    PlaybackChannel(5);
    Send({0x95, 60, 100});
    RenderFrame();
    EXPECT_EQ(Fm(5).key_on, 1);
    Send({0x95, 64, 50});  // legato: no new key-on, the pitch follows
    EXPECT_EQ(Fm(5).pending & kSlotKeyOn, 0u);
    EXPECT_EQ(Pitch(Fm(5)), NoteToBlockFnum(64, 2, 0));
    EXPECT_EQ(device->Channel(5).notes.front().holds, 2);
    // The slot record follows the sounding note, so a bend acts on 64, not on 60.
    EXPECT_EQ(device->Slot(5).note, 64);
    EXPECT_EQ(device->Slot(5).velocity, 50);
    Send({0xE5, 0x00, 0x60});
    EXPECT_EQ(Pitch(Fm(5)), NoteToBlockFnum(64, 2, ((0x60 << 7) * 4) - 32768));
    Send({0xB5, 7, 127});  // re-level with the new velocity: 24 + T[50] + 6
    EXPECT_EQ(Fm(5).gain_left, kAttenuationGain[24 + kLevelAttenuation[50] + 6]);
    Send({0x85, 60, 0});  // the first release leaves the sound on
    EXPECT_EQ(Fm(5).key_on, 1);
    EXPECT_EQ(device->Channel(5).notes.front().holds, 1);
    Send({0x85, 64, 0});
    EXPECT_EQ(Fm(5).key_on, 0);
    EXPECT_TRUE(device->Channel(5).notes.empty());
    EXPECT_EQ(device->Channel(5).active, 0);
}

TEST_F(SoundDeviceTest, LegatoOnAnAdpcmDrumNodeTouchesNoSlot) {
    PlaybackChannel(4);
    Send({0xB4, 0x00, 0x7B});  // drum kit bank 10 (program 0)
    Send({0x94, 100, 90});     // an ADPCM drum note: a node without a slot
    ASSERT_EQ(device->Channel(4).notes.front().slot, kAdpcmDrumSlot);
    Send({0xB4, 0x00, 0x7C});  // back to song bank 20
    Send({0x94, 60, 70});      // legato on the drum node
    EXPECT_EQ(device->Channel(4).notes.front().holds, 2);
    EXPECT_EQ(device->Channel(4).notes.front().note, 60);
    for (uint8_t s = 0; s < kVoiceSlotCount; ++s) {
        EXPECT_EQ(device->Slot(s).age, 0u) << int(s);
        EXPECT_EQ(Fm(s).key_on, 0) << int(s);
    }
}

TEST_F(SoundDeviceTest, MonoChannelWithoutVoiceDoesNotSound) {
    PlaybackChannel(3);
    Send({0xB3, 0x20, 0x05});  // song bank 25 holds no voices
    Send({0x93, 60, 100});
    EXPECT_EQ(Fm(3).key_on, 0);
    EXPECT_TRUE(device->Channel(3).notes.empty());
}

TEST_F(SoundDeviceTest, BankIndex) {
    const auto bank_of = [&](uint8_t ch, uint8_t msb, uint8_t lsb, uint8_t program) {
        Send({static_cast<uint8_t>(0xB0 | ch), 0x00, msb});
        Send({static_cast<uint8_t>(0xB0 | ch), 0x20, lsb});
        Send({static_cast<uint8_t>(0xC0 | ch), program});
        return device->Channel(ch).bank;
    };
    EXPECT_EQ(bank_of(0, 0x7B, 0x00, 3), 13);
    EXPECT_EQ(bank_of(0, 0x7B, 0x00, 12), 10);
    EXPECT_EQ(bank_of(0, 0x7B, 0x01, 3), 0);
    EXPECT_EQ(bank_of(0, 0x7C, 0x14, 0), 0);
    EXPECT_EQ(bank_of(0, 0x7C, 0x13, 0), 39);
    EXPECT_EQ(bank_of(0, 0x7A, 0x05, 0), 5);
    EXPECT_EQ(bank_of(9, 0x00, 0x00, 0), 10);
    EXPECT_EQ(bank_of(8, 0x00, 0x00, 0), 0);
    EXPECT_EQ(bank_of(9, 0x00, 0x01, 0), 0);
    EXPECT_EQ(bank_of(0, 0x11, 0x00, 0), 0);
    // Voice operators follow the selection; a bank beyond the table has none.
    EXPECT_EQ(bank_of(0, 0x7A, 0x01, 0), 1);
    EXPECT_EQ(device->Channel(0).voice_ops, 4);
    EXPECT_EQ(bank_of(0, 0x7A, 0x50, 0), 0x50);
    EXPECT_EQ(device->Channel(0).voice_ops, 0);
    Send({0x90, 60, 100});
    EXPECT_TRUE(device->Channel(0).notes.empty());
}

TEST_F(SoundDeviceTest, PolyDrumBankPlaysFmAtTheDrumNoteAndAdpcmOutsideIt) {
    Send({0xB9, 0x00, 0x00});  // channel 9: drum bank 10
    Send({0x99, 36, 100});
    const uint8_t drum_note = device->Voices().Record(10, 36).drum_note;
    EXPECT_EQ(device->Slot(0).note, drum_note);
    EXPECT_EQ(Pitch(Fm(0)), NoteToBlockFnum(drum_note, 2, 0));
    Send({0x99, 100, 127});
    ASSERT_EQ(device->Channel(9).notes.front().slot, kAdpcmDrumSlot);
    // The drum wave's volume: 24 + T[127] + PR[64].
    EXPECT_EQ(device->AdpcmPlayer().Voice().gain, static_cast<uint32_t>(kAttenuationGain[30]));
    EXPECT_EQ(device->Channel(9).active, 1);  // ADPCM drums do not count
    Send({0x89, 100, 0});
    EXPECT_EQ(std::distance(device->Channel(9).notes.begin(), device->Channel(9).notes.end()), 1);
}

TEST_F(SoundDeviceTest, OperatorBudgetOfThirtyTwo) {
    Send({0xB0, 0x00, 0x7A});
    Send({0xB0, 0x20, 0x01});  // bank 1: four-operator voices
    for (uint8_t k = 0; k < 9; ++k) Send({0x90, static_cast<uint8_t>(60 + k), 100});
    EXPECT_EQ(device->OpsInUse(), 32);
    EXPECT_EQ(device->Channel(0).active, 8);
    EXPECT_EQ(Fm(8).key_on, 0);
    // A release gives its operators back; the free slot freed longest ago is taken (never used: slot 8).
    Send({0x80, 62, 0});
    EXPECT_EQ(device->OpsInUse(), 28);
    Send({0x90, 80, 100});
    EXPECT_EQ(device->Slot(8).note, 80);
    EXPECT_EQ(device->Slot(2).ops, 0);
    // The note limit counts the channel's sounding notes.
    Send({0xB1, 0x37, 0x01 + 1});
    Send({0x91, 40, 100});
    Send({0x91, 41, 100});
    Send({0x91, 42, 100});
    EXPECT_EQ(device->Channel(1).active, 0);  // no room in the budget either
}

TEST_F(SoundDeviceTest, DataEntrySetsTheBendRangeOnlyUnderRpnZero) {
    Send({0xB0, 6, 12});
    EXPECT_EQ(device->Channel(0).bend_range, 2);
    Send({0xB0, 101, 0});
    Send({0xB0, 100, 0});
    Send({0xB0, 6, 12});
    EXPECT_EQ(device->Channel(0).bend_range, 12);
    Send({0xB0, 99, 1});  // an NRPN selection follows
    Send({0xB0, 6, 5});
    EXPECT_EQ(device->Channel(0).bend_range, 12);
    Send({0xB0, 100, 1});
    Send({0xB0, 6, 5});
    EXPECT_EQ(device->Channel(0).bend_range, 12);
}

TEST_F(SoundDeviceTest, PitchBendValues) {
    Send({0xE4, 0x00, 0x40});
    EXPECT_EQ(device->Channel(4).bend, 0);
    Send({0xE4, 0x7F, 0x7F});
    EXPECT_EQ(device->Channel(4).bend, 32764);
    Send({0xE4, 0x00, 0x00});
    EXPECT_EQ(device->Channel(4).bend, -32768);
}

TEST_F(SoundDeviceTest, ModulationReachesTheChannelsSlots) {
    Send({0x93, 60, 100});
    Send({0xB3, 1, 64});
    EXPECT_EQ(device->Channel(3).modulation, 3);
    EXPECT_EQ(Fm(0).mod_level, 3);
    Send({0xB3, 1, 0});
    EXPECT_EQ(Fm(0).mod_level, 0);
}

TEST_F(SoundDeviceTest, AllNotesOffFreesTheChannelsSlot) {
    PlaybackChannel(6);
    Send({0x96, 60, 100});
    Send({0xB6, 120, 0});
    EXPECT_EQ(Fm(6).key_on, 0);
    EXPECT_EQ(device->Slot(6).ops, 0);
    EXPECT_TRUE(device->Channel(6).notes.empty());
}

TEST_F(SoundDeviceTest, WaveLevelExclusive) {
    Exclusive({0x0A, 0x2E});  // master offset -18
    Exclusive({0x09, 0x00, 100});
    EXPECT_EQ(device->AdpcmPlayer().Voice().gain, static_cast<uint32_t>(kAttenuationGain[26]));
    Exclusive({0x0A, 0x40});
    Exclusive({0x04, 0x00});
    Exclusive({0x09, 0x00, 100});
    EXPECT_EQ(device->AdpcmPlayer().Voice().gain, static_cast<uint32_t>(kAttenuationGain[104]));
    // Volume bytes are taken to 7 bits: 0xE4 is 100.
    Exclusive({0x09, 0x00, 0xE4});
    EXPECT_EQ(device->AdpcmPlayer().Voice().gain, static_cast<uint32_t>(kAttenuationGain[104]));
    EXPECT_EQ(device->MasterOffset(), 0);
}

TEST_F(SoundDeviceTest, WaveStartAndStopExclusives) {
    const uint8_t adpcm[] = {0x77, 0x77, 0x77, 0x77};
    device->LoadSongWave(5, adpcm, sizeof adpcm, 8000);
    Exclusive({0x07, 0x00, 0x05, 0x80, 0x00});
    EXPECT_EQ(device->AdpcmPlayer().Voice().stopped, 0);
    EXPECT_EQ(device->AdpcmPlayer().Voice().wave, 5u);
    Exclusive({0x08});
    EXPECT_EQ(device->AdpcmPlayer().Voice().stopped, 1);
    // The drum-record form with a bank or note beyond the voice table names no wave and is ignored.
    Exclusive({0x07, 0x00, 0x05, 0x00, 0x7F});
    Exclusive({0x07, 0x00, 0x85, 0x00, 0x00});
    EXPECT_EQ(device->AdpcmPlayer().Voice().stopped, 1);
}

TEST_F(SoundDeviceTest, NoteLimitExclusive) {
    Exclusive({0x00, 0x04, 0x03});
    EXPECT_EQ(device->Channel(4).note_limit, 3);
    Exclusive({0x00, 0x10, 0x03});                     // channel 16 does not exist
    Send({0xF0, 0x43, 0x79, 0x05, 0x7F, 0x00, 0x05});  // the missing limit reads as 0
    EXPECT_EQ(device->Channel(5).note_limit, 0);
}

TEST_F(SoundDeviceTest, RegisterWriteUnpacksItsBytesAndKeysTheChannelsSlot) {
    // Register 0xB2 (bit 7 in bit 6 of the first byte), value 0x34: F-number low byte of slot 2.
    Exclusive({0x03, 0x40, 0x32, 0x34});
    EXPECT_EQ(Fm(2).fnum & 0xFF, 0x34);
    // Register 0xC2, value 0xAD (bit 7 in bit 5): block 3, F-number bits 9-8 = 1, key bit set.
    Exclusive({0x03, 0x60, 0x42, 0x2D});
    EXPECT_EQ(Fm(2).block, 3);
    EXPECT_EQ(Fm(2).fnum, 0x134);
    EXPECT_EQ(Fm(2).key_on, 1);
    EXPECT_EQ(device->Channel(2).reg_key, 0x20);
    EXPECT_EQ(device->Slot(2).ops, 0);  // slot records and budget untouched
    RenderFrame();
    Exclusive({0x03, 0x60, 0x42, 0x2D});  // same key: nothing
    EXPECT_EQ(Fm(2).pending & kSlotKeyOn, 0u);
    Exclusive({0x03, 0x40, 0x42, 0x0D});
    EXPECT_EQ(Fm(2).key_on, 0);
    // Fewer than three packed bytes: ignored.
    Exclusive({0x03, 0x40, 0x33});
    EXPECT_EQ(Fm(3).fnum, 0);
}

// A register-keyed note has no note record: all notes off (120 or 123, on its channel or any other) leaves it
// sounding; only its own key-off or a stop of the song ends it.
TEST_F(SoundDeviceTest, AllNotesOffLeavesARegisterKeyedNoteAndAStopEndsIt) {
    PlaybackChannel(2);
    Exclusive({0x03, 0x60, 0x42, 0x2D});  // key on, slot 2
    Exclusive({0x03, 0x60, 0x43, 0x2D});  // key on, slot 3
    RenderFrame();
    Send({0xB2, 120, 0});
    Send({0xB2, 123, 0});
    Send({0xB3, 120, 0});
    Send({0xB0, 120, 0});
    EXPECT_EQ(Fm(2).key_on, 1);
    EXPECT_EQ(Fm(2).pending & kSlotKeyOff, 0u);
    EXPECT_EQ(Fm(3).key_on, 1);
    EXPECT_EQ(device->Channel(2).reg_key, 0x20);
    // Everything else all notes off does happens as before.
    EXPECT_EQ(device->Slot(2).ops, 0);
    EXPECT_EQ(device->Channel(2).active, 0);

    device->KeyOffRegisterNotes();
    EXPECT_EQ(Fm(2).key_on, 0);
    EXPECT_EQ(Fm(3).key_on, 0);
    EXPECT_NE(Fm(2).pending & kSlotKeyOff, 0u);
    EXPECT_EQ(device->Channel(2).reg_key, 0);
    EXPECT_EQ(device->Channel(3).reg_key, 0);
    // With the key bits forgotten, the next register key-on keys the slot again.
    RenderFrame();
    Exclusive({0x03, 0x60, 0x42, 0x2D});
    EXPECT_EQ(Fm(2).key_on, 1);
    // Channels without a register-keyed note are not touched.
    Send({0x95, 60, 100});
    RenderFrame();
    device->KeyOffRegisterNotes();
    EXPECT_EQ(Fm(0).key_on, 1);
}

TEST_F(SoundDeviceTest, MalformedMessagesAreIgnored) {
    Send({0xF0, 0x43, 0x79, 0x05, 0x7E, 0x0A, 0x40, 0xF7});  // wrong header
    Send({0xF0, 0x43, 0x79, 0x05, 0x7F});                    // too short
    Send({0xF5, 0x01});
    Send({0x90});  // a note without data bytes reads them as 0: velocity 0, a note-off
    EXPECT_EQ(device->MasterOffset(), -24);
    EXPECT_TRUE(device->Channel(0).notes.empty());
}

TEST_F(SoundDeviceTest, SongVoicesReachEveryRegisteredDevice) {
    const auto other = std::make_unique<CSoundDevice>(VoiceFiles());
    uint8_t voice[26] = {0, 25, 3, 0x05};  // bank 25, index 3, algorithm 5
    device->SetSongVoice(voice);
    EXPECT_EQ(device->Voices().Record(25, 3).operator_count, 4);
    EXPECT_EQ(other->Voices().Record(25, 3).operator_count, 4);
}

}  // namespace
}  // namespace cantavo
