#pragma once
// Where the voice files are looked for when the user names no folder.

#include <filesystem>

// The first of $CANTAVO_VOICE_DIR, the user data folder ($XDG_DATA_HOME/cantavo or ~/.local/share/cantavo)
// and the installed data folder that holds ma2voice.vma or ma2voice.adp; empty when none does.
std::filesystem::path DefaultVoiceFolder();
