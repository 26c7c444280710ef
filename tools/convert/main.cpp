// cantavo-convert [--slot fm|adpcm] [--max-bytes N] [--voices 2op|4op|auto] [--timebase MS] [--report] IN
// OUT.mmf
#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "cantavo_version.h"
#include "convert/convert.h"
#include "host/file_io.h"
#include "host/program_main.h"
#include "tools/convert/convert_tool_texts.h"

namespace cantavo {
namespace {

constexpr const char* kSlots[] = {"fm", "adpcm"};
constexpr const char* kVoices[] = {"2op", "4op", "auto"};

template <typename... Args>
void Report(const char* format, Args... args) {
    std::fprintf(stderr, "%s: ", convert_tool_text::kProgram);
    std::fprintf(stderr, format, args...);
    std::fputc('\n', stderr);
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error);
}

int Run(int argc, char** argv) {
    CLI::App app(convert_tool_text::kDescription, convert_tool_text::kProgram);
    app.set_version_flag("--version", VersionLine(convert_tool_text::kProgram), kVersionHelp);
    ConvertOptions options;
    std::string input, output, slot, voices;
    bool report = false;
    std::vector<std::string> timebases;
    for (const uint32_t ms : smaf::kTimebasesMs) timebases.push_back(std::to_string(ms));
    app.add_option("--slot", slot, convert_tool_text::kSlotHelp)
        ->check(CLI::IsMember(std::vector<std::string>(std::begin(kSlots), std::end(kSlots))))
        ->option_text("fm|adpcm");
    app.add_option("--max-bytes", options.max_bytes, convert_tool_text::kMaxBytesHelp)->option_text("N");
    app.add_option("--voices", voices, convert_tool_text::kVoicesHelp)
        ->check(CLI::IsMember(std::vector<std::string>(std::begin(kVoices), std::end(kVoices))))
        ->option_text("2op|4op|auto");
    app.add_option("--timebase", options.timebase_ms, convert_tool_text::kTimebaseHelp)
        ->check(CLI::IsMember(timebases))
        ->option_text("MS");
    app.add_flag("--report", report, convert_tool_text::kReportHelp);
    app.add_option("IN", input, convert_tool_text::kInHelp)->required();
    app.add_option("OUT.mmf", output, convert_tool_text::kOutHelp)->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : kExitUsage;
    }
    if (!slot.empty()) options.slot = slot == kSlots[0] ? SlotKind::kFm : SlotKind::kAdpcm;
    if (!voices.empty())
        options.voices = voices == kVoices[0]   ? VoiceMode::kTwoOperator
                         : voices == kVoices[1] ? VoiceMode::kFourOperator
                                                : VoiceMode::kAuto;
    if (options.max_bytes && *options.max_bytes == 0) {
        Report("%s", convert_tool_text::kBadMaxBytes);
        return kExitUsage;
    }
    if (SameFile(input, output)) {
        Report(convert_tool_text::kSameFile, output.c_str());
        return kExitUsage;
    }

    const Conversion conversion = ConvertFile(input, options);
    if (!conversion.error.empty()) {
        Report("%s", conversion.error.c_str());
        return kExitFailure;
    }
    // Whole or not at all: a failed write leaves an earlier file of that name as it was.
    if (std::string error, reason; !WriteFileBytes(output, conversion.smaf, error, &reason)) {
        Report(convert_tool_text::kCannotWrite, output.c_str(), reason.c_str());
        return kExitFailure;
    }
    if (report)
        std::fputs(ReportText(conversion.report).c_str(), stdout);
    else if (GaveUpAnything(conversion.report))
        Report(convert_tool_text::kSeeReport, ReportSummary(conversion.report).c_str());
    return 0;
}

}  // namespace
}  // namespace cantavo

int main(int argc, char** argv) {
    return cantavo::ProgramMain(cantavo::convert_tool_text::kProgram, cantavo::Run, argc, argv);
}
