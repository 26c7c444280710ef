#include "player/player_dlg.h"

#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/filedlg.h>
#include <wx/iconbndl.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <limits>

#include "convert/audio_reader.h"
#include "convert/convert.h"
#include "host/file_io.h"
#include "player/level_meter.h"
#include "player/player_texts.h"
#include "player/unsigned_text.h"
#include "player_art.h"

namespace cantavo {
namespace {

constexpr uint32_t kStepMs = 1000;  // rewind / forward step of the start offset
constexpr int kAboutCommand = 0x10;
constexpr uint32_t kLongestTimeText = 599999;  // "9:59" sizes the position's text
constexpr int kHeardRefreshMs = 200;

wxBitmapBundle Art(const char* name, int size) {
    const std::string_view svg = player_art::Find(name);  // embedded with a terminating NUL
    return wxBitmapBundle::FromSVG(svg.data(), wxSize(size, size));
}

void ReportToTerminal(const std::string& message) {
    std::cerr << player_texts::kProgram << ": " << message << '\n';
}

}  // namespace

CPlayerDlg::CPlayerDlg(wxWindow* parent, const wxString& initial_file,
                       std::function<void(wxWindow*)> show_about)
    : wxDialog(parent, wxID_ANY, player_texts::kTitle, wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      m_fnShowAbout(std::move(show_about)) {
    CreateControls();
    std::string error;
    m_pRender = RenderThread::Open(WaveOut::BackendFromEnvironment(), m_playback, error);
    if (m_pRender) {
        m_pRender->SetRepeat(m_bRepeat);
    } else {
        ReportToTerminal(player_texts::NoSound(error));
        m_ctlPlay->Disable();
    }
    TransferDataToWindow();
    if (!initial_file.empty()) OpenFile(initial_file);
}

// The render thread goes first, so no report arrives while the rest is taken down; it silences the device
// and empties the engine, which is one for the whole process: a song left in it would sound in the next
// player.
CPlayerDlg::~CPlayerDlg() {
    m_pRender.reset();
}

void CPlayerDlg::CreateControls() {
    SetIcons(wxIconBundle(Art("player.svg", 32).GetIcon(wxSize(32, 32))));
    // Controls carry names (the ones of the constants below) so tests and accessibility tools can find them.
    m_ctlFileName =
        new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxDLG_UNIT(this, wxSize(148, -1)), 0,
                       wxDefaultValidator, kFileNameControl);
    const wxSize msec_size = wxDLG_UNIT(this, wxSize(33, -1));
    m_ctlStartMs = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, msec_size, wxTE_RIGHT,
                                  wxDefaultValidator, kStartMsControl);
    m_ctlElapsedMs = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, msec_size, wxTE_RIGHT,
                                    wxDefaultValidator, kElapsedMsControl);
    m_ctlRepeat = new wxCheckBox(this, wxID_ANY, player_texts::kRepeat, wxDefaultPosition, wxDefaultSize, 0,
                                 wxDefaultValidator, kRepeatControl);
    auto icon_button = [this](const char* name) {
        return new wxBitmapButton(this, wxID_ANY, Art((std::string(name) + ".svg").c_str(), 16),
                                  wxDefaultPosition, wxDefaultSize, wxBU_AUTODRAW, wxDefaultValidator, name);
    };
    m_ctlRewind = icon_button(kRewindControl);
    m_ctlPlay = icon_button(kPlayControl);
    m_ctlPause = icon_button(kPauseControl);
    m_ctlStop = icon_button(kStopControl);
    m_ctlForward = icon_button(kForwardControl);
    auto* open = new wxButton(this, wxID_ANY, player_texts::kOpen, wxDefaultPosition, wxDefaultSize, 0,
                              wxDefaultValidator, kOpenControl);
    m_ctlPosition = new wxSlider(this, wxID_ANY, 0, 0, 1, wxDefaultPosition, wxDefaultSize, wxSL_HORIZONTAL,
                                 wxDefaultValidator, kPositionControl);
    m_ctlPosition->Disable();  // until the song's length is known
    m_ctlPositionText = new wxStaticText(
        this, wxID_ANY, player_texts::PositionText(kLongestTimeText, kLongestTimeText), wxDefaultPosition,
        wxDefaultSize, wxALIGN_RIGHT | wxST_NO_AUTORESIZE, kPositionTextControl);
    m_ctlPositionText->SetMinSize(m_ctlPositionText->GetBestSize());
    m_ctlMeter = new CLevelMeter(this, kLevelMeterControl);
    auto* start_msec = new wxStaticText(this, wxID_ANY, player_texts::kMsec);
    auto* elapsed_msec = new wxStaticText(this, wxID_ANY, player_texts::kMsec);
    const std::pair<wxWindow*, const char*> tips[] = {
        {m_ctlFileName, player_texts::kFileNameTip}, {m_ctlStartMs, player_texts::kStartMsTip},
        {start_msec, player_texts::kStartMsTip},     {m_ctlElapsedMs, player_texts::kElapsedMsTip},
        {elapsed_msec, player_texts::kElapsedMsTip}, {m_ctlRepeat, player_texts::kRepeatTip},
        {m_ctlRewind, player_texts::kRewindTip},     {m_ctlPlay, player_texts::kPlayTip},
        {m_ctlPause, player_texts::kPauseTip},       {m_ctlStop, player_texts::kStopTip},
        {m_ctlForward, player_texts::kForwardTip},   {open, player_texts::kOpenTip},
        {m_ctlPosition, player_texts::kPositionTip}, {m_ctlPositionText, player_texts::kPositionTextTip},
    };
    for (const auto& [control, tip] : tips) control->SetToolTip(tip);

    const int gap = wxDLG_UNIT(this, wxSize(3, 3)).x;
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    for (wxWindow* button : {m_ctlRewind, m_ctlPlay, m_ctlPause, m_ctlStop, m_ctlForward})
        buttons->Add(button, 0, wxRIGHT, gap);
    auto* start_row = new wxBoxSizer(wxHORIZONTAL);
    start_row->Add(m_ctlStartMs, 0, wxALIGN_CENTER_VERTICAL);
    start_row->Add(start_msec, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, gap);
    start_row->AddSpacer(gap * 2);
    start_row->AddStretchSpacer();
    start_row->Add(buttons, 0, wxALIGN_CENTER_VERTICAL);
    auto* elapsed_row = new wxBoxSizer(wxHORIZONTAL);
    elapsed_row->Add(m_ctlElapsedMs, 0, wxALIGN_CENTER_VERTICAL);
    elapsed_row->Add(elapsed_msec, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, gap);
    elapsed_row->AddSpacer(gap * 2);
    elapsed_row->Add(m_ctlRepeat, 0, wxALIGN_CENTER_VERTICAL);
    elapsed_row->AddStretchSpacer();
    elapsed_row->Add(open, 0, wxALIGN_CENTER_VERTICAL);
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(m_ctlFileName, 0, wxEXPAND | wxALL, 2 * gap);
    top->Add(start_row, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 2 * gap);
    top->Add(elapsed_row, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 2 * gap);
    // Below the controls of old: where the song is, and how loud.
    auto* position_row = new wxBoxSizer(wxHORIZONTAL);
    position_row->Add(m_ctlPosition, 1, wxALIGN_CENTER_VERTICAL);
    position_row->Add(m_ctlPositionText, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, gap);
    top->Add(position_row, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 2 * gap);
    top->Add(m_ctlMeter, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 2 * gap);
    SetSizerAndFit(top);
    ShowPosition(0);

    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnRewind(); }, m_ctlRewind->GetId());
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnPlay(); }, m_ctlPlay->GetId());
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnPause(); }, m_ctlPause->GetId());
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnStop(); }, m_ctlStop->GetId());
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnForward(); }, m_ctlForward->GetId());
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnOpen(); }, open->GetId());
    Bind(
        wxEVT_CHECKBOX, [this](wxCommandEvent&) { OnRepeat(); }, m_ctlRepeat->GetId());
    m_tmHeard.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { ShowHeard(); });
    // While the thumb is dragged only the time follows it; letting go (or a click or key) moves the song.
    m_ctlPosition->Bind(wxEVT_SCROLL_THUMBTRACK, [this](wxScrollEvent& event) {
        m_bDragging = true;
        m_ctlPositionText->SetLabel(player_texts::PositionText(event.GetPosition(), m_nLengthMs));
    });
    m_ctlPosition->Bind(wxEVT_SCROLL_CHANGED,
                        [this](wxScrollEvent& event) { SeekTo(static_cast<uint32_t>(event.GetPosition())); });
    Bind(wxEVT_CHAR_HOOK, &CPlayerDlg::OnCharHook, this);
    // No system menu can be extended here, so the About entry is offered on the dialog's context menu.
    if (m_fnShowAbout) {
        Bind(wxEVT_CONTEXT_MENU, [this](wxContextMenuEvent&) {
            wxMenu menu;
            menu.Append(kAboutCommand, player_texts::kAbout);
            if (GetPopupMenuSelectionFromUser(menu) == kAboutCommand) m_fnShowAbout(this);
        });
    }
}

