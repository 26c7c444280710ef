// The folder of the running program, from the operating system (one implementation per system).
#pragma once

#include <filesystem>
#include <string>

namespace cantavo {

// The folder that holds the running program's executable; empty when the system does not say.
std::filesystem::path ProgramFolder();

// The program `name` beside the running executable; `name` alone (looked up in PATH) when the folder is
// unknown.
std::string SiblingProgram(const std::string& name);

}  // namespace cantavo
