// The player's render thread with no window at all: what it reports as heard against what an engine of the
// test's own renders, through the wav-fast: backend (as fast as the thread refills).
//
// The engine behind the Synth functions is one per process and keeps its oscillators' phases from song to
// song, so a play matches a fresh engine only when it is the first in the process: CTest runs each test in a
// process of its own.
#include "player/render_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#include <unistd.h>

#include "engine/synth_engine.h"
#include "tests/songs/test_songs.h"

namespace cantavo {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

constexpr size_t kWavHeaderBytes = 44;
constexpr uint32_t kBufferBytes = 8192;

class RecordingListener : public PlaybackListener {
public:
    void OnHeard(const HeardBuffer& heard) override {
        std::lock_guard lock(m_mutex);
        heards.push_back(heard);
    }
    void OnSongEnded(uint64_t play) override {
        std::lock_guard lock(m_mutex);
        ended.push_back(play);
        m_changed.notify_all();
    }
    void OnSongLength(uint64_t data, uint32_t length_ms) override {
        std::lock_guard lock(m_mutex);
        lengths.emplace_back(data, length_ms);
        m_changed.notify_all();
    }
    bool WaitFor(const std::function<bool()>& done) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 20s, done);
    }

    std::vector<HeardBuffer> heards;
    std::vector<uint64_t> ended;
    std::vector<std::pair<uint64_t, uint32_t>> lengths;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

// The song on a fresh engine, from start_ms, in the player's buffers: the buffers it returns.
std::vector<Bytes> RenderedBuffers(const Bytes& song, uint32_t start_ms = 0) {
    CSynthEngine engine;
    engine.SetData(song.data(), static_cast<uint32_t>(song.size()));
    EXPECT_EQ(engine.Play(), 1);
    if (start_ms != 0) {
        EXPECT_EQ(engine.Seek(start_ms), 0);
    }
    std::vector<Bytes> buffers;
    Bytes buffer(kBufferBytes);
    while (engine.Render(buffer.data(), kBufferBytes) != 0) buffers.push_back(buffer);
    return buffers;
}

// Largest magnitude of the left (0) or right (1) samples, from the 16-bit little-endian frames.
uint16_t PeakOf(const Bytes& pcm, int side) {
    int peak = 0;
    for (size_t i = 2 * side; i + 1 < pcm.size(); i += 4)
        peak = std::max(peak, std::abs(int{static_cast<int16_t>(pcm[i] | (pcm[i + 1] << 8))}));
    return static_cast<uint16_t>(peak);
}

Bytes WithoutLeadingSilence(const Bytes& pcm) {
    const auto sound = std::find_if(pcm.begin(), pcm.end(), [](uint8_t b) { return b != 0; });
    return Bytes(pcm.begin() + (sound - pcm.begin()) / 4 * 4, pcm.end());
}

// The buffers one after the other, without the silence the song may begin with.
Bytes Joined(const std::vector<Bytes>& buffers) {
    Bytes all;
    for (const Bytes& buffer : buffers) all.insert(all.end(), buffer.begin(), buffer.end());
    return WithoutLeadingSilence(all);
}

class RenderThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_wav = fs::path(::testing::TempDir()) / ("render_thread_test." + std::to_string(getpid()) + ".wav");
        std::string error;
        m_thread = RenderThread::Open("wav-fast:" + m_wav.string(), m_listener, error);
        ASSERT_NE(m_thread, nullptr) << error;
    }
    void TearDown() override { fs::remove(m_wav); }

    // Everything written to the device after the leading silence; complete once the thread is gone.
    Bytes HeardSound() {
        m_thread.reset();
        std::ifstream file(m_wav, std::ios::binary);
        const Bytes all{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        return WithoutLeadingSilence(Bytes(all.begin() + kWavHeaderBytes, all.end()));
    }

    fs::path m_wav;
    RecordingListener m_listener;
    std::unique_ptr<RenderThread> m_thread;
    const Bytes m_song = testing::SustainedChord(4, 2000, 2000);
};