// Render thread.
void CPlayerDlg::PlaybackRelay::OnHeard(const HeardBuffer& heard) {
    std::lock_guard lock(m_mutex);
    if (heard.play != m_heard.play) m_heard = {.play = heard.play};
    m_heard.bytes += heard.bytes;
    m_heard.seek = heard.seek;
    m_heard.position_ms = heard.position_ms;
    m_heard.peak_left = std::max(m_heard.peak_left, heard.peak_left);
    m_heard.peak_right = std::max(m_heard.peak_right, heard.peak_right);
}

CPlayerDlg::HeardSoFar CPlayerDlg::PlaybackRelay::Take() {
    std::lock_guard lock(m_mutex);
    const HeardSoFar heard = m_heard;
    m_heard.peak_left = m_heard.peak_right = 0;
    return heard;
}

// Render thread: the end and the length go to the UI thread, behind the reports posted before them.
void CPlayerDlg::PlaybackRelay::OnSongEnded(uint64_t play) {
    m_events.CallAfter([&dialog = m_dialog, play] { dialog.OnSongEnded(play); });
}

void CPlayerDlg::PlaybackRelay::OnSongLength(uint64_t data, uint32_t length_ms) {
    m_events.CallAfter([&dialog = m_dialog, data, length_ms] { dialog.OnSongLength(data, length_ms); });
}

