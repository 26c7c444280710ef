#include "app/command_line.h"

const char* const kUsage =
    "Usage: cantavo [--virtual-handset] [--port DEVICE] [--player [FILE.mmf]]\n"
    "       cantavo FILE.mmf\n"
    "Manages the melody slots of a handset over a serial cable and plays SMAF melodies.\n"
    "\n"
    "  --virtual-handset  start a virtual handset (cantavo-handset, flash kept in the user's data folder)\n"
    "                     and use it as the port\n"
    "  --port DEVICE      talk to the handset through DEVICE (a path such as /dev/ttyUSB0, or COMn)\n"
    "  --player [FILE]    open only the player, playing FILE when given\n"
    "  FILE.mmf           the same as --player FILE.mmf (what a file manager's \"Open with\" runs)\n"
    "  --help             show this text\n"
    "  --version          show the version\n";

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool has_value = i + 1 < arguments.size() && !arguments[i + 1].starts_with("--");
        if (argument == "--help" || argument == "-h") {
            line.help = true;
        } else if (argument == "--version") {
            line.version = true;
        } else if (argument == "--virtual-handset") {
            line.virtual_handset = true;
        } else if (argument == "--port") {
            if (!has_value) {
                line.error = "--port needs a device";
                return line;
            }
            line.port = arguments[++i];
        } else if (argument.starts_with("--port=")) {
            line.port = argument.substr(7);
        } else if (argument == "--player") {
            line.player = true;
            if (has_value) line.player_file = arguments[++i];
        } else if (!argument.starts_with("-") && line.player_file.empty()) {
            line.player = true;
            line.player_file = argument;
        } else {
            line.error = "unknown argument: " + argument;
            return line;
        }
    }
    if (line.virtual_handset && !line.port.empty())
        line.error = "--virtual-handset and --port exclude each other";
    return line;
}
