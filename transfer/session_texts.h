#pragma once
// Every text the handset session shows, byte for byte. Texts with a %-field are printf formats.

namespace cantavo::texts {

// Window title.
inline constexpr char kTitleResting[] = "Cantavo V1.1";
inline constexpr char kTitleConnecting[] = "Connecting...";
inline constexpr char kTitleLoading[] = "User Area Data Loading...";
inline constexpr char kTitleProcessing[] = "Processing : %3d%%";
inline constexpr char kTitleFlashError[] = "Tessvar(M) V2.0  (SHARP LRS1337_GPO2)";

// Serial port and connection.
inline constexpr char kFail[] = "Fail!!";
inline constexpr char kPortInitFailed[] = "Port Initialization Failed.";
inline constexpr char kSerialInitError[] = "Serial Port Initialization Error!!";
inline constexpr char kConfirmConnect[] = "Do you want to connect?";
inline constexpr char kConfirmCaption[] = "Confirm";
inline constexpr char kTargetDetected[] = "Target Detected !!!";
inline constexpr char kConnecting[] = "Connecting ....  ";
inline constexpr char kConnectedCompletely[] = "Connected Completely !!!";
inline constexpr char kLoaderDone[] = "Downloading Loader. Done (%5.1fs)";
inline constexpr char kFailSettingBaud[] = "Fail setting serial link to 115200 baud.";
inline constexpr char kSyncFailed[] = "Synchronization Failed";
inline constexpr char kProgramTerminated[] = "Program Terminated";
inline constexpr char kSeparator[] = "*****************************************";
inline constexpr char kPortClosed[] = "Com Port Closed!!!";

// Flash programming.
inline constexpr char kTransferring[] = "Transferring ...";
inline constexpr char kEraseComplete[] = "Erase Complete";
inline constexpr char kWriteSuccess[] = "Write Success!!";
inline constexpr char kFlashWritingErrorLog[] = "Flash Writting Error !!";
inline constexpr char kSendBlockError[] = "Send Block Error";
inline constexpr char kFlashWritingError[] = "Flash Writing Error!!";
inline constexpr char kProgrammingFinished[] = "Programming File finished (%5.1fs)";

// User area and slots.
inline constexpr char kDumpingFinished[] = "Dumping File finished (%5.1fs)";
inline constexpr char kUserDataLoadingError[] = "User Data Loading Error!!";
inline constexpr char kFileOpenError[] = "File Open Error !!";
inline constexpr char kFileSizeOver[] = "File Size Over (Until %dByte)";
inline constexpr char kFileInserted[] = " file inserted";
inline constexpr char kReloadDone[] = "File reload successed!!!";

// Backup and restore.
inline constexpr char kBackupSaving[] = "Backup File saving....!!!";
inline constexpr char kBackupSaveCancelled[] = "Cancel Backup File saving...";
inline constexpr char kBackupSaved[] = "Finished Backup File saving";
inline constexpr char kBackupRestoring[] = "Backup File restoring....!!!";
inline constexpr char kBackupRestoreCancelled[] = "Cancel Backup File restoring...";
inline constexpr char kBackupRestored[] = "Finished Backup File restoring";
inline constexpr char kBackupDefaultName[] = "smaf_bak";
inline constexpr char kBackupExtension[] = "smf";
inline constexpr char kBackupFilter[] = "Smaf Backup File(*.smf)|*.smf";

// Our own additions: the reasons behind failures the texts above leave unexplained.
inline constexpr char kOpenDeviceFailed[] = "Cannot open %s: %s";
inline constexpr char kPermissionHint[] =
    "Permission denied for %s: add your user to the group '%s' (sudo usermod -aG %s $USER), then log in "
    "again.";
inline constexpr char kPortBusy[] = "%s is in use by another program.";
inline constexpr char kImageFolderFallback[] =
    "Image files are kept in %s (the current folder is not writable).";
inline constexpr char kFileError[] = "%s: %s";
inline constexpr char kEraseNoAnswer[] = "No erase answer from the handset within 10 s; nothing was written.";
inline constexpr char kBackupTooShort[] =
    "%s is %llu bytes, shorter than the working image (%llu bytes); nothing restored.";
inline constexpr char kLoaderFileRejected[] = "Loader table %s: %s";
inline constexpr char kNotConnected[] = "Connect to the handset first.";

}  // namespace cantavo::texts