// What was heard of an earlier play (or, for the position, before the last seek) comes too late to count.
void CPlayerDlg::ShowHeard() {
    const HeardSoFar heard = m_playback.Take();
    if (m_nPlayState == kStopped || heard.play != m_nPlay) return;
    m_nHeardBytes = heard.bytes;
    m_nElapsedMs = FramesToMs(m_nHeardBytes / kBytesPerFrame);
    ShowElapsedTime();
    if (heard.seek != m_nSeek) return;
    ShowPosition(heard.position_ms);
    m_ctlMeter->SetPeaks(heard.peak_left, heard.peak_right);
}

void CPlayerDlg::OnSongEnded(uint64_t play) {
    if (m_nPlayState != kStopped && play == m_nPlay) StopPlaying();
}

void CPlayerDlg::OnSongLength(uint64_t data, uint32_t length_ms) {
    if (data != m_nData) return;
    m_nLengthMs = length_ms;
    m_ctlPosition->SetRange(0,
                            static_cast<int>(std::min<uint32_t>(length_ms, std::numeric_limits<int>::max())));
    m_ctlPosition->Enable(length_ms != 0);
    ShowPosition(m_nPositionMs);
}

void CPlayerDlg::OnPlay() {
    if (m_nPlayState != kStopped || !m_pRender) {
        RefreshControls();
        return;
    }
    if (!ReadStartOffset()) return;
    switch (m_pRender->Play(m_nStartMs, ++m_nPlay)) {
        case RenderThread::StartResult::kNotPlayable:
            if (!m_strFileName.empty())
                ReportToTerminal(
                    player_texts::FileError(m_strFileName.utf8_string(), player_texts::kNotSmaf));
            break;
        case RenderThread::StartResult::kBeyondEnd:
            m_nStartMs = 0;
            ShowStartOffset();
            break;
        case RenderThread::StartResult::kPlaying:
            m_ctlRewind->Disable();
            m_ctlForward->Disable();
            m_nPlayState = kPlaying;
            m_nSeek = 0;
            ShowPosition(m_nStartMs);
            m_tmHeard.Start(kHeardRefreshMs);
            break;
    }
    RefreshControls();
}

