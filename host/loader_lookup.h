#pragma once
// Where the handset's loader is looked for, by the window and by cantavo-cli alike.

#include <filesystem>

namespace cantavo {

// The profile entry the Setting dialog writes: group "Cantavo", key "LoaderPath".
inline constexpr char kLoaderProfileGroup[] = "Cantavo";
inline constexpr char kLoaderProfileKey[] = "LoaderPath";
inline constexpr char kLoaderFileName[] = "loader.ldr";

// `given` (--loader) when not empty, else the profile's loader path, else loader.ldr in the user data folder
// when it exists; empty when there is none, which means the built-in placeholder.
std::filesystem::path FindLoaderFile(const std::filesystem::path& given,
                                     const std::filesystem::path& profile);

}  // namespace cantavo
