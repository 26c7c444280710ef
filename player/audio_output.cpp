#include "player/audio_output.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "engine/synth.h"

namespace cantavo {
namespace {

std::string LowerExtension(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, named only by libsndfile 1.1 and later; an older library's
// sf_format_check refuses it.
constexpr int kMp3Format = 0x230000 | 0x0082;

struct FileFormat {
    const char* extension;
    int format;
};

constexpr FileFormat kFileFormats[] = {
    {".wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
    {".flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
    {".ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
    {".oga", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
    {".mp3", kMp3Format},
};

SF_INFO FileInfo(int format, uint32_t frames_per_second = kFramesPerSecond) {
    SF_INFO info{};
    info.samplerate = static_cast<int>(frames_per_second);
    info.channels = kChannelsPerFrame;
    info.format = format;
    return info;
}

bool Writable(const FileFormat& format) {
    SF_INFO info = FileInfo(format.format);
    return sf_format_check(&info) != 0;
}

// The format written for `path`; 0 when its extension names none the library can write.
int SoundFileFormat(const std::filesystem::path& path) {
    const std::string extension = LowerExtension(path);
    for (const FileFormat& format : kFileFormats)
        if (extension == format.extension && Writable(format)) return format.format;
    return 0;
}

class CSoundFileOutput final : public CAudioOutput {
public:
    explicit CSoundFileOutput(SNDFILE* file) : m_file(file) {}
    ~CSoundFileOutput() override { Close(); }

    bool Write(const uint8_t* bytes, uint32_t length) override {
        const sf_count_t frames = length / kBytesPerFrame;
        // The engine's bytes are little-endian 16-bit samples, the host's own order on the platforms built
        // for.
        if (sf_writef_short(m_file, reinterpret_cast<const short*>(bytes), frames) == frames) return true;
        m_error = sf_strerror(m_file);
        return false;
    }

    bool Flush() override {
        sf_command(m_file, SFC_UPDATE_HEADER_NOW, nullptr, 0);
        if (sf_error(m_file) == SF_ERR_NO_ERROR) return true;
        m_error = sf_strerror(m_file);
        return false;
    }

    bool Close() override {
        if (m_file == nullptr) return true;
        const int result = sf_close(m_file);
        m_file = nullptr;
        if (result == 0) return true;
        m_error = sf_error_number(result);
        return false;
    }

private:
    SNDFILE* m_file;
};

class CRawOutput final : public CAudioOutput {
public:
    explicit CRawOutput(std::FILE* file) : m_file(file) {}
    ~CRawOutput() override { Close(); }

    bool Write(const uint8_t* bytes, uint32_t length) override {
        if (std::fwrite(bytes, 1, length, m_file) == length) return true;
        m_error = std::strerror(errno);
        return false;
    }

    bool Flush() override {
        if (std::fflush(m_file) == 0) return true;
        m_error = std::strerror(errno);
        return false;
    }

    bool Close() override {
        if (m_file == nullptr) return true;
        const int result = std::fclose(m_file);
        m_file = nullptr;
        if (result == 0) return true;
        m_error = std::strerror(errno);
        return false;
    }

private:
    std::FILE* m_file;
};

std::unique_ptr<CAudioOutput> OpenSoundFile(const std::filesystem::path& path, SF_INFO info,
                                            std::string& error) {
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        error = sf_strerror(nullptr);
        return nullptr;
    }
    return std::make_unique<CSoundFileOutput>(file);
}

}  // namespace

std::vector<std::string> WritableExtensions() {
    std::vector<std::string> extensions;
    for (const FileFormat& format : kFileFormats)
        if (Writable(format)) extensions.emplace_back(format.extension);
    return extensions;
}

bool CanWriteAudioFile(const std::filesystem::path& path) {
    return SoundFileFormat(path) != 0;
}

std::unique_ptr<CAudioOutput> OpenAudioOutput(const std::filesystem::path& path, bool raw,
                                              std::string& error) {
    if (raw) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) {
            error = std::strerror(errno);
            return nullptr;
        }
        return std::make_unique<CRawOutput>(file);
    }
    return OpenSoundFile(path, FileInfo(SoundFileFormat(path)), error);
}

std::unique_ptr<CAudioOutput> OpenWavOutput(const std::filesystem::path& path, uint32_t frames_per_second,
                                            std::string& error) {
    return OpenSoundFile(path, FileInfo(SF_FORMAT_WAV | SF_FORMAT_PCM_16, frames_per_second), error);
}

}  // namespace cantavo
