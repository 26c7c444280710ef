#include "player/player_dlg.h"

#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/filedlg.h>
#include <wx/iconbndl.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <limits>

#include "engine/synth.h"
#include "player/player_texts.h"
#include "player/unsigned_text.h"
#include "player_art.h"

namespace {

constexpr uint32_t kStepMs = 1000;  // rewind / forward step of the start offset
constexpr uint32_t kBytesPerFrame = 4;
constexpr uint32_t kFramesPerSecond = 22050;
constexpr int kAboutCommand = 0x10;

// The elapsed time of a byte count; 64-bit so that no 32-bit byte count wraps.
uint32_t BytesToMs(uint64_t bytes) {
    return static_cast<uint32_t>(bytes / kBytesPerFrame * 1000 / kFramesPerSecond);
}

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
      m_pWaveData(kBufferCount * kBufferBytes),
      m_fnShowAbout(std::move(show_about)) {
    CreateControls();
    for (int i = 0; i < kBufferCount; ++i) {
        m_pWaveHdr[i].data = m_pWaveData.data() + i * kBufferBytes;
        m_pWaveHdr[i].buffer_length = kBufferBytes;
    }
    if (!OpenWaveDevice()) m_ctlPlay->Disable();
    SynthSetRepeat(m_bRepeat);
    TransferDataToWindow();
    if (!initial_file.empty()) OpenFile(initial_file);
}

// The device goes first, so no notice arrives while the rest is taken down. The engine is emptied too: it is
// one for the whole process, and a song left in it would sound in the next player.
CPlayerDlg::~CPlayerDlg() {
    if (m_hWaveOut) {
        m_hWaveOut->Reset();
        for (WaveHeader& header : m_pWaveHdr) m_hWaveOut->Unprepare(header);
        m_hWaveOut.reset();
    }
    SynthSetData(nullptr, 0);
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

    const int gap = wxDLG_UNIT(this, wxSize(3, 3)).x;
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    for (wxWindow* button : {m_ctlRewind, m_ctlPlay, m_ctlPause, m_ctlStop, m_ctlForward})
        buttons->Add(button, 0, wxRIGHT, gap);
    auto* start_row = new wxBoxSizer(wxHORIZONTAL);
    start_row->Add(m_ctlStartMs, 0, wxALIGN_CENTER_VERTICAL);
    start_row->Add(new wxStaticText(this, wxID_ANY, player_texts::kMsec), 0, wxALIGN_CENTER_VERTICAL | wxLEFT,
                   gap);
    start_row->AddSpacer(gap * 2);
    start_row->AddStretchSpacer();
    start_row->Add(buttons, 0, wxALIGN_CENTER_VERTICAL);
    auto* elapsed_row = new wxBoxSizer(wxHORIZONTAL);
    elapsed_row->Add(m_ctlElapsedMs, 0, wxALIGN_CENTER_VERTICAL);
    elapsed_row->Add(new wxStaticText(this, wxID_ANY, player_texts::kMsec), 0,
                     wxALIGN_CENTER_VERTICAL | wxLEFT, gap);
    elapsed_row->AddSpacer(gap * 2);
    elapsed_row->Add(m_ctlRepeat, 0, wxALIGN_CENTER_VERTICAL);
    elapsed_row->AddStretchSpacer();
    elapsed_row->Add(open, 0, wxALIGN_CENTER_VERTICAL);
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(m_ctlFileName, 0, wxEXPAND | wxALL, 2 * gap);
    top->Add(start_row, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 2 * gap);
    top->Add(elapsed_row, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 2 * gap);
    SetSizerAndFit(top);

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

bool CPlayerDlg::OpenWaveDevice() {
    std::string error;
    m_hWaveOut = WaveOut::OpenFromEnvironment(kPlayerWaveFormat, m_waveDone, error);
    if (!m_hWaveOut) {
        ReportToTerminal(player_texts::NoSound(error));
        return false;
    }
    // Two silent buffers: the first completion finds nothing to play and pauses the device.
    for (WaveHeader& header : m_pWaveHdr) m_hWaveOut->Prepare(header);
    for (WaveHeader& header : m_pWaveHdr) m_hWaveOut->Write(header);
    return true;
}

// Device thread: the notice goes to the UI thread, behind the ones posted before it.
void CPlayerDlg::WaveDoneRelay::PostWaveDone(WaveHeader* header) {
    m_events.CallAfter([&dialog = m_dialog, header] { dialog.OnWaveDone(header); });
}

void CPlayerDlg::OnWaveDone(WaveHeader* header) {
    // A notice of a buffer that a reset returned and the dialog has queued again since.
    if (!m_hWaveOut || !(header->flags & kWaveHeaderDone)) return;
    m_hWaveOut->Unprepare(*header);
    uint8_t* const begin = header->data;
    uint8_t* const end = begin + header->buffer_length;
    if (m_nPlayState == kStopped || header == m_pDrainHeader) {
        // Stopped, or the last sound of the song has now been heard: the device rests with silence queued.
        std::fill(begin, end, 0);
        if (m_nPlayState != kStopped) StopPlaying();
        m_hWaveOut->Pause();
        m_pDrainHeader = nullptr;
    } else if (const uint32_t rendered = SynthRender(begin, header->buffer_length); rendered == 0) {
        // End of song: this buffer goes back silent; the song ends once the other one, which holds its last
        // sound, has been heard.
        std::fill(begin, end, 0);
        m_pDrainHeader = header == &m_pWaveHdr[0] ? &m_pWaveHdr[1] : &m_pWaveHdr[0];
    } else {
        std::fill(begin + rendered, end, 0);
        m_nRenderedBytes += rendered;
        m_nElapsedMs = BytesToMs(m_nRenderedBytes);
    }
    m_hWaveOut->Prepare(*header);
    m_hWaveOut->Write(*header);
    ShowElapsedTime();
}

void CPlayerDlg::OnPlay() {
    if (m_nPlayState != kStopped || !m_hWaveOut) {
        RefreshControls();
        return;
    }
    if (!ReadStartOffset()) return;
    SynthSetData(nullptr, 0);
    SynthSetData(m_pFileData.data(), static_cast<uint32_t>(m_pFileData.size()));
    if (SynthPlay() != 1) {
        if (!m_strFileName.empty())
            ReportToTerminal(player_texts::FileError(m_strFileName.utf8_string(), player_texts::kNotSmaf));
        SynthSetData(nullptr, 0);
    } else if (m_nStartMs != 0 && SynthSeek(m_nStartMs) != 0) {
        m_nStartMs = 0;
        ShowStartOffset();
        SynthSetData(nullptr, 0);
    } else {
        m_ctlRewind->Disable();
        m_ctlForward->Disable();
        m_nPlayState = kPlaying;
        // Whatever is still queued belongs to an earlier song: start from silence.
        DiscardQueuedSound();
        m_hWaveOut->Restart();
    }
    RefreshControls();
}

void CPlayerDlg::OnStop() {
    StopPlaying();
    DiscardQueuedSound();
}

// The state of stopping, shared by the stop button and the end of a song.
void CPlayerDlg::StopPlaying() {
    SynthSetData(nullptr, 0);
    m_ctlForward->Enable();
    m_ctlRewind->Enable();
    if (m_nPlayState == kPaused) {  // a song can end while paused; play and stop must not stay disabled
        m_ctlPlay->Enable(m_hWaveOut != nullptr);
        m_ctlStop->Enable();
    }
    m_nPlayState = kStopped;
    m_nElapsedMs = 0;
    m_nRenderedBytes = 0;
    RefreshControls();
}

// Silences the device at once and queues both buffers again, silent and paused.
void CPlayerDlg::DiscardQueuedSound() {
    if (!m_hWaveOut) return;
    m_hWaveOut->Pause();
    m_hWaveOut->Reset();
    m_pDrainHeader = nullptr;
    std::fill(m_pWaveData.begin(), m_pWaveData.end(), 0);
    for (WaveHeader& header : m_pWaveHdr) {
        m_hWaveOut->Unprepare(header);
        m_hWaveOut->Prepare(header);
        m_hWaveOut->Write(header);
    }
}

void CPlayerDlg::OnPause() {
    if (m_nPlayState == kPlaying) {
        m_hWaveOut->Pause();
        m_ctlPlay->Disable();
        m_ctlStop->Disable();
        m_nPlayState = kPaused;
    } else if (m_nPlayState == kPaused) {
        m_hWaveOut->Restart();
        m_ctlPlay->Enable();
        m_ctlStop->Enable();
        m_nPlayState = kPlaying;
    }
}

void CPlayerDlg::OnRewind() {
    if (!ReadStartOffset()) return;
    m_nStartMs = m_nStartMs < kStepMs ? 0 : m_nStartMs - kStepMs;
    ShowStartOffset();
}

void CPlayerDlg::OnForward() {
    if (!ReadStartOffset()) return;
    m_nStartMs = m_nStartMs > std::numeric_limits<uint32_t>::max() - kStepMs
                     ? std::numeric_limits<uint32_t>::max()
                     : m_nStartMs + kStepMs;
    ShowStartOffset();
}

void CPlayerDlg::OnRepeat() {
    m_bRepeat = m_ctlRepeat->GetValue();
    SynthSetRepeat(m_bRepeat ? 1 : 0);
    ReadStartOffset();
}

void CPlayerDlg::OnOpen() {
    wxFileDialog dialog(this, wxFileSelectorPromptStr, wxString(), wxString(), player_texts::kSmafFilter,
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    dialog.SetFilterIndex(0);
    if (dialog.ShowModal() == wxID_OK) OpenFile(dialog.GetPath());
}

bool CPlayerDlg::OpenFile(const wxString& path) {
    if (!LoadSmafFile(path)) return false;
    m_strFileName = path;
    RefreshControls();
    OnStop();
    OnPlay();
    return true;
}

// The whole file, or nothing changes; a failure is told to the person at the terminal (the dialog says
// nothing).
bool CPlayerDlg::LoadSmafFile(const wxString& path) {
    const std::string name = path.utf8_string();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.fn_str(), "rb"), std::fclose);
    std::vector<uint8_t> data;
    uint8_t block[64 * 1024];
    size_t got = 0;
    while (file && (got = std::fread(block, 1, sizeof block, file.get())) > 0) {
        if (data.size() + got > std::numeric_limits<uint32_t>::max()) {
            ReportToTerminal(player_texts::FileError(name, player_texts::kTooLarge));
            return false;
        }
        data.insert(data.end(), block, block + got);
    }
    if (!file || std::ferror(file.get())) {
        ReportToTerminal(player_texts::FileError(name, std::strerror(errno)));
        return false;
    }
    m_pFileData = std::move(data);
    return true;
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
    return m_hWaveOut ? m_hWaveOut->UnderrunCount() : 0;
}
