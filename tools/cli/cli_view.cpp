#include "tools/cli/cli_view.h"

#include <cstdio>

namespace cantavo::cli {
namespace {

constexpr int kBarWidth = 40;

}  // namespace

SlotNames CCliView::Names() const {
    const std::lock_guard lock(m_mutex);
    return m_names;
}

void CCliView::LogMessage(const std::string& text) {
    const std::lock_guard lock(m_mutex);
    // The session logs most notifications and message boxes again right after showing them: print such a
    // text once.
    if (text == m_lastNotification) {
        m_lastNotification.clear();
        return;
    }
    m_lastNotification.clear();
    ClearBar();
    std::fprintf(stderr, "%s\n", text.c_str());
    DrawBar();
}

void CCliView::ShowNotification(const std::string& text) {
    const std::lock_guard lock(m_mutex);
    ClearBar();
    std::fprintf(stderr, "%s\n", text.c_str());
    m_lastNotification = text;
    DrawBar();
}

bool CCliView::Ask(const std::string& question) {
    const std::lock_guard lock(m_mutex);
    ClearBar();
    std::fprintf(stderr, "%s %s\n", question.c_str(), m_force ? "yes (--force)" : "no (--force says yes)");
    DrawBar();
    return m_force;
}

void CCliView::SetTitle(const std::string& text) {
    const std::lock_guard lock(m_mutex);
    m_title = text;
}

void CCliView::SetProgress(int percent) {
    const std::lock_guard lock(m_mutex);
    m_percent = percent;
    if (percent == 0)
        ClearBar();
    else
        DrawBar();
}

void CCliView::ShowSlotNames(const SlotNames& names) {
    const std::lock_guard lock(m_mutex);
    m_names = names;
}

void CCliView::FinishProgress() {
    const std::lock_guard lock(m_mutex);
    ClearBar();
}

void CCliView::DrawBar() {
    if (!m_progressBar || m_percent <= 0) return;
    const int filled = m_percent * kBarWidth / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%% %s", std::string(filled, '#').c_str(),
                 std::string(kBarWidth - filled, '.').c_str(), m_percent, m_title.c_str());
    std::fflush(stderr);
    m_barShown = true;
}

void CCliView::ClearBar() {
    if (!m_barShown) return;
    std::fprintf(stderr, "\r\033[K");
    m_barShown = false;
}

}  // namespace cantavo::cli
