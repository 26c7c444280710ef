#include "engine/smaf_sequencer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/channel_messages.h"
#include "engine/synth.h"

namespace cantavo {
namespace {

constexpr uint8_t kFirstScoreTrack = 1;
constexpr uint8_t kLastScoreTrack = 4;
constexpr uint8_t kMasterLevelFullTracks = kMasterLevelCentre;      // offset 0
constexpr uint8_t kMasterLevelTrackZero = kMasterLevelCentre - 18;  // offset -18 (9 dB quieter)
constexpr uint8_t kStartAdpcmLevel = 100;
constexpr uint8_t kSongBankMsb = 0x7C;  // bank select 0x7C/0x00: the song's own voices
constexpr uint8_t kFullLevel = 0x7F;
constexpr uint8_t kPanCentre = 0x40;
constexpr uint8_t kDirectWave = 0x80;
constexpr size_t kMostExclusiveParameters = 4;
// Longest catch-up render of a seek in one piece; longer gaps are rendered in pieces of this size so that
// the scratch buffer stays small.
constexpr uint64_t kCatchUpPieceFrames = 1u << 19;

constexpr uint8_t U8(int value) {
    return static_cast<uint8_t>(value);
}

}  // namespace

void CSmafSequencer::SendMessage(std::initializer_list<uint8_t> bytes) {
    m_target.ProcessMessage(bytes.begin(), static_cast<uint32_t>(bytes.size()));
}

void CSmafSequencer::SendExclusive(ExclusiveType type, std::initializer_list<uint8_t> parameters) {
    uint8_t message[kExclusiveParametersAt + kMostExclusiveParameters + 1];
    std::copy(std::begin(kExclusiveHeader), std::end(kExclusiveHeader), message);
    message[kExclusiveTypeAt] = type;
    const size_t count = std::min(parameters.size(), kMostExclusiveParameters);
    std::copy_n(parameters.begin(), count, message + kExclusiveParametersAt);
    message[kExclusiveParametersAt + count] = kExclusiveEnd;
    m_target.ProcessMessage(message, static_cast<uint32_t>(kExclusiveParametersAt + count + 1));
}

void CSmafSequencer::AppendData(const uint8_t* data, uint32_t length) {
    if (data == nullptr || length == 0) {
        Release();
        return;
    }
    const uint64_t total = uint64_t{m_fileLength} + length;
    if (total > UINT32_MAX) return;
    std::unique_ptr<uint8_t[]> joined(new (std::nothrow) uint8_t[total]);
    if (!joined) return;
    if (m_fileLength != 0) std::memcpy(joined.get(), m_fileData.get(), m_fileLength);
    std::memcpy(joined.get() + m_fileLength, data, length);
    m_fileData = std::move(joined);
    m_fileLength = static_cast<uint32_t>(total);
}

int CSmafSequencer::Parse() {
    if (!m_fileData || m_fileLength == 0 || m_playing) return 0;
    const FileBytes file = File();
    if (!IsSmafFile(file)) return 0;
    m_levelFlag = 0;
    int taken = 0;
    for (uint8_t n = kLastScoreTrack; n >= kFirstScoreTrack; --n) {
        if (std::optional<ScoreTrack> track = ReadScoreTrack(file, n)) {
            m_scoreTracks.push_front(*track);
            m_levelFlag = 1;
            ++taken;
        }
    }
    if (taken == 0) {
        if (std::optional<ScoreTrack> track = ReadScoreTrack(file, 0)) {
            m_scoreTracks.push_front(*track);
            taken = 1;
        }
    }
    if (std::optional<AudioTrack> track = ReadAudioTrack(file)) {
        m_audioTracks.push_front(std::move(*track));
        m_levelFlag = 1;
        ++taken;
    }
    if (taken == 0) return 0;
    m_octaveShift = {};
    BuildEventList();
    return 1;
}

int CSmafSequencer::BuildEventList() {
    m_nextEvent = 0;
    uint64_t capacity = 0;
    for (const ScoreTrack& track : m_scoreTracks) capacity += track.sequence.size;
    if (!m_audioTracks.empty()) capacity += m_audioTracks.front().sequence.size;
    if (capacity == 0 || capacity > UINT32_MAX) {
        m_events.Free();
        return 1;
    }
    if (!m_events.Allocate(static_cast<uint32_t>(capacity))) return 1;
    const FileBytes file = File();
    for (const ScoreTrack& track : m_scoreTracks)
        ConvertScoreTrack(file, track, m_octaveShift, m_events, m_target);
    if (!m_audioTracks.empty()) ConvertAudioTrack(file, m_audioTracks.front(), m_events);
    m_events.SortByTime();
    return 0;
}

void CSmafSequencer::SendStartMessages() {
    SendExclusive(kExclusiveSlotMode, {kSlotModeByChannel});
    SendExclusive(kExclusiveMasterLevel, {m_levelFlag == 1 ? kMasterLevelFullTracks : kMasterLevelTrackZero});
    const FileBytes file = File();
    for (const ScoreTrack& track : m_scoreTracks) {
        ScanSetupData(file, track.setup, [&](FileRange body) {
            ApplyVoiceExclusive(file.data() + body.offset, body.size, m_target);
        });
    }
    for (const AudioTrack& track : m_audioTracks)
        for (const WaveChunk& wave : track.waves)
            m_target.LoadSongWave(wave.wave, file.data() + wave.data.offset, wave.data.size,
                                  track.sample_rate);
    for (uint8_t n = 0; n < kChannelCount; ++n) {
        const uint8_t control = U8(kStatusControl | n);
        SendMessage({control, kControllerNoteLimit, kMonoNoteLimit});
        SendMessage({control, kControllerBankMsb, kSongBankMsb});
        SendMessage({control, kControllerBankLsb, 0x00});
        SendMessage({U8(kStatusProgram | n), 0x00});
        SendMessage({control, kControllerVolume, kFullLevel});
        SendMessage({control, kControllerExpression, kFullLevel});
        SendMessage({control, kControllerPan, kPanCentre});
        SendExclusive(kExclusiveWaveLevel, {n, kStartAdpcmLevel});
    }
}

int CSmafSequencer::Start(uint32_t ms) {
    if (m_playing == 1 || !m_events.Present() || m_events.Count() == 0) return 0;
    m_playing = 1;
    m_nextEvent = 0;
    SendStartMessages();
    if (ms > 0) return SeekTo(ms);
    return 1;
}

void CSmafSequencer::Stop() {
    if (m_playing != 1) return;
    m_nextEvent = 0;
    for (uint8_t n = 0; n < kChannelCount; ++n) SendMessage({U8(kStatusControl | n), kControllerAllSoundOff});
    m_target.StopWaveVoice();
    // All sound off leaves notes keyed by register writes sounding; a stopped song must not.
    m_target.KeyOffRegisterNotes();
    m_playing = 0;
}

int CSmafSequencer::SeekTo(uint32_t ms) {
    if (!m_events.Present() || m_events.Count() == 0) return 0;
    if (m_events[m_events.Count() - 1].time < ms) return 0;
    PlayDueEvents(ms);
    const uint32_t last = m_nextEvent == 0 ? 0 : m_events[m_nextEvent - 1].time;
    uint64_t frames = MsToFrames(ms - last);
    if (frames == 0) return 1;
    const uint64_t piece = std::min(frames, kCatchUpPieceFrames);
    const std::unique_ptr<int16_t[]> scratch(new (std::nothrow) int16_t[piece * 2]);
    if (!scratch) return 1;
    while (frames > 0) {
        const uint64_t n = std::min(frames, piece);
        m_target.Render(scratch.get(), static_cast<uint32_t>(n));
        frames -= n;
    }
    return 1;
}

void CSmafSequencer::Release() {
    Stop();
    m_levelFlag = 0;
    m_playing = 0;
    m_fileLength = 0;
    m_nextEvent = 0;
    m_fileData.reset();
    m_events.Free();
    m_octaveShift = {};
    m_scoreTracks.clear();
    m_audioTracks.clear();
}

int CSmafSequencer::DispatchNextEvent() {
    if (m_nextEvent >= m_events.Count()) return 0;
    const uint32_t m = m_events[m_nextEvent++].message;
    const uint8_t b0 = MessageByte(m, 0);
    const uint8_t b1 = MessageByte(m, 1);
    const uint8_t b2 = MessageByte(m, 2);
    const uint8_t b3 = MessageByte(m, 3);
    if (b0 == kStatusRegisterWrite) {
        SendExclusive(kExclusiveRegisterWrite, {U8(b1 & 0x7F), U8(b2 & 0x7F), U8(b3 & 0x7F)});
    } else if (b0 == kStatusWave) {
        if (b1 == kWaveStart) SendExclusive(kExclusiveStartWave, {b2, b3, kDirectWave, 0x00});
        if (b1 == kWaveStop) SendExclusive(kExclusiveStopWave, {b2});
        if (b1 == kWaveVolume) SendExclusive(kExclusiveWaveLevel, {b2, b3});
    } else {
        SendMessage({b0, b1, b2, b3});
    }
    return 1;
}

int CSmafSequencer::PlayDueEvents(uint32_t t) {
    if (!m_playing || !m_events.Present() || m_events.Count() == 0) return 0;
    while (m_nextEvent < m_events.Count() && m_events[m_nextEvent].time <= t) DispatchNextEvent();
    return m_nextEvent < m_events.Count() ? 1 : 0;
}

}  // namespace cantavo
