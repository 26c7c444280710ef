#include "tools/render/render_job.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "engine/smaf_parser.h"
#include "engine/synth_engine.h"
#include "host/file_io.h"
#include "player/audio_output.h"
#include "player/wave_format.h"
#include "tools/render/render_texts.h"

namespace cantavo {
namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char text[512];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

std::string FileError(const std::filesystem::path& path, const std::string& reason) {
    return Format(render_text::kFileError, path.string().c_str(), reason.c_str());
}

}  // namespace

std::string RenderFile(const std::filesystem::path& input, const std::filesystem::path& output,
                       const RenderOptions& options) {
    std::string error, reason;
    const std::optional<std::vector<uint8_t>> song = ReadFileBytes(input, error, &reason);
    if (!song) return FileError(input, Format(render_text::kCannotRead, reason.c_str()));
    if (song->size() > UINT32_MAX) return FileError(input, render_text::kTooLarge);
    if (!IsSmafFile(*song)) return FileError(input, render_text::kNotSmaf);

    const auto engine = std::make_unique<CSynthEngine>(options.voices);
    engine->SetData(nullptr, 0);
    engine->SetData(song->data(), static_cast<uint32_t>(song->size()));
    // Repeat restarts the song from its first event while notes ring on, exactly as the player's Repeat box;
    // after loops - 1 restarts the song is left to end.
    engine->SetRepeat(options.loops > 1 ? kRepeatSong : 0);
    if (options.loops > 1) engine->LimitRestarts(options.loops - 1);
    if (engine->Play() == 0) return FileError(input, render_text::kNoTrack);
    if (options.start_ms != 0 && engine->Seek(options.start_ms) != 0)
        return FileError(input, Format(render_text::kStartBeyondEnd, options.start_ms));

    const std::unique_ptr<CAudioOutput> out = OpenAudioOutput(output, options.raw, reason);
    if (!out) return FileError(output, Format(render_text::kCannotWrite, reason.c_str()));
    std::vector<uint8_t> buffer(kPlayerBufferBytes);
    while (const uint32_t written = engine->Render(buffer.data(), kPlayerBufferBytes)) {
        if (!out->Write(buffer.data(), written))
            return FileError(output, Format(render_text::kCannotWrite, out->Error().c_str()));
    }
    if (!out->Close()) return FileError(output, Format(render_text::kCannotWrite, out->Error().c_str()));
    return {};
}

}  // namespace cantavo
