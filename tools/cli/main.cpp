// cantavo-cli: the handset's melody memory from the command line.
#include <CLI/CLI.hpp>

#include "cantavo_version.h"
#include "tools/cli/commands.h"
#include "tools/cli/image_file.h"
#include "tools/cli/interrupt.h"

namespace cantavo {
namespace {

using namespace cli;

int Run(int argc, char** argv) {
    CLI::App app{
        "Reads and writes a handset's melody memory over a serial line, and works on its image and\n"
        "backup files (.smf). SLOT is 1-12: FM 1-8, then ADPCM 1-4.",
        "cantavo-cli"};
    app.set_version_flag("--version", VersionLine(app.get_name()), kVersionHelp);
    app.require_subcommand(1);
    HandsetOptions options;
    app.add_option("--port", options.port,
                   "Serial device of the handset (a path, or COMn; see the ports command)")
        ->type_name("DEVICE");
    app.add_option("--timeout", options.timeoutSeconds,
                   "Seconds to keep trying to detect the handset (default 10)")
        ->type_name("S");
    app.add_option("--loader", options.loader,
                   "The handset's loader (a loader table or a bare image); default: LoaderPath in the\n"
                   "profile, then loader.ldr in the user data folder. Without one, only the virtual handset\n"
                   "can be reached")
        ->type_name("FILE");
    app.add_flag("--stats", options.stats,
                 "Print the wall time, CPU time and bytes of the read and download");

    std::filesystem::path image, file;
    std::string slot;
    auto* read = app.add_subcommand("read", "Connect, read the user area and save it as a backup file");
    read->add_option("OUT", file, "Backup file to write")->required();
    auto* write = app.add_subcommand("write", "Connect, restore a backup file and write it into the handset");
    write->add_option("IN", file, "Backup file to send")->required();
    auto* list = app.add_subcommand("list", "Show the twelve slots of an image or backup file");
    list->add_option("IMAGE", image, "Image or backup file")->required();
    auto* insert = app.add_subcommand("insert", "Put a melody file into a slot of an image or backup file");
    insert->add_option("IMAGE", image, "Image or backup file")->required();
    insert->add_option("SLOT", slot, "Slot 1-12")->required();
    insert->add_option("FILE", file, "Melody file (.mmf)")->required();
    bool force = false;
    insert->add_flag("--force", force, "Insert a file that is not a SMAF melody too");
    auto* extract = app.add_subcommand("extract", "Write the melody of a slot to a file");
    extract->add_option("IMAGE", image, "Image or backup file")->required();
    extract->add_option("SLOT", slot, "Slot 1-12")->required();
    extract->add_option("OUT", file, "Melody file to write")->required();
    auto* ports = app.add_subcommand("ports", "List the serial ports present, by their stable names");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? kExitSuccess : kExitUsage;
    }

    if ((read->parsed() || write->parsed()) && options.port.empty()) {
        std::fprintf(stderr, "cantavo-cli: --port DEVICE is needed to talk to the handset\n");
        return kExitUsage;
    }
    HandleInterrupts();
    if (read->parsed()) return ReadHandset(options, file);
    if (write->parsed()) return WriteHandset(options, file);
    if (ports->parsed()) return ListPorts();
    if (list->parsed()) return ListImage(image);
    if (insert->parsed()) return InsertIntoImage(image, slot, file, force);
    return ExtractFromImage(image, slot, file);
}

}  // namespace
}  // namespace cantavo

int main(int argc, char** argv) {
    return cantavo::ProgramMain("cantavo-cli", cantavo::Run, argc, argv);
}
