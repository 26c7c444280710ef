// The wave output device over a sink the test controls, and its null backend's pace.
#include "player/wave_out.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <vector>

namespace cantavo {
namespace {

using namespace std::chrono_literals;

// Collects done notices as the device's thread posts them.
class DoneLog : public WaveDoneTarget {
public:
    void PostWaveDone(WaveHeader* header) override {
        std::lock_guard lock(m_mutex);
        done_.push_back(header);
        changed_.notify_all();
    }
    bool WaitFor(size_t count, std::chrono::milliseconds timeout = 5s) {
        std::unique_lock lock(m_mutex);
        return changed_.wait_for(lock, timeout, [&] { return done_.size() >= count; });
    }
    std::vector<WaveHeader*> Done() {
        std::lock_guard lock(m_mutex);
        return done_;
    }

private:
    std::mutex m_mutex;
    std::condition_variable changed_;
    std::vector<WaveHeader*> done_;
};

// Records what it is given; while closed it blocks inside Consume, like a card whose buffer is full.
class GateSink : public WaveSink {
public:
    struct Log {
        std::mutex mutex;
        std::condition_variable changed;
        std::vector<uint8_t> bytes;
        int starts = 0, idles = 0, discards = 0, entered = 0;
        bool open = true;
    };
    explicit GateSink(Log& log) : log_(log) {}
    void Start() override {
        std::lock_guard lock(log_.mutex);
        ++log_.starts;
    }
    void Consume(const uint8_t* pcm, uint32_t bytes) override {
        std::unique_lock lock(log_.mutex);
        ++log_.entered;
        log_.changed.notify_all();
        log_.changed.wait(lock, [&] { return log_.open; });
        log_.bytes.insert(log_.bytes.end(), pcm, pcm + bytes);
        log_.changed.notify_all();
    }
    void Idle(bool discard) override {
        std::lock_guard lock(log_.mutex);
        ++log_.idles;
        log_.discards += discard;
        log_.changed.notify_all();
    }

private:
    Log& log_;
};

struct Buffer {
    explicit Buffer(uint8_t fill, uint32_t bytes = 4096) : bytes(bytes, fill) {
        header.data = this->bytes.data();
        header.buffer_length = bytes;
    }
    std::vector<uint8_t> bytes;
    WaveHeader header;
};

class WaveOutTest : public ::testing::Test {
protected:
    size_t HeardBytes() {
        std::lock_guard lock(log_.mutex);
        return log_.bytes.size();
    }
    void SetGate(bool open) {
        std::lock_guard lock(log_.mutex);
        log_.open = open;
        log_.changed.notify_all();
    }
    // Returns once the device's thread waits inside Consume behind the closed gate.
    bool WaitForConsumeEntered() {
        std::unique_lock lock(log_.mutex);
        return log_.changed.wait_for(lock, 5s, [&] { return log_.entered >= 1; });
    }
    bool WaitForIdles(int count) {
        std::unique_lock lock(log_.mutex);
        return log_.changed.wait_for(lock, 5s, [&] { return log_.idles >= count; });
    }
    void Queue(Buffer& buffer) {
        ASSERT_TRUE(device_.Prepare(buffer.header));
        ASSERT_TRUE(device_.Write(buffer.header));
    }