void CPlayerDlg::OnStop() {
    if (m_pRender) m_pRender->Stop();
    StopPlaying();
}

// The state of stopping, shared by the stop button and the end of a song.
void CPlayerDlg::StopPlaying() {
    m_ctlForward->Enable();
    m_ctlRewind->Enable();
    if (m_nPlayState == kPaused) {  // a song can end while paused; play and stop must not stay disabled
        m_ctlPlay->Enable(m_pRender != nullptr);
        m_ctlStop->Enable();
    }
    m_tmHeard.Stop();
    m_nPlayState = kStopped;
    m_nElapsedMs = 0;
    m_nHeardBytes = 0;
    m_bDragging = false;
    m_ctlMeter->SetPeaks(0, 0);
    ShowPosition(m_nStartMs);
    RefreshControls();
}

void CPlayerDlg::SeekTo(uint32_t ms) {
    m_bDragging = false;
    if (m_nPlayState == kStopped) {
        m_nStartMs = ms;
        ShowStartOffset();
    } else {
        m_pRender->Seek(ms, ++m_nSeek);
    }
    ShowPosition(ms);
}

void CPlayerDlg::OnPause() {
    if (m_nPlayState == kPlaying) {
        m_pRender->Pause();
        m_ctlPlay->Disable();
        m_ctlStop->Disable();
        m_nPlayState = kPaused;
    } else if (m_nPlayState == kPaused) {
        m_pRender->Resume();
        m_ctlPlay->Enable();
        m_ctlStop->Enable();
        m_nPlayState = kPlaying;
    }
}

void CPlayerDlg::OnRewind() {
    if (!ReadStartOffset()) return;
    m_nStartMs = m_nStartMs < kStepMs ? 0 : m_nStartMs - kStepMs;
    ShowStartOffset();
    ShowPosition(m_nStartMs);
}

void CPlayerDlg::OnForward() {
    if (!ReadStartOffset()) return;
    m_nStartMs = m_nStartMs > std::numeric_limits<uint32_t>::max() - kStepMs
                     ? std::numeric_limits<uint32_t>::max()
                     : m_nStartMs + kStepMs;
    ShowStartOffset();
    ShowPosition(m_nStartMs);
}

void CPlayerDlg::OnRepeat() {
    m_bRepeat = m_ctlRepeat->GetValue();
    if (m_pRender) m_pRender->SetRepeat(m_bRepeat);
    ReadStartOffset();
}

