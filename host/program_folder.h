// The folder of the running program, from the operating system (one implementation per system).
#pragma once

#include <filesystem>

// The folder that holds the running program's executable; empty when the system does not say.
std::filesystem::path ProgramFolder();
