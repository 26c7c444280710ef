#include "convert/audio_reader.h"

#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace cantavo {

struct AudioFileInMemory {
    std::span<const uint8_t> bytes;
    sf_count_t position = 0;
};

namespace {

constexpr sf_count_t kReadSamples = 65536;  // a read, whatever the channel count

SNDFILE* File(void* file) {
    return static_cast<SNDFILE*>(file);
}

std::string FormatName(SNDFILE* file, int format) {
    SF_FORMAT_INFO info{};
    info.format = format & SF_FORMAT_TYPEMASK;
    if (sf_command(file, SFC_GET_FORMAT_INFO, &info, sizeof info) != 0 || info.name == nullptr)
        return "audio";
    return info.name;
}

AudioInfo Describe(SNDFILE* file, const SF_INFO& info) {
    return {FormatName(file, info.format), static_cast<uint32_t>(std::max(info.samplerate, 0)),
            static_cast<uint32_t>(std::max(info.channels, 0)),
            static_cast<uint64_t>(std::max<sf_count_t>(info.frames, 0))};
}

AudioFileInMemory& Memory(void* user) {
    return *static_cast<AudioFileInMemory*>(user);
}

sf_count_t MemoryLength(void* user) {
    return static_cast<sf_count_t>(Memory(user).bytes.size());
}

sf_count_t MemorySeek(sf_count_t offset, int whence, void* user) {
    AudioFileInMemory& memory = Memory(user);
    const sf_count_t base = whence == SEEK_CUR   ? memory.position
                            : whence == SEEK_END ? MemoryLength(user)
                                                 : 0;
    if (offset < -base || offset > MemoryLength(user) - base) return -1;
    memory.position = base + offset;
    return memory.position;
}

sf_count_t MemoryRead(void* out, sf_count_t count, void* user) {
    AudioFileInMemory& memory = Memory(user);
    const sf_count_t taken = std::clamp<sf_count_t>(count, 0, MemoryLength(user) - memory.position);
    std::copy_n(memory.bytes.begin() + memory.position, taken, static_cast<uint8_t*>(out));
    memory.position += taken;
    return taken;
}

sf_count_t MemoryWrite(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t MemoryTell(void* user) {
    return Memory(user).position;
}

}  // namespace

CAudioSource::CAudioSource(void* file, AudioInfo info, std::unique_ptr<AudioFileInMemory> memory)
    : m_memory(std::move(memory)), m_file(file), m_info(std::move(info)) {}

std::unique_ptr<CAudioSource> CAudioSource::Open(const std::filesystem::path& path, std::string& reason) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        reason = sf_strerror(nullptr);
        return nullptr;
    }
    return std::unique_ptr<CAudioSource>(new CAudioSource(file, Describe(file, info), nullptr));
}

std::unique_ptr<CAudioSource> CAudioSource::Open(std::span<const uint8_t> bytes, std::string& reason) {
    static SF_VIRTUAL_IO io{MemoryLength, MemorySeek, MemoryRead, MemoryWrite, MemoryTell};
    auto memory = std::make_unique<AudioFileInMemory>(AudioFileInMemory{bytes});
    SF_INFO info{};
    SNDFILE* file = sf_open_virtual(&io, SFM_READ, &info, memory.get());
    if (file == nullptr) {
        reason = sf_strerror(nullptr);
        return nullptr;
    }
    return std::unique_ptr<CAudioSource>(new CAudioSource(file, Describe(file, info), std::move(memory)));
}

CAudioSource::~CAudioSource() {
    sf_close(File(m_file));
}

bool CAudioSource::ReadMono(uint64_t frames, uint32_t rate, size_t samples, std::vector<float>& out,
                            std::string& reason) {
    const uint32_t channels = m_info.channels;
    // What the header claims is not trusted for memory: mono grows with the frames that are really there.
    std::vector<float> mono;
    const sf_count_t block_frames = std::max<sf_count_t>(kReadSamples / channels, 1);
    std::vector<float> block(static_cast<size_t>(block_frames) * channels);
    while (mono.size() < frames) {
        const sf_count_t wanted =
            static_cast<sf_count_t>(std::min<uint64_t>(block_frames, frames - mono.size()));
        const sf_count_t got = sf_readf_float(File(m_file), block.data(), wanted);
        if (got <= 0) break;
        for (sf_count_t f = 0; f < got; ++f) {
            float sum = 0;
            for (uint32_t c = 0; c < channels; ++c) sum += block[f * channels + c];
            mono.push_back(sum / channels);
        }
    }
    if (sf_error(File(m_file)) != SF_ERR_NO_ERROR) {
        reason = sf_strerror(File(m_file));
        return false;
    }
    out.assign(samples, 0.0f);
    if (mono.empty()) return true;
    SRC_DATA data{};
    data.data_in = mono.data();
    data.input_frames = static_cast<long>(mono.size());
    data.data_out = out.data();
    data.output_frames = static_cast<long>(out.size());
    data.src_ratio = double(rate) / m_info.rate;
    data.end_of_input = 1;
    if (const int error = src_simple(&data, SRC_SINC_MEDIUM_QUALITY, 1); error != 0) {
        reason = src_strerror(error);
        return false;
    }
    return true;
}

std::vector<std::string> AudioFileExtensions() {
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    std::vector<std::string> extensions;
    for (int i = 0; i < count; ++i) {
        SF_FORMAT_INFO info{};
        info.format = i;
        // Raw data opens only with its format given: no file of it is read as a sound.
        if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info) != 0 || info.extension == nullptr ||
            (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_RAW)
            continue;
        if (std::find(extensions.begin(), extensions.end(), info.extension) == extensions.end())
            extensions.push_back(info.extension);
    }
    // Ogg files are named .ogg more often than by the container's own .oga.
    if (std::find(extensions.begin(), extensions.end(), "oga") != extensions.end())
        extensions.push_back("ogg");
    return extensions;
}

std::string AudioFilePatterns() {
    std::string patterns;
    for (const std::string& extension : AudioFileExtensions())
        patterns += (patterns.empty() ? "*." : ";*.") + extension;
    return patterns;
}

double Normalise(std::vector<float>& samples) {
    float peak = 0;
    for (const float sample : samples) peak = std::max(peak, std::abs(sample));
    if (peak == 0) return 0;
    const double gain = kSafePeak / peak;
    for (float& sample : samples) sample = static_cast<float>(sample * gain);
    return 20 * std::log10(gain);
}

}  // namespace cantavo
