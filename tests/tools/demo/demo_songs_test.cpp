#include "tools/demo/demo_songs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "engine/synth_engine.h"

namespace cantavo {
namespace {

smaf::Bytes ReadDemo(std::string_view name) {
    std::ifstream in(std::filesystem::path(CANTAVO_DEMO_DIR) / name, std::ios::binary);
    return smaf::Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Renders a song to its end; returns the frames and the peak of the left channel.
struct Rendered {
    uint64_t frames = 0;
    int peak = 0;
};

Rendered RenderToEnd(CSynthEngine& engine) {
    Rendered result;
    std::vector<uint8_t> buffer(8192);
    for (int calls = 0; calls < 2000; ++calls) {
        const uint32_t bytes = engine.Render(buffer.data(), 8192);
        if (bytes == 0) break;
        result.frames += bytes / 4;
        for (uint32_t i = 0; i < bytes; i += 4)
            result.peak = std::max(result.peak, std::abs(int(int16_t(buffer[i] | (buffer[i + 1] << 8)))));
    }
    return result;
}

TEST(DemoSongs, CommittedFilesAreWhatTheBuilderWrites) {
    for (const demo::DemoSong& song : demo::DemoSongs())
        EXPECT_EQ(ReadDemo(song.file_name), song.build()) << song.file_name;
}

TEST(DemoSongs, EachPlaysAudiblyAndEnds) {
    const std::pair<std::string_view, double> expected_seconds[] = {
        {"ode.mmf", 31.0}, {"drums.mmf", 20.0}, {"bells.mmf", 21.0}};
    for (const auto& [name, seconds] : expected_seconds) {
        const auto engine = std::make_unique<CSynthEngine>();
        const smaf::Bytes song = ReadDemo(name);
        engine->SetData(song.data(), static_cast<uint32_t>(song.size()));
        ASSERT_EQ(engine->Play(), 1) << name;
        const Rendered rendered = RenderToEnd(*engine);
        EXPECT_NEAR(rendered.frames / 22050.0, seconds, 1.5) << name;
        EXPECT_GT(rendered.peak, 4000) << name;
        EXPECT_LT(rendered.peak, 32767) << name;  // mixed without clipping
    }
}

TEST(DemoSongs, OdeDefinesTwoAndFourOperatorVoices) {
    const auto engine = std::make_unique<CSynthEngine>();
    const smaf::Bytes song = demo::OdeToJoy();
    engine->SetData(song.data(), static_cast<uint32_t>(song.size()));
    ASSERT_EQ(engine->Play(), 1);
    const CVoiceTable& voices = engine->Device().Voices();
    EXPECT_EQ(voices.Record(21, 0).operator_count, 4);
    EXPECT_EQ(voices.Record(21, 1).operator_count, 2);
    EXPECT_EQ(voices.Record(21, 3).operator_count, 2);
    EXPECT_GT(engine->Device().Sequencer().ScoreTracks().front().setup.size, 0u);
}

TEST(DemoSongs, BellsCarryAnAudioTrackOfWaves) {
    const auto engine = std::make_unique<CSynthEngine>();
    const smaf::Bytes song = demo::TwinkleBells();
    engine->SetData(song.data(), static_cast<uint32_t>(song.size()));
    ASSERT_EQ(engine->Play(), 1);
    ASSERT_FALSE(engine->Device().Sequencer().AudioTracks().empty());
    for (uint32_t w = 1; w <= 6; ++w) EXPECT_GT(engine->Device().AdpcmPlayer().Wave(w).count, 4000u) << w;
}

}  // namespace
}  // namespace cantavo
