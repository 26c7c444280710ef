#pragma once
// Every text the handset session shows, byte for byte. Texts with a %-field are printf formats.

namespace cantavo::texts {

// Window title.
inline constexpr char kTitleResting[] = "Cantavo V1.1";
inline constexpr char kTitleConnecting[] = "Connecting...";
inline constexpr char kTitleLoading[] = "User Area Data Loading...";
inline constexpr char kTitleProcessing[] = "Processing : %3d%%";
inline constexpr char kTitleFlashError[] = "Tessvar(M) V2.0  (FLASH 16M_GPO2)";

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
inline constexpr char kFileError[] = "%s: %s";
inline constexpr char kEraseNoAnswer[] = "No erase answer from the handset within 10 s.";
inline constexpr char kDownloadIncomplete[] =
    "Download failed: the handset's melody memory is now incomplete. The melodies are still in the working "
    "image: run Download again before connecting anew.";
inline constexpr char kBackupTooShort[] =
    "%s is %llu bytes, shorter than the working image (%llu bytes); nothing restored.";
inline constexpr char kNotConnected[] = "Connect to the handset first.";

// The loader and the port it may go to.
inline constexpr char kNoLoader[] = "No handset loader is set: choose your handset's loader file in Setting.";
inline constexpr char kLoaderFileRejected[] = "Loader file refused: %s";
inline constexpr char kLoaderTableBadImage[] =
    "%s: a loader table whose image 0 has %u bytes (%u to %u expected)";
inline constexpr char kLoaderFileBadSize[] =
    "%s: %zu bytes, neither a loader table (%u bytes) nor a loader image (%u to %u bytes)";
inline constexpr char kWaitingForHandset[] = "Waiting for the handset on %s ...";
inline constexpr char kNoAnswerHint[] =
    "No answer on %s for %d s: is the handset switched on, in transfer mode, and connected to this port?";

// The image files of one running program.
inline constexpr char kImageFolderBusy[] =
    "Another Cantavo is using the image files in %s: close it before connecting.";

// Slots.
inline constexpr char kNotSmafQuestion[] = "%s is not a SMAF melody. Insert it anyway?";
inline constexpr char kTitleCut[] = "The title is longer than 32 bytes; the slot keeps \"%s\".";
inline constexpr char kSlotEmpty[] = "%s is empty.";
inline constexpr char kSlotCleared[] = "%s cleared";
inline constexpr char kMelodySaved[] = "%s saved as %s";

}  // namespace cantavo::texts
