#include "player/level_meter.h"

#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <cmath>

#include "player/player_texts.h"

namespace cantavo {

int MeterBar(uint16_t peak) {
    if (peak == 0) return 0;
    const double db = 20 * std::log10(peak / 32767.0);
    return std::max(0, static_cast<int>(std::lround(CLevelMeter::kRangeDb + db)));
}

CLevelMeter::CLevelMeter(wxWindow* parent, const char* name)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL, name) {
    const int gap = wxDLG_UNIT(this, wxSize(3, 3)).x;
    const wxSize bar_size(-1, wxDLG_UNIT(this, wxSize(0, 4)).y);
    auto* rows = new wxFlexGridSizer(2, gap / 2, gap);
    rows->AddGrowableCol(1);
    for (auto [label, bar] :
         {std::pair{player_texts::kLeft, &m_ctlLeft}, {player_texts::kRight, &m_ctlRight}}) {
        rows->Add(new wxStaticText(this, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL);
        *bar =
            new wxGauge(this, wxID_ANY, kRangeDb, wxDefaultPosition, bar_size, wxGA_HORIZONTAL | wxGA_SMOOTH);
        rows->Add(*bar, 1, wxEXPAND | wxALIGN_CENTER_VERTICAL);
    }
    SetSizer(rows);
    SetToolTip(player_texts::kMeterTip);
    for (wxWindow* child : GetChildren()) child->SetToolTip(player_texts::kMeterTip);
}

void CLevelMeter::SetPeaks(uint16_t left, uint16_t right) {
    for (auto [gauge, peak] : {std::pair{m_ctlLeft, left}, {m_ctlRight, right}}) {
        const int bar = MeterBar(peak);
        if (gauge->GetValue() != bar) gauge->SetValue(bar);
    }
}

int CLevelMeter::LeftBar() const {
    return m_ctlLeft->GetValue();
}

int CLevelMeter::RightBar() const {
    return m_ctlRight->GetValue();
}

}  // namespace cantavo
