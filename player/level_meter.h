// A two-channel peak level meter: one bar for the left and one for the right channel, on a scale of
// decibels below full scale.
#pragma once

#include <wx/panel.h>

#include <cstdint>

class wxGauge;

namespace cantavo {

class CLevelMeter : public wxPanel {
public:
    static constexpr int kRangeDb = 48;  // the bars show the top 48 dB; quieter is empty

    CLevelMeter(wxWindow* parent, const char* name);

    // Peaks are sample magnitudes, 0..32767.
    void SetPeaks(uint16_t left, uint16_t right);
    // Bar lengths, 0..kRangeDb.
    int LeftBar() const;
    int RightBar() const;

private:
    wxGauge* m_ctlLeft = nullptr;
    wxGauge* m_ctlRight = nullptr;
};

// The bar length of a peak: kRangeDb plus its level in dB below full scale, rounded, and 0 at the bottom.
int MeterBar(uint16_t peak);

}  // namespace cantavo
