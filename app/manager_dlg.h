// CManagerDlg: the main window. It lays out the controls, forwards clicks and timer ticks to the handset
// session and shows what the session reports (through CManagerView); the file browser lives here too.
#pragma once

#include <wx/dialog.h>
#include <wx/timer.h>

#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/drive_roots.h"
#include "app/manager_view.h"
#include "app/profile.h"
#include "app/prompts.h"
#include "app/setting_dlg.h"
#include "app/virtual_handset_process.h"
#include "transfer/handset_session.h"

class wxGauge;
class wxListBox;
class wxRadioButton;
class wxStaticText;
class wxTextCtrl;

namespace cantavo {

class CDriveComboBox;
class CFileListCtrl;
class CSplashDlg;

struct CManagerOptions {
    wxString profile_path;               // empty: the user's profile
    std::filesystem::path image_folder;  // of "sm.tmp" and "smwork.tmp"; empty: the user's cache folder
    std::string port_device;             // a device to use instead of COM1
    std::filesystem::path loader_file;   // --loader; empty: the profile's, then the user data folder's
    bool virtual_handset = false;        // start cantavo-handset and use its device
    std::string handset_program;         // empty: cantavo-handset beside this program
    CPrompts* prompts = nullptr;         // nullptr: the real boxes and file dialogs
    std::vector<DriveRoot> drives;       // empty: home, root and the mounted volumes
    bool splash = true;
};

// The Browse dialog's filter: SMAF melodies, MIDI files and the audio files libsndfile reads.
wxString InsertFilter();

class CManagerDlg : public wxDialog {
    friend class CManagerView;  // shows what the session reports, through the private calls below

public:
    static constexpr int kMaxLogLines = 100;
    static constexpr int kDetectionTimerMs = 1000;

    explicit CManagerDlg(CManagerOptions options = {});
    ~CManagerDlg() override;  // saves the source folder, stops the worker and the virtual handset

    // Splash, skin, browser, slot selection, image files, reset state; call once before showing.
    bool OnInitDialog();

    // Commands.
    void OnConnect();
    void OnStop();
    void OnExit();
    void OnDownload();
    void OnReload();
    void OnSaveBackup();
    void OnLoadBackup();
    void OnSetting();
    void ApplySetting(const CSettingDlg& setting);  // what OK in the Setting dialog does
    void OnInfo();
    void OnPlayer();
    void OnSelectSlot(int index);
    // A slot's context menu (right-click or the menu key on its name box or radio): Play, Save melody as...,
    // Clear slot; usable while connected, the first two for a slot that holds a melody.
    void OnSlotContextMenu(int index);
    void OnPlaySlot(int index);
    void OnSaveSlotMelody(int index);
    void OnClearSlot(int index);

    // File browser.
    int FillFileList(const wxString& folder);  // rows listed, -1 when the folder cannot be read
    void OnDblclkFileList(long row);
    void OnColumnClick(int column);
    void OnSelchangeDrives();
    bool IsDriveReady(int index);
    void OnBrowse();

    // For tests and the screenshot tool.
    CHandsetSession& Session() { return *m_session; }
    ISessionView& View() { return m_view; }  // the session's view of this window
    CSplashDlg* Splash() const { return m_pSplash; }
    wxListBox* LogList() const { return m_listLog; }
    CFileListCtrl* FileList() const { return m_ctlFileList; }
    CDriveComboBox* Drives() const { return m_ctlDrives; }
    wxStaticText* FileNameLabel() const { return m_ctlFileName; }
    wxTextCtrl* SlotNameBox(int index) const { return m_editSlot[index]; }
    wxRadioButton* SlotRadio(int index) const { return m_radioSlot[index]; }
    wxGauge* ProgressBar() const { return m_ctlProgress; }
    const std::string& VirtualHandsetDevice() const { return m_handset.DevicePath(); }
    SettingValues SettingsInUse() const;  // what the Setting dialog opens showing
    int m_nSlotIndex = -1;
    int m_nSlotMask = 0;
    wxString m_strCurDir;
    int m_nCurDrive = 0;

private:
    // What the session shows (UI thread): CManagerView calls these; the window logs its own lines too.
    void LogMessage(const wxString& text);  // newest first, at most 100 lines
    void ShowNotification(const wxString& text);
    void SetTitleText(const wxString& text);
    void SetProgress(int percent);
    void EnableCommands();
    void DisableCommands();
    void EnableConnect(bool enabled);
    void EnableStop(bool enabled);
    void ShowSlotNames(const SlotNames& names);  // an erased slot: an empty, greyed box
    void ClearSelectedFile();
    void SetDetectionTimer(bool running);

    void CreateControls();
    wxSizer* CreateSideButtons();
    wxSizer* CreateSourceGroup();
    wxSizer* CreateSlotGroup();
    void BindEvents();
    void SetupSkin();
    void OpenLastFolder();
    void ChooseFile(const std::string& path);  // file system bytes, UTF-8 or not
    // Inserts the chosen file into the selected slot; a MIDI or audio file is converted for the slot first.
    void InsertChosenFile(const std::string& path);
    void SelectPortDevice(const std::string& device);
    void StartVirtualHandset();
    bool UseLoaderFile(const std::filesystem::path& file);  // false: refused (logged), the loader unchanged
    void EnableControl(int id, bool enabled);
    void MoveSlotToControls();
    void RepaintDuringCommand();

    CManagerOptions m_options;
    CProfile m_profile;
    CWxPrompts m_wxPrompts;
    CPrompts& m_prompts;
    CVirtualHandsetProcess m_handset;
    CManagerView m_view;
    std::unique_ptr<CHandsetSession> m_session;  // after the view: it goes first, joining its worker

    CSplashDlg* m_pSplash = nullptr;
    wxListBox* m_listLog = nullptr;
    std::array<wxTextCtrl*, kMelodySlotCount> m_editSlot{};
    std::array<wxRadioButton*, kMelodySlotCount> m_radioSlot{};
    wxStaticText* m_ctlFileName = nullptr;
    CFileListCtrl* m_ctlFileList = nullptr;
    CDriveComboBox* m_ctlDrives = nullptr;
    wxGauge* m_ctlProgress = nullptr;
    wxTimer m_timer;
    SlotNames m_slotNames;               // as last shown
    std::filesystem::path m_loaderFile;  // the loader file in use; empty: the built-in placeholder
    bool m_bInitialised = false;
    bool m_bLongCommand = false;  // a command that takes seconds runs on this thread
};

}  // namespace cantavo
