// cantavo-render [--start MS] [--loops N] [--raw] [--voices DIR] IN.mmf OUT
// cantavo-render [options] -d OUTDIR IN.mmf...
#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cantavo_version.h"
#include "host/data_folder.h"
#include "host/program_main.h"
#include "host/terminal.h"
#include "host/voice_folder.h"
#include "player/audio_output.h"
#include "tools/render/render_job.h"
#include "tools/render/render_texts.h"

namespace cantavo {
namespace {

template <typename... Args>
void Report(const char* format, Args... args) {
    std::fprintf(stderr, "%s: ", render_text::kProgram);
    std::fprintf(stderr, format, args...);
    std::fputc('\n', stderr);
}

bool IsFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

// ".wav, .flac, .ogg"
std::string ExtensionList(const std::vector<std::string>& extensions) {
    std::string list;
    for (const std::string& extension : extensions) list += (list.empty() ? "" : ", ") + extension;
    return list;
}

// The --voices help, naming the installed data folder.
std::string VoicesHelp() {
    const std::string folder = InstalledDataFolder().string();
    std::string text(std::snprintf(nullptr, 0, render_text::kVoicesHelp, folder.c_str()), '\0');
    std::snprintf(text.data(), text.size() + 1, render_text::kVoicesHelp, folder.c_str());
    return text;
}

std::filesystem::path BatchOutput(const std::filesystem::path& folder, const std::filesystem::path& input,
                                  bool raw) {
    return folder / input.filename().replace_extension(raw ? ".raw" : ".wav");
}

int Run(int argc, char** argv) {
    CLI::App app(render_text::kDescription, render_text::kProgram);
    app.set_version_flag("--version", VersionLine(render_text::kProgram), kVersionHelp);
    RenderOptions options;
    std::string voices;
    std::string out_dir;
    std::vector<std::string> files;
    app.add_option("--start", options.start_ms, render_text::kStartHelp)->option_text("MS");
    app.add_option("--loops", options.loops, render_text::kLoopsHelp)->option_text("N");
    app.add_flag("--raw", options.raw, render_text::kRawHelp);
    app.add_option("--voices", voices, VoicesHelp())->option_text("DIR");
    app.add_option("-d", out_dir, render_text::kOutDirHelp)->option_text("OUTDIR");
    app.add_option("files", files, render_text::kFilesHelp)->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : kExitUsage;
    }

    const bool batch = !out_dir.empty();
    if (!batch && files.size() != 2) {
        Report("%s", render_text::kNeedInAndOut);
        return kExitUsage;
    }
    if (options.loops < 1) {
        Report("%s", render_text::kBadLoops);
        return kExitUsage;
    }
    if (!voices.empty() && !IsFolder(voices)) {
        Report(render_text::kVoicesNotFolder, voices.c_str());
        return kExitUsage;
    }
    if (batch && !IsFolder(out_dir)) {
        Report(render_text::kOutDirNotFolder, out_dir.c_str());
        return kExitUsage;
    }
    if (!batch && !options.raw && !CanWriteAudioFile(files[1])) {
        const std::string extension = std::filesystem::path(files[1]).extension().string();
        char kind[256];
        std::snprintf(kind, sizeof kind,
                      extension.empty() ? render_text::kNoExtensionFiles : render_text::kExtensionFiles,
                      extension.c_str());
        Report(render_text::kCannotWriteKind, files[1].c_str(), kind,
               ExtensionList(WritableExtensions()).c_str());
        return kExitUsage;
    }
    ReadVoiceFiles(voices.empty() ? DefaultVoiceFolder() : std::filesystem::path(voices), options.voices.vma,
                   options.voices.adp);

    if (!batch) {
        const std::string error = RenderFile(files[0], files[1], options);
        if (error.empty()) return 0;
        Report("%s", error.c_str());
        return kExitFailure;
    }
    const bool show_progress = StderrIsTerminal();
    size_t failed = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        if (show_progress) Report(render_text::kProgress, i + 1, files.size(), files[i].c_str());
        const std::string error = RenderFile(files[i], BatchOutput(out_dir, files[i], options.raw), options);
        if (error.empty()) continue;
        Report("%s", error.c_str());
        ++failed;
    }
    if (failed == 0) return 0;
    Report(render_text::kFailedCount, failed, files.size());
    return kExitFailure;
}

}  // namespace
}  // namespace cantavo

int main(int argc, char** argv) {
    return cantavo::ProgramMain(cantavo::render_text::kProgram, cantavo::Run, argc, argv);
}
