#include "convert/polyphony.h"

#include <algorithm>
#include <tuple>

namespace cantavo {
namespace {

class CPolyphonyReducer {
public:
    CPolyphonyReducer(const std::vector<TimedNote>& notes, int voices, int operators)
        : m_notes(notes), m_voices(voices), m_operators(operators), m_kept(notes.size(), false) {
        m_off.reserve(notes.size());
        for (const TimedNote& note : notes) m_off.push_back(note.off_ms);
    }

    ReducedNotes Run(size_t most_notes) {
        size_t next = 0;
        size_t kept = 0;
        while (next < m_notes.size() && kept < most_notes) {
            const uint32_t now = m_notes[next].on_ms;
            std::erase_if(m_sounding, [&](size_t i) { return m_off[i] <= now; });
            for (; next < m_notes.size() && m_notes[next].on_ms == now; ++next) {
                m_sounding.push_back(next);
                m_kept[next] = true;
                ++kept;
            }
            while (OverLimit()) {
                if (Remove(Victim(), now)) --kept;
            }
        }
        m_result.notes.reserve(kept);
        for (size_t i = 0; i < next; ++i) {
            if (!m_kept[i]) continue;
            m_result.notes.push_back(m_notes[i]);
            m_result.notes.back().off_ms = m_off[i];
        }
        return std::move(m_result);
    }

private:
    bool OverLimit() const {
        int operators = 0;
        for (const size_t i : m_sounding) operators += m_notes[i].voice.operators;
        return static_cast<int>(m_sounding.size()) > m_voices || operators > m_operators;
    }

    int ChannelCount(uint8_t channel) const {
        return static_cast<int>(std::count_if(m_sounding.begin(), m_sounding.end(),
                                              [&](size_t i) { return m_notes[i].channel == channel; }));
    }

    // The highest note of a melody channel that sounds with others of its channel.
    bool IsTopOfChord(size_t candidate) const {
        const TimedNote& note = m_notes[candidate];
        if (note.drum || ChannelCount(note.channel) < 2) return false;
        return std::none_of(m_sounding.begin(), m_sounding.end(), [&](size_t i) {
            return i != candidate && m_notes[i].channel == note.channel &&
                   m_notes[i].midi_key > note.midi_key;
        });
    }

    // Smaller goes first: more notes of its channel, quieter, older; of equals, the later one in the file.
    std::tuple<int, uint8_t, uint32_t, size_t> Rank(size_t i) const {
        const TimedNote& note = m_notes[i];
        return {-ChannelCount(note.channel), note.velocity, note.on_ms, m_notes.size() - i};
    }

    size_t Victim() const {
        std::vector<size_t> candidates;
        for (const size_t i : m_sounding)
            if (!IsTopOfChord(i)) candidates.push_back(i);
        if (candidates.empty()) candidates = m_sounding;  // every note the top of a chord: one still goes
        return *std::min_element(candidates.begin(), candidates.end(),
                                 [&](size_t a, size_t b) { return Rank(a) < Rank(b); });
    }

    // True when the note is dropped, false when it is cut short.
    bool Remove(size_t victim, uint32_t now) {
        std::erase(m_sounding, victim);
        if (m_notes[victim].on_ms == now) {
            m_kept[victim] = false;
            m_result.dropped_ms.push_back(now);
            return true;
        }
        m_off[victim] = now;
        m_result.shortened_ms.push_back(now);
        return false;
    }

    const std::vector<TimedNote>& m_notes;
    const int m_voices;
    const int m_operators;
    std::vector<bool> m_kept;
    std::vector<uint32_t> m_off;  // the end of each note, earlier where it is cut short
    std::vector<size_t> m_sounding;
    ReducedNotes m_result;
};

}  // namespace

ReducedNotes ReducePolyphony(const std::vector<TimedNote>& notes, int voices, int operators,
                             size_t most_notes) {
    return CPolyphonyReducer(notes, voices, operators).Run(most_notes);
}

}  // namespace cantavo
