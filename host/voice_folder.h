#pragma once
// Where the voice files are: the folder looked for when the user names none, and the files in it.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace cantavo {

inline constexpr char kVmaFileName[] = "ma2voice.vma";  // FM voices
inline constexpr char kAdpFileName[] = "ma2voice.adp";  // drum waves

// The first of $CANTAVO_VOICE_DIR, the user data folder ($XDG_DATA_HOME/cantavo or ~/.local/share/cantavo)
// and the installed data folder that holds ma2voice.vma or ma2voice.adp; empty when none does.
std::filesystem::path DefaultVoiceFolder();

// The bytes of the two voice files in `folder`; a file that is missing or cannot be read (or an empty
// folder) gives no bytes.
void ReadVoiceFiles(const std::filesystem::path& folder, std::vector<uint8_t>& vma,
                    std::vector<uint8_t>& adp);

}  // namespace cantavo
