// The player dialog: auditions one SMAF melody through the engine and the wave output device.
//
// The dialog only sends commands to the render thread (which makes every engine call and keeps the device
// fed) and shows what it reports: what has been heard (elapsed time, position, levels), the end of a song
// and a song's length.
#pragma once

#include <wx/dialog.h>
#include <wx/event.h>
#include <wx/timer.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "player/render_thread.h"

class wxBitmapButton;
class wxCheckBox;
class wxKeyEvent;
class wxSlider;
class wxStaticText;
class wxTextCtrl;

namespace cantavo {

class CLevelMeter;

class CPlayerDlg : public wxDialog {
public:
    enum PlayState : int32_t { kStopped = 0, kPlaying = 1, kPaused = 2 };

    // Window names of the controls; the five buttons' pictures are the embedded "<name>.svg".
    static constexpr char kFileNameControl[] = "file_name";
    static constexpr char kStartMsControl[] = "start_ms";
    static constexpr char kElapsedMsControl[] = "elapsed_ms";
    static constexpr char kRepeatControl[] = "repeat";
    static constexpr char kRewindControl[] = "rewind";
    static constexpr char kPlayControl[] = "play";
    static constexpr char kPauseControl[] = "pause";
    static constexpr char kStopControl[] = "stop";
    static constexpr char kForwardControl[] = "forward";
    static constexpr char kOpenControl[] = "open";
    static constexpr char kPositionControl[] = "position";
    static constexpr char kPositionTextControl[] = "position_text";
    static constexpr char kLevelMeterControl[] = "level_meter";

    // initial_file, when given, is opened as the Open button would open it (and starts playing). show_about
    // is offered to the user as "&About Lirvane..." and receives this dialog as the parent.
    CPlayerDlg(wxWindow* parent, const wxString& initial_file = wxString(),
               std::function<void(wxWindow*)> show_about = {});
    ~CPlayerDlg() override;

    // The handlers of the buttons, also reachable through wxEVT_BUTTON on the controls.
    void OnPlay();
    void OnStop();
    void OnPause();
    void OnRewind();
    void OnForward();
    void OnRepeat();
    // Loads path and plays it from the current start offset; false (nothing changed) when it cannot be read.
    bool OpenFile(const wxString& path);
    // Plays a melody given as bytes (a slot of the handset, a converted file), shown as `name`.
    void OpenData(const wxString& name, std::vector<uint8_t> song);
    // The position bar's handler: playing or paused, the song goes on from ms; stopped, ms becomes the start
    // offset.
    void SeekTo(uint32_t ms);

    // Data exchange: members to controls and back (the start offset and the Repeat box are read back; a
    // start offset that is not an unsigned number is refused with a prompt).
    bool TransferDataToWindow() override;
    bool TransferDataFromWindow() override;

    PlayState GetPlayState() const { return m_nPlayState; }
    uint32_t GetElapsedMs() const { return m_nElapsedMs; }
    uint32_t GetStartMs() const { return m_nStartMs; }
    uint32_t GetPositionMs() const { return m_nPositionMs; }
    std::optional<uint32_t> GetLengthMs() const { return m_nLengthMs; }
    const CLevelMeter& GetLevelMeter() const { return *m_ctlMeter; }
    bool IsDeviceOpen() const { return m_pRender != nullptr; }
    // Times the device ran dry while it was meant to be playing (each one an audible gap).
    uint64_t GetUnderrunCount() const;

protected:
    // Shows the refusal of a non-numeric millisecond entry; tests replace it (a modal box would block them).
    virtual void ShowPrompt(const wxString& text);

private:
    void CreateControls();
    void OnOpen();
    void OnCharHook(wxKeyEvent& event);
    std::optional<std::vector<uint8_t>> LoadSmafFile(const wxString& path);
    void ShowHeard();
    void OnSongEnded(uint64_t play);
    void OnSongLength(uint64_t data, uint32_t length_ms);
    void StopPlaying();
    void RefreshControls();
    void ShowStartOffset();
    void ShowElapsedTime();
    void ShowPosition(uint32_t ms);
    bool ReadStartOffset();

    // What has been heard of a play: all its bytes, where the song was at the last buffer (of its last seek)
    // and the largest peaks since the window last looked.
    struct HeardSoFar {
        uint64_t play = 0;
        uint64_t bytes = 0;
        uint64_t seek = 0;
        uint32_t position_ms = 0;
        uint16_t peak_left = 0;
        uint16_t peak_right = 0;
    };

    // Carries the render thread's reports to the UI thread. The render thread touches only this member, never
    // the dialog itself, whose construction or destruction (of a derived class too) may be under way. What is
    // heard is gathered here and taken by the window a few times a second; a window woken for every buffer
    // would spend more of its thread on the news than on anything else.
    class PlaybackRelay : public PlaybackListener {
    public:
        explicit PlaybackRelay(CPlayerDlg& dialog) : m_dialog(dialog) {}
        void OnHeard(const HeardBuffer& heard) override;
        void OnSongEnded(uint64_t play) override;
        void OnSongLength(uint64_t data, uint32_t length_ms) override;
        // What has been heard so far; the peaks start again from nothing.
        HeardSoFar Take();

    private:
        CPlayerDlg& m_dialog;
        wxEvtHandler m_events;
        std::mutex m_mutex;
        HeardSoFar m_heard;
    };

    // Player members.
    PlaybackRelay m_playback{*this};
    std::unique_ptr<RenderThread> m_pRender;  // null without a sound device
    PlayState m_nPlayState = kStopped;
    uint64_t m_nHeardBytes = 0;  // of the song, since the last stop
    uint32_t m_nElapsedMs = 0;
    uint32_t m_nStartMs = 0;
    bool m_bRepeat = false;
    uint64_t m_nPlay = 0;  // the current Play, Seek and song data, as the render thread's reports name them
    uint64_t m_nSeek = 0;
    uint64_t m_nData = 0;
    uint32_t m_nPositionMs = 0;
    std::optional<uint32_t> m_nLengthMs;
    bool m_bDragging = false;  // the position bar's thumb is held
    wxTimer m_tmHeard;         // shows what has been heard, while playing

    // Dialog members.
    wxString m_strFileName;
    std::function<void(wxWindow*)> m_fnShowAbout;
    wxTextCtrl* m_ctlFileName = nullptr;
    wxTextCtrl* m_ctlStartMs = nullptr;
    wxTextCtrl* m_ctlElapsedMs = nullptr;
    wxCheckBox* m_ctlRepeat = nullptr;
    wxBitmapButton* m_ctlRewind = nullptr;
    wxBitmapButton* m_ctlPlay = nullptr;
    wxBitmapButton* m_ctlPause = nullptr;
    wxBitmapButton* m_ctlStop = nullptr;
    wxBitmapButton* m_ctlForward = nullptr;
    wxSlider* m_ctlPosition = nullptr;
    wxStaticText* m_ctlPositionText = nullptr;
    CLevelMeter* m_ctlMeter = nullptr;
};

}  // namespace cantavo
