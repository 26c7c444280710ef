#include "engine/smaf_parser.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/smaf_format.h"

namespace cantavo {
namespace {

constexpr uint8_t kFormatZero = 0;
constexpr uint32_t kRate4000Hz = 4000;
constexpr uint32_t kRate8000Hz = 8000;
constexpr uint8_t kFirstSongWave = 1;
constexpr uint8_t kLastSongWave = 62;
constexpr uint32_t kScoreSubChunksAt = 6;
constexpr uint32_t kAudioSubChunksAt = 6;
constexpr uint32_t kAudioHeaderBytes = 3;  // format, sequence type, wave type
constexpr uint32_t kPointBytes = 8;        // "st:" + 4-byte point + ","
constexpr uint32_t kNotFound = 0xFFFFFFFF;

// One chunk header; offsets are 64-bit so that a declared size never wraps the scan around.
struct Chunk {
    std::array<uint8_t, 4> tag;
    uint64_t declared_end;  // where the next header is looked for
    FileRange body;         // clipped to the container
};

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// Reads the header at `at`; the caller has checked that 8 bytes are there before `container_end`.
Chunk ReadChunk(FileBytes file, uint64_t at, uint64_t container_end) {
    Chunk chunk{};
    std::memcpy(chunk.tag.data(), &file[at], 4);
    const uint64_t body = at + kChunkHeaderBytes;
    chunk.declared_end = body + BigEndian32(&file[at + 4]);
    chunk.body = FileRange{static_cast<uint32_t>(body),
                           static_cast<uint32_t>(std::min(chunk.declared_end, container_end) - body)};
    return chunk;
}

bool TagIs(const Chunk& chunk, const char* prefix3) {
    return std::memcmp(chunk.tag.data(), prefix3, 3) == 0;
}
bool TagIs4(const Chunk& chunk, const char* tag4) {
    return std::memcmp(chunk.tag.data(), tag4, 4) == 0;
}

// Byte `index` of a body; 0 past the end of the file.
uint8_t BodyByte(FileBytes file, const FileRange& body, uint32_t index) {
    const uint64_t at = uint64_t{body.offset} + index;
    return at < file.size() ? file[at] : 0;
}

// The first top-level chunk tagged prefix3 + number.
std::optional<Chunk> FindTrackChunk(FileBytes file, const char* prefix3, uint8_t number) {
    if (file.size() <= kChunkHeaderBytes) return std::nullopt;
    uint64_t at = kChunkHeaderBytes;
    while (at + kChunkHeaderBytes <= file.size()) {
        const Chunk chunk = ReadChunk(file, at, file.size());
        if (TagIs(chunk, prefix3) && chunk.tag[3] == number) return chunk;
        at = chunk.declared_end;
    }
    return std::nullopt;
}

// Calls visit(sub_chunk) for every sub-chunk of a track body from `first` on.
template <typename Visit>
void ForEachSubChunk(FileBytes file, const FileRange& body, uint32_t first, Visit&& visit) {
    const uint64_t end = uint64_t{body.offset} + body.size;
    uint64_t at = uint64_t{body.offset} + first;
    while (at + kChunkHeaderBytes <= end) {
        const Chunk chunk = ReadChunk(file, at, end);
        visit(chunk);
        at = chunk.declared_end;
    }
}

// The 4-byte point after the first "xx:" (key3) that is followed by a comma four bytes later.
uint32_t FindPoint(FileBytes file, const FileRange& body, const char* key3) {
    if (body.size < kPointBytes) return kNotFound;
    for (uint32_t j = 0; j + kPointBytes <= body.size; ++j) {
        const uint8_t* p = &file[body.offset + j];
        if (std::memcmp(p, key3, 3) == 0 && p[7] == ',') return BigEndian32(p + 3);
    }
    return kNotFound;
}

}  // namespace

bool IsSmafFile(FileBytes file) {
    return file.size() >= 4 && std::memcmp(file.data(), "MMMD", 4) == 0;
}

uint32_t TimebaseMs(uint8_t code) {
    switch (code) {
        case smaf::kTimebase1Ms:
            return 1;
        case smaf::kTimebase2Ms:
            return 2;
        case smaf::kTimebase4Ms:
            return 4;
        case smaf::kTimebase5Ms:
            return 5;
        case smaf::kTimebase10Ms:
            return 10;
        case smaf::kTimebase20Ms:
            return 20;
        case smaf::kTimebase40Ms:
            return 40;
        case smaf::kTimebase50Ms:
            return 50;
        default:
            return 4;
    }
}

std::optional<ScoreTrack> ReadScoreTrack(FileBytes file, uint8_t number) {
    const std::optional<Chunk> chunk = FindTrackChunk(file, "MTR", number);
    if (!chunk || chunk->body.size < 1 || file[chunk->body.offset] != kFormatZero) return std::nullopt;
    ScoreTrack track;
    track.number = number;
    track.timebase_d_ms = TimebaseMs(BodyByte(file, chunk->body, 2));
    track.timebase_g_ms = TimebaseMs(BodyByte(file, chunk->body, 3));
    ForEachSubChunk(file, chunk->body, kScoreSubChunksAt, [&](const Chunk& sub) {
        if (TagIs4(sub, "MspI")) {
            const uint32_t start = FindPoint(file, sub.body, "st:");
            const uint32_t stop = FindPoint(file, sub.body, "sp:");
            track.start_point = start == kNotFound ? 0 : start;
            track.stop_point = stop;
        } else if (TagIs4(sub, "Mtsq")) {
            track.sequence = sub.body;
        } else if (TagIs4(sub, "Mtsu")) {
            track.setup = sub.body;
        }
    });
    if (track.sequence.size == 0) return std::nullopt;
    return track;
}

std::optional<AudioTrack> ReadAudioTrack(FileBytes file) {
    const std::optional<Chunk> chunk = FindTrackChunk(file, "ATR", 0);
    if (!chunk || chunk->body.size < kAudioHeaderBytes) return std::nullopt;
    const uint8_t wave_type = file[chunk->body.offset + 2];
    if (file[chunk->body.offset] != kFormatZero ||
        (wave_type != smaf::kWaveType4000Hz && wave_type != smaf::kWaveType8000Hz))
        return std::nullopt;
    AudioTrack track;
    track.sample_rate = (wave_type & 0x0F) != 0 ? kRate8000Hz : kRate4000Hz;
    track.timebase_d_ms = TimebaseMs(BodyByte(file, chunk->body, 4));
    track.timebase_g_ms = TimebaseMs(BodyByte(file, chunk->body, 5));
    ForEachSubChunk(file, chunk->body, kAudioSubChunksAt, [&](const Chunk& sub) {
        if (TagIs4(sub, "Atsq")) {
            track.sequence = sub.body;
        } else if (TagIs(sub, "Awa") && sub.tag[3] >= kFirstSongWave && sub.tag[3] <= kLastSongWave) {
            track.waves.push_front(WaveChunk{sub.tag[3], sub.body});
        }
    });
    if (track.sequence.size == 0) return std::nullopt;
    return track;
}

}  // namespace cantavo
