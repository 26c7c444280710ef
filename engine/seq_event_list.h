#pragma once
// The event list: a fixed-capacity array of SeqEvents, filled by the track conversion and sorted by time.

#include <cstdint>
#include <memory>

#include "engine/seq_event.h"

namespace cantavo {

class CEventList {
public:
    // Frees the list and allocates room for `capacity` events; false (and no list) when memory runs out.
    bool Allocate(uint32_t capacity);
    void Free();

    // Appends one event; dropped silently when the list is missing or full.
    void Append(const SeqEvent& event);
    void Append(uint32_t time, uint32_t message) { Append(SeqEvent{time, 0, message}); }

    // Ascending unsigned times; events with equal times keep their order.
    void SortByTime();

    bool Present() const { return m_events != nullptr; }
    uint32_t Count() const { return m_count; }
    const SeqEvent& operator[](uint32_t index) const { return m_events[index]; }

private:
    std::unique_ptr<SeqEvent[]> m_events;
    uint32_t m_count = 0;
    uint32_t m_capacity = 0;
};

}  // namespace cantavo
