// cantavo: the desktop tool. The command line is read before the display is opened, so --help and wrong
// arguments work anywhere.
#include <cstdio>

#include "app/manager_app.h"
#include "cantavo_version.h"
#include "engine/synth.h"
#include "host/voice_folder.h"

namespace cantavo {
namespace {

int Run(int argc, char** argv) {
    const CommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (line.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (line.version) {
        std::printf("%s\n", VersionLine("cantavo").c_str());
        return 0;
    }
    if (!line.error.empty()) {
        std::fprintf(stderr, "cantavo: %s\n%s", line.error.c_str(), kUsage);
        return 2;
    }
    // The player plays with the same voices as cantavo-render.
    VoiceFiles voices;
    ReadVoiceFiles(DefaultVoiceFolder(), voices.vma, voices.adp);
    SynthSetVoiceFiles(std::move(voices));
    CManagerApp::SetCommandLine(line);
    return wxEntry(argc, argv);
}

}  // namespace
}  // namespace cantavo

wxIMPLEMENT_APP_NO_MAIN(cantavo::CManagerApp);

int main(int argc, char** argv) {
    return cantavo::Run(argc, argv);
}
