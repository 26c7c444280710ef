// The splash window: a borderless picture that fades in over eleven timer ticks while the main window is
// being set up, and hides itself at the twelfth.
#pragma once

#include <wx/dialog.h>
#include <wx/image.h>
#include <wx/timer.h>

namespace cantavo {

// The accumulated fade level, kept for the whole process (0 at start and again after every fade).
extern int g_nFadeLevel;

// One fade step: `step` grows by 400 and the level by step / 100. Returns the constant alpha to blend the
// picture with this tick (level + 10, at most 255), or -1 when the level has passed 245 and the window is to
// hide (the level goes back to 0).
int NextFadeAlpha(int& step);

// dst = src * alpha / 255 + dst * (255 - alpha) / 255 on every colour byte, as a constant-alpha blend does.
void BlendOnto(wxImage& destination, const wxImage& source, int alpha);

class CSplashDlg : public wxDialog {
public:
    CSplashDlg() = default;

    // Creates the window with `parent`, sized to the picture and centred on the screen.
    bool Create(wxWindow* parent);
    void StartFade();

    // One fade step (the timer's handler).
    void OnFadeTick();

    bool IsFading() const { return m_timer.IsRunning(); }
    const wxImage& ShownImage() const { return m_shown; }
    const wxImage& Picture() const { return m_picture; }

private:
    void OnTimer(wxTimerEvent& event);
    void OnPaint(wxPaintEvent& event);

    int m_nStep = 0;
    wxImage m_picture;
    wxImage m_shown;  // what the window shows: the picture blended over the background so far
    int m_cxBitmap = 0;
    int m_cyBitmap = 0;
    wxTimer m_timer;
};

}  // namespace cantavo