    GateSink::Log log_;
    DoneLog done_;
    WaveOut device_{std::make_unique<GateSink>(log_), done_};
};

TEST_F(WaveOutTest, PlaysBuffersInWriteOrderAndAnnouncesEachOnce) {
    Buffer a(1), b(2, 1000), c(3);
    Queue(a);
    Queue(b);
    Queue(c);
    ASSERT_TRUE(done_.WaitFor(3));
    EXPECT_EQ(done_.Done(), (std::vector<WaveHeader*>{&a.header, &b.header, &c.header}));
    std::vector<uint8_t> expected(a.bytes);
    expected.insert(expected.end(), b.bytes.begin(), b.bytes.end());
    expected.insert(expected.end(), c.bytes.begin(), c.bytes.end());
    std::lock_guard lock(log_.mutex);
    EXPECT_EQ(log_.bytes, expected);
    for (Buffer* buffer : {&a, &b, &c})
        EXPECT_EQ(buffer->header.flags, kWaveHeaderDone | kWaveHeaderPrepared);
}

TEST_F(WaveOutTest, RefusesUnpreparedAndQueuedBuffersAndUnprepareWhileQueued) {
    SetGate(false);
    Buffer a(1);
    EXPECT_FALSE(device_.Write(a.header));  // not prepared
    Queue(a);
    EXPECT_FALSE(device_.Write(a.header));  // already queued
    EXPECT_FALSE(device_.Unprepare(a.header));
    SetGate(true);
    ASSERT_TRUE(done_.WaitFor(1));
    EXPECT_TRUE(device_.Unprepare(a.header));
    EXPECT_FALSE(device_.Write(a.header));
    EXPECT_EQ(done_.Done().size(), 1u);
}

TEST_F(WaveOutTest, PauseHoldsTheQueueAndRestartContinuesWhereItStopped) {
    Buffer a(1, 8192), b(2, 8192);
    SetGate(false);
    Queue(a);
    Queue(b);
    ASSERT_TRUE(WaitForConsumeEntered());
    device_.Pause();
    SetGate(true);  // at most the slice already taken is heard
    ASSERT_TRUE(WaitForIdles(1));
    const size_t heard = HeardBytes();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(HeardBytes(), heard);
    EXPECT_LT(heard, a.bytes.size());
    EXPECT_TRUE(done_.Done().empty());

    device_.Restart();
    ASSERT_TRUE(done_.WaitFor(2));
    std::lock_guard lock(log_.mutex);
    ASSERT_EQ(log_.bytes.size(), a.bytes.size() + b.bytes.size());  // nothing lost, nothing twice
    EXPECT_EQ(log_.bytes[a.bytes.size() - 1], 1);
    EXPECT_EQ(log_.bytes[a.bytes.size()], 2);
    EXPECT_EQ(log_.starts, 2);
}

TEST_F(WaveOutTest, ResetReturnsEveryQueuedBufferInOrderAndStaysPaused) {
    Buffer a(1, 8192), b(2, 8192);
    device_.Pause();
    Queue(a);
    Queue(b);
    device_.Reset();
    ASSERT_TRUE(done_.WaitFor(2));
    EXPECT_EQ(done_.Done(), (std::vector<WaveHeader*>{&a.header, &b.header}));
    EXPECT_TRUE(device_.Unprepare(a.header));
    {
        std::unique_lock lock(log_.mutex);
        EXPECT_TRUE(log_.changed.wait_for(lock, 5s, [&] { return log_.discards == 1; }));
    }
    // Still paused: a buffer written after the reset waits for Restart.
    Queue(a);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(HeardBytes(), 0u);
    device_.Restart();
    ASSERT_TRUE(done_.WaitFor(3));
    EXPECT_EQ(HeardBytes(), a.bytes.size());
}

TEST_F(WaveOutTest, ASliceInFlightDuringAResetCountsForNothing) {
    Buffer a(1, 8192), b(2, 8192);
    SetGate(false);
    Queue(a);
    ASSERT_TRUE(WaitForConsumeEntered());
    device_.Reset();
    Queue(b);
    SetGate(true);
    ASSERT_TRUE(done_.WaitFor(2));
    EXPECT_EQ(done_.Done(), (std::vector<WaveHeader*>{&a.header, &b.header}));
    std::lock_guard lock(log_.mutex);
    // One slice of a (already handed over), then all of b from its start.
    ASSERT_EQ(log_.bytes.size(), 1024u + b.bytes.size());
    EXPECT_EQ(log_.bytes[1023], 1);
    EXPECT_EQ(log_.bytes[1024], 2);
}

TEST_F(WaveOutTest, CountsAnUnderrunWhenTheQueueRunsDryWhilePlaying) {
    Buffer a(1);
    Queue(a);
    ASSERT_TRUE(done_.WaitFor(1));
    ASSERT_TRUE(WaitForIdles(1));
    EXPECT_EQ(device_.UnderrunCount(), 1u);
    device_.Pause();
    Queue(a);
    device_.Reset();
    EXPECT_EQ(device_.UnderrunCount(), 1u);
}

TEST(WaveOutOpen, NullBackendCompletesBuffersAtTheirRealTimeDuration) {
    DoneLog done;
    std::string error;
    std::unique_ptr<WaveOut> device = WaveOut::Open("null", kPlayerWaveFormat, done, error);
    ASSERT_NE(device, nullptr) << error;
    Buffer a(0, 8192), b(0, 8192);  // 2048 frames each: 92.9 ms
    const auto start = std::chrono::steady_clock::now();
    for (Buffer* buffer : {&a, &b}) {
        device->Prepare(buffer->header);
        device->Write(buffer->header);
    }
    ASSERT_TRUE(done.WaitFor(1));
    const auto first = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(done.WaitFor(2));
    const auto both = std::chrono::steady_clock::now() - start;
    EXPECT_GE(first, 92ms);
    EXPECT_GE(both, 185ms);
    EXPECT_LT(both, 1s);
}

TEST(WaveOutOpen, RefusesUnknownBackendsAndOtherFormatsWithAReason) {
    DoneLog done;
    std::string error;
    EXPECT_EQ(WaveOut::Open("speaker", kPlayerWaveFormat, done, error), nullptr);
    EXPECT_NE(error.find("speaker"), std::string::npos) << error;
    EXPECT_EQ(WaveOut::Open("wav:", kPlayerWaveFormat, done, error), nullptr);
    WaveFormat mono = kPlayerWaveFormat;
    mono.channels = 1;
    mono.block_align = 2;
    mono.avg_bytes_per_sec = 44100;
    error.clear();
    EXPECT_EQ(WaveOut::Open("null", mono, done, error), nullptr);
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_EQ(WaveOut::Open("wav:/nonexistent-folder/out.wav", kPlayerWaveFormat, done, error), nullptr);
    EXPECT_NE(error.find("/nonexistent-folder/out.wav"), std::string::npos) << error;
}

// Without a sound card (CI), the default backend must fail with a reason instead of hanging or crashing.
// ALSA's chatter while PortAudio probes the cards stays off the terminal, and stderr works again afterwards.
TEST(WaveOutOpen, PortAudioOpensOrSaysWhyNotQuietly) {
    DoneLog done;
    std::string error;
    ::testing::internal::CaptureStderr();
    std::unique_ptr<WaveOut> device = WaveOut::Open("portaudio", kPlayerWaveFormat, done, error);
    std::fputs("still heard\n", stderr);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "still heard\n");
    if (device) GTEST_SKIP() << "this machine has a sound card";
    EXPECT_NE(error.find("PortAudio"), std::string::npos) << error;
}

}  // namespace
}  // namespace cantavo
