#pragma once
// Builds voice data files of our own in the layout the voice table reads (ma2voice.vma, ma2voice.adp), so
// the loaders are exercised on whole files.

#include <array>
#include <cstdint>
#include <vector>

#include "engine/voice_record.h"

namespace cantavo {

using SourceRecord = std::array<uint8_t, 26>;

// A 26-byte ma2voice.vma source record for a voice (algorithm bits 1-0 only).
SourceRecord PackSourceRecord(const VoiceRecord& voice);

// ma2voice.vma: 86948 bytes, magic "FM  ", every source record zero until set.
class VmaFileBuilder {
public:
    VmaFileBuilder();
    void SetMelody(uint32_t bank, uint32_t program, const SourceRecord& record);
    // group 0..9 is bank 10..19; record 0..78 (notes 13..91; 78 is not read, and in group 9 only partly
    // there).
    void SetDrum(uint32_t group, uint32_t record, const SourceRecord& source);
    std::vector<uint8_t>& Bytes() { return m_bytes; }

private:
    void Put(size_t offset, const SourceRecord& record);
    std::vector<uint8_t> m_bytes;
};

struct AdpFormatRecord {
    uint16_t wave_id;  // stored big-endian in bytes 0-1
    uint8_t bank_offset;
    uint8_t note;
    uint16_t rate;
    uint8_t byte20 = 4;
    uint8_t byte21 = 0;
};

struct AdpWaveChunk {
    uint16_t wave_id;
    std::vector<uint8_t> data;
    uint32_t claimed_size;  // written as the chunk's size; normally data.size()
};

// ma2voice.adp with a correct size field.
std::vector<uint8_t> BuildAdpFile(const std::vector<AdpFormatRecord>& formats,
                                  const std::vector<AdpWaveChunk>& chunks);

}  // namespace cantavo
