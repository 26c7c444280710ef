// Audio files converted to ADPCM melodies and played back by the engine: the pitch and length come back, the
// higher wave rate is taken when the whole sound fits, and a sound too long for the slot is cut with a fade.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <numbers>

#include "convert/convert.h"
#include "engine/synth_engine.h"
#include "tests/transfer/temp_dir.h"

namespace cantavo {
namespace {

namespace fs = std::filesystem;

class AudioConversion : public ::testing::Test {
protected:
    // A sound file whose sample of channel c at frame f is sample(f, c).
    fs::path Sound(const char* name, int format, int rate, int channels, double seconds,
                   const std::function<double(size_t, int)>& sample) const {
        const fs::path path = m_folder / name;
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = channels;
        info.format = format;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
        const auto frames = static_cast<size_t>(seconds * rate);
        std::vector<double> data(frames * channels);
        for (size_t f = 0; f < frames; ++f)
            for (int c = 0; c < channels; ++c) data[f * channels + c] = sample(f, c);
        sf_writef_double(file, data.data(), static_cast<sf_count_t>(frames));
        sf_close(file);
        return path;
    }

    static std::function<double(size_t, int)> Sine(double hz, int rate, double amplitude) {
        return
            [=](size_t f, int) { return amplitude * std::sin(2 * std::numbers::pi * hz * double(f) / rate); };
    }

    static Conversion Convert(const fs::path& path, ConvertOptions options = {}) {
        Conversion conversion = ConvertFile(path, options);
        EXPECT_EQ(conversion.error, "");
        return conversion;
    }

    // The left channel as the engine plays the melody, to its end. One render chunk per call: the call that
    // ends the song returns nothing of what it rendered, and so loses at most one chunk (1 ms).
    static std::vector<int16_t> Render(const smaf::Bytes& melody) {
        const auto engine = std::make_unique<CSynthEngine>();
        engine->SetData(melody.data(), static_cast<uint32_t>(melody.size()));
        EXPECT_EQ(engine->Play(), 1);
        std::vector<int16_t> left;
        std::vector<uint8_t> buffer(kChunkFrames * kBytesPerFrame);
        while (const uint32_t bytes = engine->Render(buffer.data(), static_cast<uint32_t>(buffer.size())))
            for (uint32_t i = 0; i < bytes; i += kBytesPerFrame)
                left.push_back(int16_t(buffer[i] | (buffer[i + 1] << 8)));
        return left;
    }

    // Frequency from the rising zero crossings between two times.
    static double Frequency(const std::vector<int16_t>& samples, double from_s, double to_s) {
        const auto from = static_cast<size_t>(from_s * kFramesPerSecond);
        const auto to = static_cast<size_t>(to_s * kFramesPerSecond);
        std::vector<size_t> rising;
        for (size_t i = from + 1; i < to; ++i)
            if (samples[i - 1] < 0 && samples[i] >= 0) rising.push_back(i);
        if (rising.size() < 2) return 0;
        return double(rising.size() - 1) * kFramesPerSecond / double(rising.back() - rising.front());
    }

    static double Rms(const std::vector<int16_t>& samples, double from_s, double to_s) {
        double sum = 0;
        const auto from = static_cast<size_t>(from_s * kFramesPerSecond);
        const auto to = static_cast<size_t>(to_s * kFramesPerSecond);
        for (size_t i = from; i < to; ++i) sum += double(samples[i]) * samples[i];
        return std::sqrt(sum / double(to - from));
    }

    static double Seconds(const std::vector<int16_t>& samples) {
        return double(samples.size()) / kFramesPerSecond;
    }

