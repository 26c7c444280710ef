#include "app/command_line.h"

#include <algorithm>

namespace cantavo {

const char* const kUsage =
    "Usage: cantavo [--virtual-handset] [--port DEVICE] [--loader FILE] [--player [FILE.mmf]]\n"
    "       cantavo FILE.mmf\n"
    "Manages the melody slots of a handset over a serial cable and plays SMAF melodies.\n"
    "\n"
    "  --virtual-handset  start a virtual handset (cantavo-handset, flash kept in the user's data folder)\n"
    "                     and use it as the port\n"
    "  --port DEVICE      talk to the handset through DEVICE (a path such as /dev/ttyUSB0, or COMn)\n"
    "  --loader FILE      download the handset's loader from FILE (a loader table or a bare image);\n"
    "                     default: the one chosen in Setting, then loader.ldr in the user's data folder\n"
    "  --player [FILE]    open only the player, playing FILE when given\n"
    "  FILE.mmf           the same as --player FILE.mmf (what a file manager's \"Open with\" runs)\n"
    "  --help             show this text\n"
    "  --version          show the version\n";

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    // Options with a value, given as "--name VALUE" or "--name=VALUE".
    const struct {
        std::string name;
        std::string* value;
        const char* what;
    } valued[] = {{"--port", &line.port, "a device"}, {"--loader", &line.loader, "a file"}};
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool has_value = i + 1 < arguments.size() && !arguments[i + 1].starts_with("--");
        const auto option = std::find_if(std::begin(valued), std::end(valued), [&](const auto& candidate) {
            return argument == candidate.name || argument.starts_with(candidate.name + "=");
        });
        if (option != std::end(valued)) {
            if (argument.size() > option->name.size()) {
                *option->value = argument.substr(option->name.size() + 1);
            } else if (has_value) {
                *option->value = arguments[++i];
            } else {
                line.error = option->name + " needs " + option->what;
                return line;
            }
        } else if (argument == "--help" || argument == "-h") {
            line.help = true;
        } else if (argument == "--version") {
            line.version = true;
        } else if (argument == "--virtual-handset") {
            line.virtual_handset = true;
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

}  // namespace cantavo
