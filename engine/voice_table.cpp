#include "engine/voice_table.h"

#include <algorithm>
#include <cstring>

#include "engine/adpcm_player.h"
#include "engine/builtin_banks.h"

namespace cantavo {
namespace {

constexpr uint32_t kMelodyBank = 0;
constexpr uint32_t kMelody4OpBank = 1;
constexpr uint32_t kDrumBank = 10;
constexpr uint32_t kSongMelodyBank = 20;
constexpr uint32_t kSongDrumBank = 30;

// ma2voice.vma: 1280 melody source records (banks 0-9, bank-major), then 10 drum groups of 79 records.
constexpr size_t kVmaFileBytes = 86948;
constexpr size_t kVmaMelodyOffset = 33131;
constexpr size_t kVmaDrumOffset = 66411;
constexpr size_t kVmaDrumGroupBytes = 2054;
constexpr uint32_t kVmaMelodyBanks = 10;
constexpr uint32_t kVmaDrumBanks = 10;
constexpr uint32_t kVmaDrumRecords = 78;  // notes 13..90
constexpr uint32_t kVmaFirstDrumNote = 13;
constexpr size_t kSourceRecordBytes = 26;

// ma2voice.adp: "ADP " size "FMT " S, S bytes of 24-byte format records, then "WA" wave chunks.
constexpr size_t kAdpHeaderBytes = 16;
constexpr size_t kFormatRecordBytes = 24;
constexpr size_t kWaveChunkHeaderBytes = 8;

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// One 26-byte voice source record of ma2voice.vma into a record; wave_handle and the unused bytes stay.
void FillFromSource(VoiceRecord& record, const uint8_t* source) {
    const uint8_t algorithm = source[0] & 3;
    record.operator_count = OperatorCountOf(algorithm);
    record.octave_code = source[1];
    record.lfo_rate = source[0] >> 6;
    record.feedback = (source[0] >> 3) & 7;
    record.algorithm = algorithm;
    for (size_t k = 0; k < 4; ++k) record.op[k] = UnpackOperator(source + 2 + k * kPackedOperatorBytes);
    record.drum_note = source[22] & 0x7F;
}

}  // namespace

CVoiceTable::CVoiceTable() {
    for (VoiceRecord& record : m_records) record.operator_count = 0;
    std::copy(kBuiltinMelody2Op.begin(), kBuiltinMelody2Op.end(), &Record(kMelodyBank, 0));
    std::copy(kBuiltinMelody4Op.begin(), kBuiltinMelody4Op.end(), &Record(kMelody4OpBank, 0));
    std::copy(kBuiltinDrums.begin(), kBuiltinDrums.end(), &Record(kDrumBank, 0));
    CopyBank(kMelodyBank, kSongMelodyBank);
    CopyBank(kDrumBank, kSongDrumBank);
}

void CVoiceTable::CopyBank(uint32_t from, uint32_t to) {
    std::copy_n(&Record(from, 0), kVoicesPerBank, &Record(to, 0));
}

void CVoiceTable::LoadVmaFile(std::span<const uint8_t> file) {
    if (file.size() != kVmaFileBytes) return;
    const uint8_t* bytes = file.data();
    if (std::memcmp(bytes, "FM  ", 4) == 0) {
        for (uint32_t i = 0; i < kVmaMelodyBanks * kVoicesPerBank; ++i)
            FillFromSource(m_records[i], bytes + kVmaMelodyOffset + i * kSourceRecordBytes);
        for (uint32_t group = 0; group < kVmaDrumBanks; ++group)
            for (uint32_t r = 0; r < kVmaDrumRecords; ++r)
                FillFromSource(Record(kDrumBank + group, kVmaFirstDrumNote + r),
                               bytes + kVmaDrumOffset + group * kVmaDrumGroupBytes + r * kSourceRecordBytes);
    }
    CopyBank(kMelodyBank, kSongMelodyBank);
    CopyBank(kDrumBank, kSongDrumBank);
}

void CVoiceTable::LoadAdpFile(std::span<const uint8_t> file, CAdpcmPlayer& player) {
    if (file.size() < kAdpHeaderBytes) return;
    const uint8_t* header = file.data();
    if (std::memcmp(header, "ADP ", 4) != 0 || std::memcmp(header + 8, "FMT ", 4) != 0) return;
    player.FreeWave(0);
    if (BigEndian32(header + 4) != file.size() - 8) return;

    const uint8_t* body = header + kAdpHeaderBytes;
    const size_t body_length = file.size() - kAdpHeaderBytes;
    const size_t table_bytes = BigEndian32(header + 12);
    if (table_bytes == 0 || table_bytes + 4 >= body_length) return;

    for (size_t k = 0; k < table_bytes && k + kFormatRecordBytes <= body_length; k += kFormatRecordBytes) {
        const uint8_t* format = body + k;
        const uint32_t bank = kDrumBank + format[18];
        const uint32_t note = format[19];
        if (format[20] != 4 || format[21] != 0 || bank >= kVoiceBanks || note >= kVoicesPerBank) continue;
        const uint32_t rate = (uint32_t{format[22]} << 8) | format[23];
        // Every matching chunk loads; the last one's handle stays in the record.
        for (size_t j = table_bytes; j + kWaveChunkHeaderBytes <= body_length; ++j) {
            const uint8_t* chunk = body + j;
            if (chunk[0] != 'W' || chunk[1] != 'A' || chunk[2] != format[0] || chunk[3] != format[1])
                continue;
            const uint32_t size = BigEndian32(chunk + 4);
            if (size > body_length - j - kWaveChunkHeaderBytes) continue;  // claims more than the file holds
            Record(bank, note).wave_handle = player.LoadWave(0, chunk + kWaveChunkHeaderBytes, size, rate);
        }
    }
}

void CVoiceTable::SetSongVoice(const uint8_t* v) {
    const uint32_t bank = (v[1] & 0x7F) + ((v[1] & 0x80) ? 10 : 0);
    if (bank >= kVoiceBanks) return;
    VoiceRecord& record = Record(bank, v[2] & 0x7F);
    record.wave_handle = 0;
    record.octave_code = v[4] & 3;
    record.lfo_rate = v[3] >> 6;
    record.feedback = (v[3] >> 3) & 7;
    record.algorithm = v[3] & 7;
    record.drum_note = v[25] & 0x7F;
    record.operator_count = OperatorCountOf(record.algorithm);
    record.op[0] = UnpackOperator(v + 5);
    record.op[1] = UnpackOperator(v + 10);
    if (record.operator_count == 4) {
        record.op[2] = UnpackOperator(v + 15);
        record.op[3] = UnpackOperator(v + 20);
    } else {
        record.op[2] = OperatorParams{};
        record.op[3] = OperatorParams{};
    }
}

}  // namespace cantavo
