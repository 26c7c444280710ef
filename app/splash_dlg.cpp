#include "app/splash_dlg.h"

#include <wx/dcclient.h>

#include <algorithm>

#include "app/skin.h"

namespace cantavo {

int g_nFadeLevel = 0;

namespace {

constexpr int kFadeTimerId = 1;
// The timer asks for 1 ms but Windows delivered ticks about every 16 ms; asking for that keeps the fade
// visible.
constexpr int kFadeTickMs = 16;
constexpr int kStepIncrement = 400;
constexpr int kLevelDivisor = 100;
constexpr int kHideAboveLevel = 245;
constexpr int kAlphaOffset = 10;
constexpr int kOpaque = 255;

}  // namespace

int NextFadeAlpha(int& step) {
    if (g_nFadeLevel > kHideAboveLevel) {
        g_nFadeLevel = 0;
        return -1;
    }
    step += kStepIncrement;
    g_nFadeLevel += step / kLevelDivisor;
    return std::min(g_nFadeLevel + kAlphaOffset, kOpaque);
}

void BlendOnto(wxImage& destination, const wxImage& source, int alpha) {
    unsigned char* dst = destination.GetData();
    const unsigned char* src = source.GetData();
    const std::size_t bytes = std::size_t(destination.GetWidth()) * destination.GetHeight() * 3;
    for (std::size_t i = 0; i < bytes; ++i)
        dst[i] =
            static_cast<unsigned char>((src[i] * alpha + dst[i] * (kOpaque - alpha) + kOpaque / 2) / kOpaque);
}

bool CSplashDlg::Create(wxWindow* parent) {
    if (!wxDialog::Create(parent, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                          wxBORDER_NONE | wxSTAY_ON_TOP))
        return false;
    m_picture = LoadPicture("splash.svg").GetBitmap(wxDefaultSize).ConvertToImage();
    m_cxBitmap = m_picture.GetWidth();
    m_cyBitmap = m_picture.GetHeight();
    m_shown = wxImage(m_cxBitmap, m_cyBitmap);
    const wxColour background = GetBackgroundColour();
    m_shown.SetRGB(wxRect(0, 0, m_cxBitmap, m_cyBitmap), background.Red(), background.Green(),
                   background.Blue());
    SetClientSize(m_cxBitmap, m_cyBitmap);
    m_nStep = 0;
    CentreOnScreen();
    m_timer.SetOwner(this, kFadeTimerId);
    Bind(wxEVT_TIMER, &CSplashDlg::OnTimer, this);
    Bind(wxEVT_PAINT, &CSplashDlg::OnPaint, this);
    return true;
}

void CSplashDlg::StartFade() {
    m_nStep = 0;
    m_timer.Start(kFadeTickMs);
}

void CSplashDlg::OnTimer(wxTimerEvent&) {
    OnFadeTick();
}

void CSplashDlg::OnFadeTick() {
    const int alpha = NextFadeAlpha(m_nStep);
    if (alpha < 0) {
        m_timer.Stop();
        Hide();
        return;
    }
    BlendOnto(m_shown, m_picture, alpha);
    if (IsShown()) {
        // The main window is shown meanwhile; without a window manager to honour stay-on-top, keep above it.
        Raise();
        Refresh(false);
        Update();
    }
}

// GTK draws only in paint events, so the window keeps what the fade has built and paints that.
void CSplashDlg::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    dc.DrawBitmap(wxBitmap(m_shown), 0, 0);
}

}  // namespace cantavo
