// Control ids of the main window and its dialogs (the numbers of the original dialog templates).
#pragma once

#include <array>

#include "transfer/user_area.h"

namespace cantavo::ids {

inline constexpr int kBrowse = 1001;
inline constexpr int kFileList = 1002;
inline constexpr int kDrives = 1006;
inline constexpr int kReload = 1024;
inline constexpr int kProgress = 1032;
inline constexpr int kLog = 1033;
inline constexpr int kConnect = 1034;
inline constexpr int kDownload = 1035;
inline constexpr int kStop = 1036;
inline constexpr int kLoad = 1037;
inline constexpr int kSetting = 1038;
inline constexpr int kExit = 1039;
inline constexpr int kInfo = 1040;
inline constexpr int kFileName = 1041;
inline constexpr int kSave = 1042;
inline constexpr int kPlayer = 1043;
inline constexpr int kNotifyText = 1043;  // the text of the notification box
inline constexpr int kSettingPort = 1044;
inline constexpr int kSettingBaud = 1045;

// A slot's context menu.
inline constexpr int kSlotPlay = 1061;
inline constexpr int kSlotSaveMelody = 1062;
inline constexpr int kSlotClear = 1063;

// Slot k's radio: 1007-1014 for FM 1-8, then 1023, 1025, 1026, 1027 for ADPCM 1-4.
inline constexpr std::array<int, kMelodySlotCount> kSlotRadios = {1007, 1008, 1009, 1010, 1011, 1012,
                                                                  1013, 1014, 1023, 1025, 1026, 1027};
// Slot k's name box: 1015 + k for FM, 1028 + (k - 8) for ADPCM.
inline constexpr std::array<int, kMelodySlotCount> kSlotNames = {1015, 1016, 1017, 1018, 1019, 1020,
                                                                 1021, 1022, 1028, 1029, 1030, 1031};

// Controls a finished connection enables.
inline constexpr std::array<int, 21> kEnableSet = {1001, 1006, 1007, 1008, 1009, 1010, 1011,
                                                   1012, 1013, 1014, 1023, 1025, 1026, 1027,
                                                   1024, 1034, 1035, 1036, 1002, 1042, 1037};
// DisableCommands switches the enable set and the Setting button off.
}  // namespace cantavo::ids
