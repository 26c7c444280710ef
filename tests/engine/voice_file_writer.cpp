#include "voice_file_writer.h"

#include "smaf_writer/voice_writer.h"

namespace cantavo {
namespace {

constexpr size_t kVmaBytes = 86948;
constexpr size_t kMelodyOffset = 33131;
constexpr size_t kDrumOffset = 66411;
constexpr size_t kDrumGroupBytes = 2054;

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

SourceRecord PackSourceRecord(const VoiceRecord& voice) {
    SourceRecord record{};
    record[0] = static_cast<uint8_t>(voice.lfo_rate << 6 | voice.feedback << 3 | (voice.algorithm & 3));
    record[1] = voice.octave_code;
    for (size_t k = 0; k < 4; ++k) {
        const auto packed = smaf::PackOperator(voice.op[k]);
        std::copy(packed.begin(), packed.end(), record.begin() + 2 + 5 * k);
    }
    record[22] = voice.drum_note;
    return record;
}

VmaFileBuilder::VmaFileBuilder() : m_bytes(kVmaBytes, 0) {
    m_bytes[0] = 'F';
    m_bytes[1] = 'M';
    m_bytes[2] = ' ';
    m_bytes[3] = ' ';
}

void VmaFileBuilder::SetMelody(uint32_t bank, uint32_t program, const SourceRecord& record) {
    Put(kMelodyOffset + (bank * 128 + program) * record.size(), record);
}

void VmaFileBuilder::SetDrum(uint32_t group, uint32_t record, const SourceRecord& source) {
    Put(kDrumOffset + group * kDrumGroupBytes + record * source.size(), source);
}

void VmaFileBuilder::Put(size_t offset, const SourceRecord& record) {
    for (size_t i = 0; i < record.size() && offset + i < m_bytes.size(); ++i) m_bytes[offset + i] = record[i];
}

std::vector<uint8_t> BuildAdpFile(const std::vector<AdpFormatRecord>& formats,
                                  const std::vector<AdpWaveChunk>& chunks) {
    std::vector<uint8_t> body;
    for (const AdpFormatRecord& f : formats) {
        const size_t start = body.size();
        PutBigEndian(body, f.wave_id, 2);
        body.resize(start + 18, 0);
        body.push_back(f.bank_offset);
        body.push_back(f.note);
        body.push_back(f.byte20);
        body.push_back(f.byte21);
        PutBigEndian(body, f.rate, 2);
    }
    const uint32_t table_bytes = static_cast<uint32_t>(body.size());
    for (const AdpWaveChunk& c : chunks) {
        body.push_back('W');
        body.push_back('A');
        PutBigEndian(body, c.wave_id, 2);
        PutBigEndian(body, c.claimed_size, 4);
        body.insert(body.end(), c.data.begin(), c.data.end());
    }
    std::vector<uint8_t> file = {'A', 'D', 'P', ' '};
    PutBigEndian(file, static_cast<uint32_t>(body.size() + 8), 4);
    file.insert(file.end(), {'F', 'M', 'T', ' '});
    PutBigEndian(file, table_bytes, 4);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

}  // namespace cantavo