void CPlayerDlg::OnOpen() {
    const wxString patterns = wxString::FromUTF8(AudioFilePatterns());
    wxFileDialog dialog(this, wxFileSelectorPromptStr, wxString(), wxString(),
                        wxString::Format(player_texts::kOpenFilter, patterns, patterns),
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    dialog.SetFilterIndex(0);
    if (dialog.ShowModal() == wxID_OK) OpenFile(dialog.GetPath());
}

bool CPlayerDlg::OpenFile(const wxString& path) {
    const std::filesystem::path file(path.fn_str().data());
    if (ConvertibleKind(file)) {
        // Converted in memory as for a slot of its kind; what was given up, or why nothing came out, is told
        // where file errors are.
        Conversion conversion = ConvertFile(file, {});
        if (!conversion.error.empty()) {
            ReportToTerminal(conversion.error);
            return false;
        }
        if (GaveUpAnything(conversion.report)) ReportToTerminal(ReportSummary(conversion.report));
        OpenData(path, std::move(conversion.smaf));
        return true;
    }
    std::optional<std::vector<uint8_t>> song = LoadSmafFile(path);
    if (!song) return false;
    OpenData(path, std::move(*song));
    return true;
}

void CPlayerDlg::OpenData(const wxString& name, std::vector<uint8_t> song) {
    m_strFileName = name;
    RefreshControls();
    OnStop();
    m_nLengthMs.reset();
    m_ctlPosition->Disable();
    if (m_pRender) m_pRender->SetData(std::move(song), ++m_nData);
    OnPlay();
}

// The whole file, or nothing; a failure is told to the person at the terminal (the dialog says nothing). A
// file the engine cannot take is not read at all.
std::optional<std::vector<uint8_t>> CPlayerDlg::LoadSmafFile(const wxString& path) {
    constexpr uint64_t kLargest = std::numeric_limits<uint32_t>::max();
    const std::filesystem::path file(path.fn_str().data());
    std::error_code unknown_size;
    const uint64_t size = std::filesystem::file_size(file, unknown_size);
    std::string error, reason = player_texts::kTooLarge;
    std::optional<std::vector<uint8_t>> data;
    if (unknown_size || size <= kLargest) data = ReadFileBytes(file, error, &reason);
    if (data && data->size() > kLargest) data.reset();
    if (!data) ReportToTerminal(player_texts::FileError(path.utf8_string(), reason));
    return data;
}

bool CPlayerDlg::TransferDataToWindow() {
    RefreshControls();
    ShowStartOffset();
    return true;
}

// Everything but the start offset, which only changes by the user's hand or by the steps and a failed seek:
// a refresh must not overwrite an offset being typed.
void CPlayerDlg::RefreshControls() {
    if (m_ctlFileName->GetValue() != m_strFileName) m_ctlFileName->ChangeValue(m_strFileName);
    m_ctlRepeat->SetValue(m_bRepeat);
    ShowElapsedTime();
}

void CPlayerDlg::ShowStartOffset() {
    m_ctlStartMs->ChangeValue(wxString::Format("%u", m_nStartMs));
}

bool CPlayerDlg::TransferDataFromWindow() {
    m_bRepeat = m_ctlRepeat->GetValue();
    return ReadStartOffset();
}

void CPlayerDlg::ShowElapsedTime() {
    const wxString text = wxString::Format("%u", m_nElapsedMs);
    if (m_ctlElapsedMs->GetValue() != text) m_ctlElapsedMs->ChangeValue(text);
}

// A thumb being dragged stays where the hand holds it. The thumb is only moved when it moves by a pixel at
// least: redrawing it for less costs the window's thread for nothing.
void CPlayerDlg::ShowPosition(uint32_t ms) {
    m_nPositionMs = ms;
    if (m_bDragging) return;
    const int range = m_ctlPosition->GetMax();
    const int value = static_cast<int>(std::min<uint32_t>(ms, static_cast<uint32_t>(range)));
    const int64_t moved = std::abs(int64_t{value} - m_ctlPosition->GetValue());
    if (moved != 0 && (value == 0 || moved * std::max(1, m_ctlPosition->GetClientSize().x) >= range))
        m_ctlPosition->SetValue(value);
    const wxString text = player_texts::PositionText(ms, m_nLengthMs);
    if (m_ctlPositionText->GetLabel() != text) m_ctlPositionText->SetLabel(text);
}

bool CPlayerDlg::ReadStartOffset() {
    const std::optional<uint32_t> value = ParseUnsignedText(m_ctlStartMs->GetValue().utf8_string());
    if (!value) {
        ShowPrompt(player_texts::kPromptUnsigned);
        m_ctlStartMs->SetFocus();
        m_ctlStartMs->SelectAll();
        return false;
    }
    m_nStartMs = *value;
    return true;
}

void CPlayerDlg::ShowPrompt(const wxString& text) {
    wxMessageBox(text, player_texts::kPromptCaption, wxOK | wxICON_EXCLAMATION, this);
}

// Enter outside the buttons closes the dialog as OK does, after reading the controls back.
void CPlayerDlg::OnCharHook(wxKeyEvent& event) {
    const bool enter = event.GetKeyCode() == WXK_RETURN || event.GetKeyCode() == WXK_NUMPAD_ENTER;
    if (!enter || wxDynamicCast(FindFocus(), wxButton)) {
        event.Skip();
        return;
    }
    if (!TransferDataFromWindow()) return;
    if (IsModal())
        EndModal(wxID_OK);
    else
        Close();
}

uint64_t CPlayerDlg::GetUnderrunCount() const {
    return m_pRender ? m_pRender->UnderrunCount() : 0;
}

}  // namespace cantavo
