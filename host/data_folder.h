// Where an installation keeps its data: beside its programs (<prefix>/bin gives <prefix>/share/cantavo), so
// an installed tree works wherever its prefix is, and the build tree is laid out the same way.
#pragma once

#include <filesystem>

namespace cantavo {

// The data folder of an installation whose programs are in `program_folder`; empty for an empty folder.
std::filesystem::path DataFolderBeside(const std::filesystem::path& program_folder);

// The data folder of the running program's installation (demo melodies, placeholder loader, voice files).
std::filesystem::path InstalledDataFolder();

// The demo melodies of the running program's installation.
std::filesystem::path DemoFolder();

}  // namespace cantavo
