#include "engine/voice_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "engine/adpcm_player.h"
#include "engine/builtin_banks.h"
#include "smaf_writer/voice_writer.h"
#include "voice_file_writer.h"

namespace cantavo {
namespace {

bool SameRecord(const VoiceRecord& a, const VoiceRecord& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool SameBank(const CVoiceTable& table, uint32_t a, uint32_t b) {
    for (uint32_t i = 0; i < kVoicesPerBank; ++i)
        if (!SameRecord(table.Record(a, i), table.Record(b, i))) return false;
    return true;
}

// A 2-operator voice with recognisable values; algorithm bits as given.
VoiceRecord FileVoice(uint8_t algorithm, uint8_t marker) {
    VoiceRecord v{};
    v.algorithm = algorithm;
    v.lfo_rate = 2;
    v.feedback = 5;
    v.octave_code = 2;
    v.drum_note = 40;
    for (OperatorParams& op : v.op) {
        op.multiple = 3;
        op.total_level = marker;
        op.attack_rate = 15;
        op.waveform = 4;
    }
    return v;
}

class VoiceTableFiles : public ::testing::Test {
protected:
    std::unique_ptr<CVoiceTable> table = std::make_unique<CVoiceTable>();
    CAdpcmPlayer player;
};

TEST(VoiceTable, ConstructionCopiesBuiltinBanks) {
    const auto table = std::make_unique<CVoiceTable>();
    for (uint32_t i = 0; i < kVoicesPerBank; ++i) {
        EXPECT_TRUE(SameRecord(table->Record(0, i), kBuiltinMelody2Op[i]));
        EXPECT_TRUE(SameRecord(table->Record(1, i), kBuiltinMelody4Op[i]));
        EXPECT_TRUE(SameRecord(table->Record(10, i), kBuiltinDrums[i]));
    }
    EXPECT_TRUE(SameBank(*table, 20, 0));
    EXPECT_TRUE(SameBank(*table, 30, 10));
    for (uint32_t bank : {2u, 9u, 11u, 19u, 21u, 29u, 31u, 39u})
        for (uint32_t i = 0; i < kVoicesPerBank; ++i) EXPECT_EQ(table->Record(bank, i).operator_count, 0);
}

TEST_F(VoiceTableFiles, MissingFilesLeaveTheBuiltinBanks) {
    table->LoadVmaFile({});
    table->LoadAdpFile({}, player);
    EXPECT_TRUE(SameRecord(table->Record(0, 5), kBuiltinMelody2Op[5]));
    EXPECT_EQ(table->Record(10, 100).wave_handle, 0u);
}

TEST_F(VoiceTableFiles, VmaFillsMelodyAndDrumRecords) {
    VmaFileBuilder vma;
    vma.SetMelody(0, 0, PackSourceRecord(FileVoice(1, 7)));
    vma.SetMelody(3, 127, PackSourceRecord(FileVoice(0, 9)));
    vma.SetMelody(9, 5, PackSourceRecord(FileVoice(2, 9)));  // algorithm 2: empty record
    vma.SetDrum(0, 0, PackSourceRecord(FileVoice(0, 11)));   // bank 10, note 13
    vma.SetDrum(9, 77, PackSourceRecord(FileVoice(1, 12)));  // bank 19, note 90
    vma.SetDrum(0, 78, PackSourceRecord(FileVoice(0, 13)));  // would be note 91: not read
    auto bytes = vma.Bytes();
    bytes[33131 + 1] = 0x9D;  // octave code as a whole byte
    table->Record(0, 0).wave_handle = 77;
    table->LoadVmaFile(bytes);

    const VoiceRecord& first = table->Record(0, 0);
    EXPECT_EQ(first.operator_count, 2);
    EXPECT_EQ(first.algorithm, 1);
    EXPECT_EQ(first.octave_code, 0x9D);
    EXPECT_EQ(first.lfo_rate, 2);
    EXPECT_EQ(first.feedback, 5);
    EXPECT_EQ(first.drum_note, 40);
    EXPECT_EQ(first.wave_handle, 77u);      // not part of the file record
    EXPECT_EQ(first.op[3].total_level, 7);  // all four operators, whatever the count
    EXPECT_EQ(first.op[3].waveform, 4);

    EXPECT_EQ(table->Record(3, 127).op[0].total_level, 9);
    EXPECT_EQ(table->Record(9, 5).operator_count, 0);
    EXPECT_EQ(table->Record(1, 0).algorithm, 0);  // the file's all-zero records replace the built-in bank
    EXPECT_EQ(table->Record(1, 0).operator_count, 2);
    EXPECT_EQ(table->Record(10, 13).op[0].total_level, 11);
    EXPECT_EQ(table->Record(19, 90).op[0].total_level, 12);
    EXPECT_TRUE(SameRecord(table->Record(10, 91), kBuiltinDrums[91]));
    EXPECT_TRUE(SameRecord(table->Record(10, 12), kBuiltinDrums[12]));
    EXPECT_TRUE(SameBank(*table, 20, 0));
    EXPECT_TRUE(SameBank(*table, 30, 10));
    EXPECT_EQ(table->Record(21, 0).operator_count, 0);
}

TEST_F(VoiceTableFiles, VmaOfWrongSizeOrMagicIsIgnored) {
    VmaFileBuilder vma;
    vma.SetMelody(0, 0, PackSourceRecord(FileVoice(1, 7)));
    auto shorter = vma.Bytes();
    shorter.pop_back();
    table->LoadVmaFile(shorter);
    EXPECT_TRUE(SameRecord(table->Record(0, 0), kBuiltinMelody2Op[0]));

    auto longer = vma.Bytes();
    longer.push_back(0);
    table->LoadVmaFile(longer);
    EXPECT_TRUE(SameRecord(table->Record(0, 0), kBuiltinMelody2Op[0]));

    auto wrong_magic = vma.Bytes();
    wrong_magic[3] = 'X';
    table->Record(20, 4).operator_count = 4;  // as if a song had defined it
    table->LoadVmaFile(wrong_magic);
    EXPECT_TRUE(SameRecord(table->Record(0, 0), kBuiltinMelody2Op[0]));
    EXPECT_TRUE(SameBank(*table, 20, 0));  // copied again all the same
}

std::vector<uint8_t> Adpcm(size_t bytes, uint8_t value) {
    return std::vector<uint8_t>(bytes, value);
}

TEST_F(VoiceTableFiles, AdpLoadsDrumWavesIntoRecords) {
    const std::vector<AdpFormatRecord> formats = {
        {.wave_id = 0x0102, .bank_offset = 0, .note = 100, .rate = 8000},
        {.wave_id = 0x0304, .bank_offset = 5, .note = 10, .rate = 4000},
        {.wave_id = 0x0102, .bank_offset = 30, .note = 1, .rate = 8000},               // bank 40: no record
        {.wave_id = 0x0304, .bank_offset = 0, .note = 11, .rate = 4000, .byte20 = 3},  // skipped
    };
    const std::vector<AdpWaveChunk> chunks = {
        {0x0102, Adpcm(10, 0x11), 10},
        {0x0304, Adpcm(6, 0x22), 6},
        {0x0304, Adpcm(4, 0x33), 4},  // a later chunk of the same id loads again and wins
    };
    table->LoadAdpFile(BuildAdpFile(formats, chunks), player);

    const uint32_t a = table->Record(10, 100).wave_handle;
    const uint32_t b = table->Record(15, 10).wave_handle;
    EXPECT_EQ(a, 63u);
    EXPECT_EQ(player.Wave(a).count, 20u);
    EXPECT_EQ(player.Wave(a).rate, 8000u);
    EXPECT_EQ(b, 65u);  // 64 held the first 0x0304 chunk
    EXPECT_EQ(player.Wave(64).count, 12u);
    EXPECT_EQ(player.Wave(b).count, 8u);
    EXPECT_EQ(player.Wave(b).rate, 4000u);
    EXPECT_EQ(table->Record(10, 11).wave_handle, 0u);
    EXPECT_EQ(player.Wave(66).count, 0u);
}

TEST_F(VoiceTableFiles, AdpChunkClaimingMoreThanTheFileIsSkipped) {
    const std::vector<AdpFormatRecord> formats = {
        {.wave_id = 7, .bank_offset = 0, .note = 120, .rate = 8000}};
    table->LoadAdpFile(BuildAdpFile(formats, {{7, Adpcm(16, 0x44), 17}}), player);
    EXPECT_EQ(table->Record(10, 120).wave_handle, 0u);
    EXPECT_EQ(player.Wave(63).count, 0u);
}

TEST_F(VoiceTableFiles, AdpHeaderDecidesWhetherWavesAreFreed) {
    const uint8_t data[4] = {1, 2, 3, 4};
    ASSERT_EQ(player.LoadWave(5, data, 4, 8000), 5u);
    const std::vector<AdpFormatRecord> formats = {
        {.wave_id = 7, .bank_offset = 0, .note = 120, .rate = 8000}};
    auto file = BuildAdpFile(formats, {{7, Adpcm(16, 0x44), 16}});

    auto bad_magic = file;
    bad_magic[9] = 'X';
    table->LoadAdpFile(bad_magic, player);
    EXPECT_EQ(player.Wave(5).count, 8u);  // wrong header: waves already loaded stay

    table->LoadAdpFile(std::vector<uint8_t>(file.begin(), file.begin() + 15), player);
    EXPECT_EQ(player.Wave(5).count, 8u);

    auto bad_size = file;
    bad_size[7] ^= 1;
    table->LoadAdpFile(bad_size, player);
    EXPECT_EQ(player.Wave(5).count, 0u);  // freed before the size check
    EXPECT_EQ(table->Record(10, 120).wave_handle, 0u);
}

std::array<uint8_t, kSongVoiceBytes> SongVoice(uint8_t bank_code, uint8_t index, uint8_t algorithm) {
    std::array<uint8_t, kSongVoiceBytes> v{};
    v[1] = bank_code;
    v[2] = index | 0x80;  // bit 7 is not part of the index
    v[3] = static_cast<uint8_t>(3 << 6 | 6 << 3 | algorithm);
    v[4] = 0xFE;  // octave code bits 1-0
    for (int i = 5; i < 25; ++i) v[i] = static_cast<uint8_t>(0x10 + i);
    v[25] = 0xC5;
    return v;
}

TEST(VoiceTableSongVoices, FourOperatorVoiceFillsAllOperators) {
    auto table = std::make_unique<CVoiceTable>();
    table->Record(22, 9).wave_handle = 5;
    const auto v = SongVoice(22, 9, 5);
    table->SetSongVoice(v.data());
    const VoiceRecord& r = table->Record(22, 9);
    EXPECT_EQ(r.wave_handle, 0u);
    EXPECT_EQ(r.operator_count, 4);
    EXPECT_EQ(r.algorithm, 5);
    EXPECT_EQ(r.lfo_rate, 3);
    EXPECT_EQ(r.feedback, 6);
    EXPECT_EQ(r.octave_code, 2);
    EXPECT_EQ(r.drum_note, 0x45);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(smaf::PackOperator(r.op[k])[0], 0x15 + 5 * k);
}

TEST(VoiceTableSongVoices, TwoOperatorVoiceZeroesOperatorsThreeAndFour) {
    auto table = std::make_unique<CVoiceTable>();
    table->SetSongVoice(SongVoice(22, 9, 5).data());
    table->SetSongVoice(SongVoice(22, 9, 1).data());
    const VoiceRecord& r = table->Record(22, 9);
    EXPECT_EQ(r.operator_count, 2);
    EXPECT_EQ(smaf::PackOperator(r.op[1])[4], 0x1E);
    EXPECT_EQ(smaf::PackOperator(r.op[2]), (std::array<uint8_t, 5>{}));
    EXPECT_EQ(smaf::PackOperator(r.op[3]), (std::array<uint8_t, 5>{}));
}

TEST(VoiceTableSongVoices, BankCodeSelectsTheBankUpTo39) {
    auto table = std::make_unique<CVoiceTable>();
    table->SetSongVoice(SongVoice(0x9D, 3, 0).data());  // 29 + 10
    EXPECT_EQ(table->Record(39, 3).operator_count, 2);
    const auto before = std::make_unique<CVoiceTable>(*table);
    table->SetSongVoice(SongVoice(0x9E, 3, 0).data());  // 30 + 10: no such bank
    table->SetSongVoice(SongVoice(0x7F, 3, 0).data());
    EXPECT_EQ(std::memcmp(before.get(), table.get(), sizeof(CVoiceTable)), 0);
}

}  // namespace
}  // namespace cantavo
