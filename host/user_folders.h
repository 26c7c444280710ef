// Where the program keeps its profile and its data for this user (XDG base directories).
#pragma once

#include <string>

namespace cantavo {

// $XDG_CONFIG_HOME/cantavo, or ~/.config/cantavo.
std::string UserConfigFolder();

// $XDG_DATA_HOME/cantavo, or ~/.local/share/cantavo.
std::string UserDataFolder();

// $XDG_CACHE_HOME/cantavo, or ~/.cache/cantavo.
std::string UserCacheFolder();

// The user's home folder ($HOME), empty when unknown.
std::string HomeFolder();

// The folder the program was started in (its working folder), empty when unknown.
std::string CurrentFolder();

// Creates `folder` and its parents; false when it does not exist afterwards.
bool MakeFolders(const std::string& folder);

}  // namespace cantavo
