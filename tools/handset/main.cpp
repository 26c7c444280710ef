// cantavo-handset: a virtual handset on a pseudo-terminal, for the desktop tool and the tests.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "cantavo_version.h"
#include "host/interrupt.h"
#include "tools/handset/virtual_handset.h"
#include "transfer/loader_table.h"

namespace cantavo::handset {
namespace {

int Run(int argc, char** argv) {
    HandsetOptions options;
    auto& faults = options.settings.faults;
    CLI::App app{
        "A virtual handset on a pseudo-terminal. Prints the device it serves, then answers the PC as a\n"
        "handset with its loader would, until it is killed. Its flash is kept in FILE.",
        "cantavo-handset"};
    app.set_version_flag("--version", VersionLine(app.get_name()), kVersionHelp);
    app.add_option("--flash", options.flash, "Flash file (131072 bytes; created erased when missing)")
        ->required()
        ->type_name("FILE");
    app.add_option("--link", options.link, "Make PATH a symbolic link to the device")->type_name("PATH");
    std::filesystem::path loader;
    app.add_option("--loader", loader,
                   "Run the loader of this file (a loader table or a bare image) instead of the built-in\n"
                   "placeholder: the PC must send exactly that one")
        ->type_name("FILE");
    auto* realtime =
        app.add_flag("--realtime", options.realtime, "Pace bytes at the line speed (10 bits per byte)");
    app.add_flag("--byte-paced", options.bytePaced,
                 "With --realtime, write each byte on its own when the line would deliver it")
        ->needs(realtime);
    app.add_option("--erase-ms", options.settings.eraseMs, "Time the erase takes (default 300)")
        ->type_name("MS");
    app.add_flag("--sync-ask-first", options.settings.syncAskFirst,
                 "Answer the synchronisation request with a request of its own");
    app.add_flag("-v,--verbose", options.verbose, "Log what the handset sees on stderr");
    auto* group = app.add_option_group("Faults", "Each happens once per run");
    group->add_option("--drop-after", faults.dropAfter, "Lose the byte received after N bytes")
        ->type_name("N");
    group->add_option("--nak-every", faults.nakEvery, "Answer every Nth loader frame NAK, then ACK")
        ->type_name("N");
    group
        ->add_option("--stall-after", faults.stallAfter,
                     "Go silent after N received bytes, until the next detection")
        ->type_name("N");
    group->add_option("--bad-checksum", faults.badChecksum, "Answer block N as if its checksum were wrong")
        ->type_name("N");
    group->add_flag("--no-erase-answer", faults.noEraseAnswer, "Never answer the first erase");
    group->add_option("--over-credit", faults.overCredit, "Grant N bytes too many with every credit byte")
        ->type_name("N");
    group
        ->add_option("--hang-up-after", faults.hangUpAfter,
                     "Hang up after N received bytes (then serve a new device, printed on stdout)")
        ->type_name("N");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;  // 2: wrong arguments
    }

    std::string error;
    if (!loader.empty()) {
        const auto table = ReadLoaderFile(loader, error);
        if (!table) {
            std::fprintf(stderr, "cantavo-handset: %s\n", error.c_str());
            return 1;
        }
        options.settings.loader.assign(table->Image().begin(), table->Image().end());
    }
    CVirtualHandset handset(options);
    if (!handset.Open(error)) {
        std::fprintf(stderr, "cantavo-handset: %s\n", error.c_str());
        return 1;
    }
    handset.SetNewDeviceHandler([](const std::string& device) {
        std::printf("%s\n", device.c_str());
        std::fflush(stdout);
    });
    // Killed, it stops serving and ends normally: the link goes, the flash file is whole.
    WatchInterrupts([&handset](int) { handset.Stop(); });
    std::printf("%s\n", handset.DevicePath().c_str());
    std::fflush(stdout);
    handset.Run();
    return 0;
}

}  // namespace
}  // namespace cantavo::handset

int main(int argc, char** argv) {
    return cantavo::handset::Run(argc, argv);
}
