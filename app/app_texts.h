// Every text the window and its dialogs show, kept in one place so the wording is checked here. The handset
// session's own texts (log lines, notifications, backup dialogs) are in transfer/session_texts.h.
#pragma once

namespace cantavo::app_texts {

inline constexpr const char* kRestingTitle = "Cantavo V1.1";
inline constexpr const char* kNotifyTitle = "Notification !!";

// Side buttons (template texts) and their tooltips.
inline constexpr const char* kConnect = "Connect";
inline constexpr const char* kReload = "Reload";
inline constexpr const char* kSave = "Save";
inline constexpr const char* kLoad = "Load";
inline constexpr const char* kReflex = "Reflex";
inline constexpr const char* kDownload = "Download";
inline constexpr const char* kStop = "Stop";
inline constexpr const char* kSetting = "Setting";
inline constexpr const char* kExit = "Exit";
inline constexpr const char* kInfo = "Info";
inline constexpr const char* kInformation = "Information";

// File browser.
inline constexpr const char* kSourceGroup = "Source";
inline constexpr const char* kSlotsGroup = "User Area";
inline constexpr const char* kFilenameLabel = "Filename";
inline constexpr const char* kDrivesLabel = "Drives";
inline constexpr const char* kBrowse = "Browse";
inline constexpr const char* kColumnFilename = "Filename";
inline constexpr const char* kColumnSize = "Size(Byte)";
inline constexpr const char* kColumnDate = "Date";
inline constexpr const char* kDateFormat = "%Y-%m-%d %H:%M";
inline constexpr const char* kDriveNotReady = "Drive %s: is not ready.";
inline constexpr const char* kErrorCaption = "Error";
inline constexpr const char* kSmafFilter = "Smaf File(*.mmf)|*.mmf";
// Browse: melodies and the files converted into melodies; %s are the patterns ("*.wav;*.flac;...").
inline constexpr const char* kInsertFilter =
    "Melody, MIDI and audio files|*.mmf;*.mid;*.midi;%s|Smaf File(*.mmf)|*.mmf|MIDI "
    "File(*.mid;*.midi)|*.mid;*.midi|"
    "Audio File|%s";
inline constexpr const char* kHomeDrive = "Home";
inline constexpr const char* kRootDrive = "File system";
inline constexpr const char* kDemoDrive = "Demo melodies";

// Setting dialog.
inline constexpr const char* kSettingTitle = "Setting";
inline constexpr const char* kPortLabel = "Port";
inline constexpr const char* kBaudLabel = "Baud Rate";
inline constexpr const char* kVirtualHandset = "Virtual handset";
inline constexpr const char* kLoaderFileLabel = "Loader file";
inline constexpr const char* kBrowseLoader = "Browse...";
inline constexpr const char* kBuiltInLoader = "Built-in (virtual handset only)";
inline constexpr const char* kLoaderFilter = "Loader file(*.ldr)|*.ldr|All files|*";
inline constexpr const char* kOk = "OK";
inline constexpr const char* kCancel = "Cancel";

// A slot's context menu.
inline constexpr const char* kPlaySlot = "Play";
inline constexpr const char* kSaveMelody = "Save melody as...";
inline constexpr const char* kClearSlot = "Clear slot";

// Information dialog.
inline constexpr const char* kInfoTitle = "Information";
inline constexpr const char* kInfoSystems = "OS : Linux (GTK 3), Debian 12 / Ubuntu 22.04 or later";
inline constexpr const char* kInfoNotOfficial = "This Program isn't official version.";
inline constexpr const char* kInfoMail = "Mail : cantavo-users@example.org";
inline constexpr const char* kInfoPhone = "Tel : no hotline, please write";
inline constexpr const char* kInfoClosing = "Thank you for keeping your melodies with Cantavo.";
inline constexpr const char* kClose = "Close";

// Messages of the program's own, beyond the handset's.
inline constexpr const char* kVirtualHandsetFailed = "Virtual handset could not be started: %s";
inline constexpr const char* kPortSelected = "Port: %s";
inline constexpr const char* kLoaderSelected = "Loader: %s";

}  // namespace cantavo::app_texts
