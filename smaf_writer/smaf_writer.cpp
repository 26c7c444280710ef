#include "smaf_writer/smaf_writer.h"

#include <iterator>

namespace cantavo::smaf {

namespace {
constexpr uint8_t kSequenceTypeStream = 0;
constexpr uint8_t kContentsClass = 0x00;
constexpr uint8_t kContentsTypeRingtone = 0x21;
constexpr uint8_t kCodeTypeShiftJis = 0x00;
constexpr uint8_t kCopyStatusFree = 0x00;
constexpr uint8_t kCopyCount = 0x00;
constexpr uint8_t kChannelStatusAllMelody = 0x00;
}  // namespace

uint8_t TimebaseCode(uint32_t ms) {
    constexpr uint8_t kCodes[] = {kTimebase1Ms,  kTimebase2Ms,  kTimebase4Ms,  kTimebase5Ms,
                                  kTimebase10Ms, kTimebase20Ms, kTimebase40Ms, kTimebase50Ms};
    for (size_t i = 0; i < std::size(kTimebasesMs); ++i)
        if (kTimebasesMs[i] == ms) return kCodes[i];
    return kTimebase4Ms;
}

void AppendBigEndian32(Bytes& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void AppendBytes(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

Bytes Chunk(std::string_view tag4, const Bytes& body) {
    Bytes out;
    out.reserve(8 + body.size());
    for (const char c : tag4.substr(0, 4)) out.push_back(static_cast<uint8_t>(c));
    AppendBigEndian32(out, static_cast<uint32_t>(body.size()));
    AppendBytes(out, body);
    return out;
}

Bytes Chunk(std::string_view tag3, uint8_t number, const Bytes& body) {
    const char tag[4] = {tag3[0], tag3[1], tag3[2], static_cast<char>(number)};
    return Chunk(std::string_view(tag, 4), body);
}

Bytes ScoreTrackChunk(const ScoreTrackContent& track) {
    Bytes body = {track.format,     kSequenceTypeStream,     track.timebase_d,
                  track.timebase_g, kChannelStatusAllMelody, kChannelStatusAllMelody};
    if (track.seek_phrase) AppendBytes(body, Chunk("MspI", *track.seek_phrase));
    if (track.setup) AppendBytes(body, Chunk("Mtsu", *track.setup));
    if (track.sequence) AppendBytes(body, Chunk("Mtsq", *track.sequence));
    return Chunk("MTR", track.number, body);
}

Bytes AudioTrackChunk(const AudioTrackContent& track) {
    Bytes body = {track.format, kSequenceTypeStream, track.wave_type, 0, track.timebase_d, track.timebase_g};
    if (track.sequence) AppendBytes(body, Chunk("Atsq", *track.sequence));
    for (const WaveContent& wave : track.waves) AppendBytes(body, Chunk("Awa", wave.number, wave.adpcm));
    return Chunk("ATR", 0, body);
}

Bytes SmafFile(const std::vector<Bytes>& chunks) {
    Bytes body = Chunk(
        "CNTI", {kContentsClass, kContentsTypeRingtone, kCodeTypeShiftJis, kCopyStatusFree, kCopyCount});
    for (const Bytes& chunk : chunks) AppendBytes(body, chunk);
    return Chunk("MMMD", body);
}

Bytes SeekPhrase(std::optional<uint32_t> start_point, std::optional<uint32_t> stop_point) {
    Bytes body;
    const auto point = [&body](const char* key, uint32_t value) {
        for (int i = 0; i < 3; ++i) body.push_back(static_cast<uint8_t>(key[i]));
        AppendBigEndian32(body, value);
        body.push_back(',');
    };
    if (start_point) point("st:", *start_point);
    if (stop_point) point("sp:", *stop_point);
    return body;
}

Bytes SetupData(const std::vector<Bytes>& exclusive_bodies) {
    Bytes out;
    for (const Bytes& body : exclusive_bodies) {
        out.push_back(kEscapeEvent);
        out.push_back(kExclusiveEscape);
        out.push_back(static_cast<uint8_t>(body.size()));
        AppendBytes(out, body);
    }
    return out;
}

}  // namespace cantavo::smaf