// Every buffer of the song is reported once, heard in order, with where the song is and its peaks; then the
// end; and the song's length, all as a fresh engine renders the song.
TEST_F(RenderThreadTest, ReportsEveryBufferHeardTheEndAndTheLength) {
    const std::vector<Bytes> expected = RenderedBuffers(m_song);
    m_thread->SetData(m_song, 7);
    ASSERT_EQ(m_thread->Play(0, 3), RenderThread::StartResult::kPlaying);
    ASSERT_TRUE(m_listener.WaitFor([&] { return !m_listener.ended.empty() && !m_listener.lengths.empty(); }));
    const Bytes heard = HeardSound();

    EXPECT_EQ(m_listener.ended, std::vector<uint64_t>{3});
    const uint32_t length_ms = FramesToMs(static_cast<uint32_t>(expected.size() * kBufferBytes / 4));
    EXPECT_EQ(m_listener.lengths, (std::vector<std::pair<uint64_t, uint32_t>>{{7, length_ms}}));
    ASSERT_EQ(m_listener.heards.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const HeardBuffer& h = m_listener.heards[i];
        EXPECT_EQ(h.play, 3u);
        EXPECT_EQ(h.seek, 0u);
        EXPECT_EQ(h.bytes, kBufferBytes);
        EXPECT_EQ(h.position_ms, FramesToMs(static_cast<uint32_t>((i + 1) * kBufferBytes / 4))) << i;
        EXPECT_EQ(h.peak_left, PeakOf(expected[i], 0)) << i;
        EXPECT_EQ(h.peak_right, PeakOf(expected[i], 1)) << i;
    }
    const Bytes whole = Joined(expected);
    ASSERT_GE(heard.size(), whole.size());
    EXPECT_TRUE(std::equal(whole.begin(), whole.end(), heard.begin()));
    EXPECT_TRUE(std::all_of(heard.begin() + whole.size(), heard.end(), [](uint8_t b) { return b == 0; }));
}

// A seek goes on at once from its point: what is heard is the song's beginning up to the seek, then the
// song from 1500 ms; the buffers of before the seek carry the play alone. The song is long enough that the
// fast device cannot have heard it to its end before the seek arrives.
TEST_F(RenderThreadTest, ASeekGoesOnFromItsPoint) {
    const Bytes song = testing::SustainedChord(4, 30000, 30000);
    const std::vector<Bytes> from_1500 = RenderedBuffers(song, 1500);
    m_thread->SetData(song, 1);
    ASSERT_EQ(m_thread->Play(0, 1), RenderThread::StartResult::kPlaying);
    m_thread->Seek(1500, 5);
    ASSERT_TRUE(m_listener.WaitFor([&] { return !m_listener.ended.empty(); }));
    const Bytes heard = HeardSound();
    std::vector<HeardBuffer> after_seek;
    for (const HeardBuffer& h : m_listener.heards)
        if (h.seek == 5) after_seek.push_back(h);
    ASSERT_EQ(after_seek.size(), from_1500.size());
    EXPECT_EQ(after_seek.front().position_ms,
              FramesToMs(static_cast<uint32_t>(MsToFrames(1500)) + kBufferBytes / 4));
    EXPECT_TRUE(std::all_of(m_listener.heards.begin(), m_listener.heards.end() - after_seek.size(),
                            [](const HeardBuffer& h) { return h.seek == 0; }));
    const Bytes whole = Joined(from_1500);
    const auto at = std::search(heard.begin(), heard.end(), whole.begin(), whole.end());
    ASSERT_NE(at, heard.end());
    EXPECT_TRUE(std::all_of(at + whole.size(), heard.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(RenderThreadTest, AStartBeyondTheLastEventOrASongThatIsNotSmafDoesNotPlay) {
    m_thread->SetData(m_song, 1);
    EXPECT_EQ(m_thread->Play(2001, 1), RenderThread::StartResult::kBeyondEnd);
    m_thread->SetData(Bytes(100, 0x42), 2);
    EXPECT_EQ(m_thread->Play(0, 2), RenderThread::StartResult::kNotPlayable);
    m_thread->SetData(m_song, 3);
    EXPECT_EQ(m_thread->Play(2000, 3), RenderThread::StartResult::kPlaying);
}

// A seek beyond the last event ends the song; a stop drops it without a report of its end.
TEST_F(RenderThreadTest, ASeekBeyondTheEndEndsTheSongAndAStopDropsIt) {
    m_thread->SetData(m_song, 1);
    ASSERT_EQ(m_thread->Play(0, 1), RenderThread::StartResult::kPlaying);
    m_thread->Seek(5000, 1);
    ASSERT_TRUE(m_listener.WaitFor([&] { return !m_listener.ended.empty(); }));
    EXPECT_EQ(m_listener.ended, std::vector<uint64_t>{1});

    m_thread->SetData(testing::SustainedChord(4, 30000, 30000), 2);
    ASSERT_EQ(m_thread->Play(0, 2), RenderThread::StartResult::kPlaying);
    m_thread->Stop();
    std::this_thread::sleep_for(200ms);
    m_thread.reset();
    EXPECT_EQ(m_listener.ended, std::vector<uint64_t>{1});
}

}  // namespace
}  // namespace cantavo
