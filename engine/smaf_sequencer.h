#pragma once
// The sequencer: the engine's copy of the SMAF file, its tracks, the time-sorted event list and the playing
// state. It drives the sound device (CSequencerTarget) with the messages of the events that are due.

#include <cstdint>
#include <forward_list>
#include <memory>

#include "engine/channel_messages.h"
#include "engine/seq_event_list.h"
#include "engine/sequencer_target.h"
#include "engine/smaf_parser.h"
#include "engine/smaf_track_converter.h"

namespace cantavo {

class CSmafSequencer {
public:
    explicit CSmafSequencer(CSequencerTarget& target) : m_target(target) {}
    ~CSmafSequencer() { Release(); }
    CSmafSequencer(const CSmafSequencer&) = delete;
    CSmafSequencer& operator=(const CSmafSequencer&) = delete;

    // Appends bytes to the file copy; null data or length 0 releases everything.
    void AppendData(const uint8_t* data, uint32_t length);
    // Takes score tracks 4..1 (or 0 when there is none of them) and the audio track, then builds the event
    // list. 1 when a track was taken; 0 without data, while playing, for a non-SMAF file or no track.
    int Parse();
    // 0 on success, 1 when there is nothing to build or no memory.
    int BuildEventList();

    // Sends the start messages and song voices and waves, then seeks to ms when it is above 0. 0 when already
    // playing, without events, or when the seek fails.
    int Start(uint32_t ms);
    void Stop();
    // Executes every event up to ms at once and renders on to ms. 0 when ms lies after the last event.
    int SeekTo(uint32_t ms);
    void Release();
    void Rewind() { m_nextEvent = 0; }
    int IsPlaying() const { return m_playing; }

    // Executes the next event; 0 when none is left.
    int DispatchNextEvent();
    // Executes every event due at t ms; 1 while events remain, 0 when exhausted, not playing or without list.
    int PlayDueEvents(uint32_t t);
    // Time of the next event; only while PlayDueEvents says that events remain.
    uint32_t NextEventTime() const { return m_events[m_nextEvent].time; }

    FileBytes File() const { return {m_fileData.get(), m_fileLength}; }
    const std::forward_list<ScoreTrack>& ScoreTracks() const { return m_scoreTracks; }
    const std::forward_list<AudioTrack>& AudioTracks() const { return m_audioTracks; }
    const CEventList& Events() const { return m_events; }
    uint32_t NextEvent() const { return m_nextEvent; }
    uint8_t LevelFlag() const { return m_levelFlag; }

private:
    void SendMessage(std::initializer_list<uint8_t> bytes);
    // The engine's exclusive message of `type` with up to four parameters.
    void SendExclusive(ExclusiveType type, std::initializer_list<uint8_t> parameters);
    void SendStartMessages();

    CSequencerTarget& m_target;
    OctaveShifts m_octaveShift{};
    std::forward_list<ScoreTrack> m_scoreTracks;
    std::forward_list<AudioTrack> m_audioTracks;
    uint8_t m_levelFlag = 0;  // 1 = master level 0x40 at start, else 0x2E
    uint8_t m_playing = 0;
    std::unique_ptr<uint8_t[]> m_fileData;
    uint32_t m_fileLength = 0;
    CEventList m_events;
    uint32_t m_nextEvent = 0;
};

}  // namespace cantavo
