#include "engine/seq_event_list.h"

#include <algorithm>
#include <new>

namespace cantavo {

bool CEventList::Allocate(uint32_t capacity) {
    Free();
    m_events.reset(new (std::nothrow) SeqEvent[capacity]);
    if (!m_events) return false;
    m_capacity = capacity;
    return true;
}

void CEventList::Free() {
    m_events.reset();
    m_count = 0;
    m_capacity = 0;
}

void CEventList::Append(const SeqEvent& event) {
    if (m_count >= m_capacity) return;
    m_events[m_count++] = event;
}

void CEventList::SortByTime() {
    if (!m_events) return;
    std::stable_sort(m_events.get(), m_events.get() + m_count,
                     [](const SeqEvent& a, const SeqEvent& b) { return a.time < b.time; });
}

}  // namespace cantavo
