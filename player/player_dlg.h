// The player dialog: auditions one SMAF file through the engine and the wave output device.
//
// Everything runs on the UI thread. The device's completion of a buffer is the only clock: each completion
// renders the next buffer, advances the elapsed time and detects the end of the song.
#pragma once

#include <wx/dialog.h>
#include <wx/event.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "player/wave_out.h"

class wxBitmapButton;
class wxCheckBox;
class wxKeyEvent;
class wxTextCtrl;

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

    // Data exchange: members to controls and back (the start offset and the Repeat box are read back; a
    // start offset that is not an unsigned number is refused with a prompt).
    bool TransferDataToWindow() override;
    bool TransferDataFromWindow() override;

    PlayState GetPlayState() const { return m_nPlayState; }
    uint32_t GetElapsedMs() const { return m_nElapsedMs; }
    uint32_t GetStartMs() const { return m_nStartMs; }
    bool IsDeviceOpen() const { return m_hWaveOut != nullptr; }
    // Times the device ran dry while it was meant to be playing (each one an audible gap).
    uint64_t GetUnderrunCount() const;

protected:
    // Shows the refusal of a non-numeric millisecond entry; tests replace it (a modal box would block them).
    virtual void ShowPrompt(const wxString& text);

private:
    static constexpr uint32_t kBufferBytes = 8192;  // 2048 frames, about 92.9 ms
    static constexpr int kBufferCount = 2;

    void CreateControls();
    void OnOpen();
    void OnCharHook(wxKeyEvent& event);
    bool OpenWaveDevice();
    bool LoadSmafFile(const wxString& path);
    void OnWaveDone(WaveHeader* header);
    void StopPlaying();
    void DiscardQueuedSound();
    void RefreshControls();
    void ShowStartOffset();
    void ShowElapsedTime();
    bool ReadStartOffset();

    // Carries the device's done notices to the UI thread. The device's thread touches only this member, never
    // the dialog itself, whose construction or destruction (of a derived class too) may be under way.
    class WaveDoneRelay : public WaveDoneTarget {
    public:
        explicit WaveDoneRelay(CPlayerDlg& dialog) : m_dialog(dialog) {}
        void PostWaveDone(WaveHeader* header) override;

    private:
        CPlayerDlg& m_dialog;
        wxEvtHandler m_events;
    };

    // Player members.
    WaveDoneRelay m_waveDone{*this};
    std::unique_ptr<WaveOut> m_hWaveOut;
    std::array<WaveHeader, kBufferCount> m_pWaveHdr{};
    std::vector<uint8_t> m_pWaveData;  // kBufferCount * kBufferBytes, buffer i at i * kBufferBytes
    std::vector<uint8_t> m_pFileData;
    PlayState m_nPlayState = kStopped;
    uint64_t m_nRenderedBytes = 0;  // since the last stop
    uint32_t m_nElapsedMs = 0;
    uint32_t m_nStartMs = 0;
    bool m_bRepeat = false;
    // Set when the song has ended: the buffer holding its last sound, whose completion ends the playing.
    WaveHeader* m_pDrainHeader = nullptr;

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
};
