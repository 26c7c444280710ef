// cantavo [--virtual-handset] [--port DEVICE] [--loader FILE] [--player [FILE.mmf]] [--help] [--version], or
// cantavo FILE.mmf
#pragma once

#include <string>
#include <vector>

namespace cantavo {

struct CommandLine {
    bool virtual_handset = false;
    std::string port;         // device path or "COMn"; empty: the default port
    std::string loader;       // the handset's loader file; empty: the profile's, then the data folder's
    bool player = false;      // open the player dialog alone
    std::string player_file;  // the file it opens, may be empty
    bool help = false;
    bool version = false;
    std::string error;  // non-empty when the arguments are wrong
};

// The arguments after the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

extern const char* const kUsage;

}  // namespace cantavo