    testing::CTempDir m_folder;
};

TEST_F(AudioConversion, ASineComesBackAtItsPitchAndLength) {
    const fs::path wav =
        Sound("sine.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 2.0, Sine(1000, 44100, 0.5));
    const Conversion conversion = Convert(wav);
    const AudioReport& report = conversion.report.audio;
    EXPECT_EQ(report.sample_rate, 8000u);  // 16000 samples in 8000 bytes fit the slot
    EXPECT_FALSE(report.cut);
    EXPECT_EQ(report.input_rate, 44100u);
    EXPECT_EQ(report.input_channels, 2u);
    EXPECT_NEAR(report.gain_db, 20 * std::log10(0.891 / 0.5),
                0.15);  // the resampled peak may pass 0.5 a little
    EXPECT_NEAR(conversion.report.input_seconds, 2.0, 1e-9);
    EXPECT_FALSE(GaveUpAnything(conversion.report));

    const std::vector<int16_t> played = Render(conversion.smaf);
    EXPECT_NEAR(Seconds(played), 2.0, 0.01);
    EXPECT_NEAR(Frequency(played, 0.1, 1.9), 1000, 2);
    // Normalised to 0.891 of full scale, as far as 4-bit ADPCM follows.
    EXPECT_NEAR(Rms(played, 0.1, 1.9), 0.891 * 32767 / std::sqrt(2), 0.05 * 32767);
}

TEST_F(AudioConversion, TheLowerRateHoldsALongerSound) {
    const fs::path wav =
        Sound("five.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 1, 5.0, Sine(440, 48000, 0.9));
    const Conversion conversion = Convert(wav);
    const AudioReport& report = conversion.report.audio;
    EXPECT_EQ(report.sample_rate, 4000u);  // 40000 samples at 8000 Hz would take 20000 bytes
    EXPECT_GT(report.bytes_at_8000, 20000u);
    EXPECT_FALSE(report.cut);
    const std::vector<int16_t> played = Render(conversion.smaf);
    EXPECT_NEAR(Seconds(played), 5.0, 0.01);
    EXPECT_NEAR(Frequency(played, 0.1, 4.9), 440, 1);
}

TEST_F(AudioConversion, ASoundTooLongIsCutWithAFadeAndSaysHowMuchWasKept) {
    const fs::path flac =
        Sound("long.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 22050, 1, 20.0, Sine(440, 22050, 0.7));
    const Conversion conversion = Convert(flac);
    const AudioReport& report = conversion.report.audio;
    EXPECT_EQ(report.sample_rate, 4000u);
    EXPECT_TRUE(report.cut);
    EXPECT_EQ(report.fade_ms, 100u);
    // The slot filled to its last byte: a file of 63 bytes around (16352 - 63) x 2 samples, 8.1445 s at 4000
    // Hz.
    EXPECT_EQ(conversion.smaf.size(), 16352u);
    EXPECT_NEAR(report.kept_seconds, 8.1445, 1e-9);
    EXPECT_TRUE(GaveUpAnything(conversion.report));

    const std::vector<int16_t> played = Render(conversion.smaf);
    const double end = Seconds(played);
    EXPECT_NEAR(end, report.kept_seconds, 0.01);
    EXPECT_GT(end, 8.0);
    EXPECT_LT(end, 8.2);
    const double before_fade = Rms(played, end - 0.35, end - 0.15);
    EXPECT_GT(before_fade, 0.5 * 32767 * 0.891);
    EXPECT_LT(Rms(played, end - 0.05, end - 0.01), 0.5 * before_fade);  // the second half of the fade
    EXPECT_LT(Rms(played, end - 0.01, end), 0.15 * before_fade);
    EXPECT_NE(ReportText(conversion.report).find("cut point:           8.1 of 20.0 s kept, 100 ms fade-out"),
              std::string::npos)
        << ReportText(conversion.report);
}

TEST_F(AudioConversion, ChannelsAreAveraged) {
    // Opposite phases cancel: silence, left as it is.
    const fs::path wav = Sound("cancel.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 2, 0.5,
                               [](size_t f, int c) { return (c == 0 ? 0.5 : -0.5) * std::sin(double(f)); });
    const Conversion conversion = Convert(wav);
    EXPECT_EQ(conversion.report.audio.gain_db, 0);
    for (const int16_t sample : Render(conversion.smaf)) ASSERT_LT(std::abs(sample), 64);
}

TEST_F(AudioConversion, WhatCannotBeConvertedIsReportedWithTheFile) {
    const fs::path text = m_folder / "notes.txt";
    std::FILE* file = std::fopen(text.c_str(), "w");
    std::fputs("not a sound\n", file);
    std::fclose(file);
    const Conversion unknown = ConvertFile(text, {});
    EXPECT_EQ(unknown.error.rfind(
                  text.string() + ": neither a MIDI file nor an audio file that libsndfile reads (", 0),
              0u)
        << unknown.error;

    const fs::path empty = Sound("empty.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 0, Sine(1, 1, 0));
    EXPECT_EQ(ConvertFile(empty, {}).error, empty.string() + ": no sound in the audio file");

    const fs::path wav =
        Sound("short.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 0.1, Sine(440, 8000, 0.5));
    ConvertOptions fm;
    fm.slot = SlotKind::kFm;
    EXPECT_EQ(ConvertFile(wav, fm).error,
              wav.string() + ": an audio file becomes a melody for an ADPCM slot, not an FM slot");
    EXPECT_EQ(ConvertFile(m_folder / "missing.wav", {}).error,
              (m_folder / "missing.wav").string() + ": cannot read: No such file or directory");
}

TEST_F(AudioConversion, BytesInMemoryConvertAsTheirFileDoes) {
    // Every format seeks in its own way while being read: a WAV of IMA ADPCM blocks and an Ogg Vorbis stream.
    for (const int format : {SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, SF_FORMAT_OGG | SF_FORMAT_VORBIS}) {
        const fs::path sound = Sound("tone", format, 11025, 2, 1.5, Sine(440, 11025, 0.5));
        const Conversion from_file = Convert(sound);
        const Conversion from_memory = ConvertAudio(testing::ReadAll(sound), "tone", {});
        EXPECT_EQ(from_memory.error, "");
        EXPECT_EQ(from_memory.smaf, from_file.smaf);
        EXPECT_EQ(from_memory.report.audio.format, from_file.report.audio.format);
    }
    const std::vector<uint8_t> text = {'n', 'o', 't', ' ', 'a', ' ', 's', 'o', 'u', 'n', 'd'};
    EXPECT_EQ(
        ConvertAudio(text, "/in/notes.txt", {})
            .error.rfind("/in/notes.txt: neither a MIDI file nor an audio file that libsndfile reads (", 0),
        0u);
}

TEST_F(AudioConversion, TheKindOfAFileComesFromItsContent) {
    const auto write = [&](const char* name, const std::vector<uint8_t>& bytes) {
        const fs::path path = m_folder / name;
        testing::WriteAll(path, bytes);
        return path;
    };
    const fs::path midi = write("song.wav", {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96});
    const fs::path smaf = write("melody.mid", {'M', 'M', 'M', 'D', 0, 0, 0, 4, 1, 2, 3, 4});
    const fs::path text = write("notes.mmf", {'h', 'e', 'l', 'l', 'o'});
    const fs::path wav =
        Sound("tone.bin", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 0.1, Sine(440, 8000, 0.5));
    EXPECT_EQ(ConvertibleKind(midi), InputKind::kMidi);
    EXPECT_EQ(ConvertibleKind(wav), InputKind::kAudio);
    EXPECT_EQ(ConvertibleKind(smaf), std::nullopt);
    EXPECT_EQ(ConvertibleKind(text), std::nullopt);
    EXPECT_EQ(ConvertibleKind(m_folder / "missing"), std::nullopt);
}

TEST_F(AudioConversion, MidiOptionsAreNotedAsNotApplying) {
    const fs::path wav =
        Sound("short.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 0.1, Sine(440, 8000, 0.5));
    ConvertOptions options;
    options.voices = VoiceMode::kFourOperator;
    options.timebase_ms = 10;
    const Conversion conversion = Convert(wav, options);
    EXPECT_EQ(conversion.report.ignored_options, (std::vector<std::string>{"--voices", "--timebase"}));
    EXPECT_NE(
        ReportText(conversion.report).find("note:                --voices does not apply to audio files"),
        std::string::npos);
}

}  // namespace
}  // namespace cantavo
