// The exchange against far ends on a scripted port: its time-outs to the millisecond on the port's own clock,
// and line faults.
#include <gtest/gtest.h>

#include <memory>

#include "tests/transfer/recording_view.h"
#include "tests/transfer/scripted_handset.h"
#include "tests/transfer/scripted_port.h"
#include "tests/transfer/temp_dir.h"
#include "transfer/handset_session.h"
#include "transfer/scramble.h"
#include "transfer/session_texts.h"
#include "transfer/user_area.h"

namespace cantavo::testing {
namespace {

using namespace std::chrono_literals;

constexpr uint8_t kNak = 0x15;
constexpr uint8_t kAck = 0x06;
constexpr size_t kGroups = kUserAreaBytes / 8;

// Byte i of the area as a far end sends it in these tests.
uint8_t AreaByte(size_t i) {
    return static_cast<uint8_t>(i * 7 + i / 8);
}

class SessionOnScriptedPort : public ::testing::Test {
protected:
    SessionOnScriptedPort() {
        auto owned = std::make_unique<CScriptedPort>();
        port = owned.get();
        session = std::make_unique<CHandsetSession>(view, std::move(owned));
    }
    void SetUp() override {
        session->SetPortDevice("/dev/ttyScripted");
        session->Initialise(folder.Path());
        ASSERT_EQ(session->InitSerialPort(115200), 1);
    }
    ISerialPort::Clock::duration Elapsed() const { return port->Now() - start; }

    // A far end answering every read request with the next 8 bytes of the area, in two pieces: `head` bytes
    // `first` after the request, the rest `gap` later; group `lateGroup` takes `lateGap` instead.
    void AnswerReadsInPieces(size_t head, ISerialPort::Clock::duration first,
                             ISerialPort::Clock::duration gap, size_t lateGroup = kGroups,
                             ISerialPort::Clock::duration lateGap = {}) {
        port->SetOnWrite(
            [=, group = size_t{0}](CScriptedPort& line, std::span<const uint8_t> written) mutable {
                if (written.back() != 0x99) return;
                std::vector<uint8_t> bytes(8);
                for (size_t i = 0; i < 8; ++i) bytes[i] = AreaByte(group * 8 + i);
                line.Deliver(std::span(bytes).first(head), first);
                line.Deliver(std::span(bytes).subspan(head), first + (group == lateGroup ? lateGap : gap));
                ++group;
            });
    }

    CTempDir folder;
    CRecordingView view;
    CScriptedPort* port = nullptr;
    std::unique_ptr<CHandsetSession> session;
    ISerialPort::Clock::time_point start{};
};

TEST_F(SessionOnScriptedPort, AfterANakTheAcknowledgementHasItsWholeTimeAgain) {
    start = port->Now();
    port->Deliver({kNak}, 30ms);
    port->Deliver({kAck}, 129ms);
    EXPECT_EQ(session->WaitForAck(), 1);
    EXPECT_EQ(Elapsed(), 129ms);

    start = port->Now();
    port->Deliver({kNak}, 30ms);
    port->Deliver({kAck}, 131ms);
    EXPECT_EQ(session->WaitForAck(), 0);
    EXPECT_EQ(Elapsed(), 130ms);
}

TEST_F(SessionOnScriptedPort, ABabblingLineEndsTheWaitsThatSkipBytes) {
    const std::vector<uint8_t> naks(300, kNak);
    start = port->Now();
    port->Deliver(naks, 1ms);
    EXPECT_EQ(session->WaitForAck(), 0);
    EXPECT_LT(Elapsed(), 100ms);

    ASSERT_EQ(session->InitSerialPort(115200), 1);  // a fresh line
    const std::vector<uint8_t> noise(300, 0x13);
    port->SetOnWrite([&](CScriptedPort& line, std::span<const uint8_t>) { line.Deliver(noise, 1ms); });
    start = port->Now();
    EXPECT_EQ(session->Synchronize(), 0);
    EXPECT_LT(Elapsed(), 100ms);

    ASSERT_EQ(session->InitSerialPort(115200), 1);
    // A loader that answers every write with credit that frees nothing: the block ends as if it had stopped.
    port->SetOnWrite([](CScriptedPort& line, std::span<const uint8_t> written) {
        if (written.size() > 1) line.Deliver(std::vector<uint8_t>(300, 0), 1ms);
    });
    std::vector<uint8_t> block(64, 0x41);
    start = port->Now();
    EXPECT_EQ(session->SendBlock(block.data(), 64), 0);
    EXPECT_TRUE(view.Logged(texts::kFlashWritingErrorLog));
    EXPECT_LT(Elapsed(), 2s);
}

TEST_F(SessionOnScriptedPort, ABlockWhoseHeaderDidNotAllGoOutHasFailed) {
    // A loader that takes anything and confirms the block: the PC must not believe it.
    port->SetOnWrite([](CScriptedPort& line, std::span<const uint8_t> written) {
        if (written.size() > 1) line.Deliver({0xFF, 0x99});
    });
    std::vector<uint8_t> block(64, 0x41);
    port->LimitNextWrite(0);
    EXPECT_EQ(session->SendBlock(block.data(), 64), 0);
    EXPECT_TRUE(port->Written().empty());
}

TEST_F(SessionOnScriptedPort, AGroupInPiecesIsReadWhenEachByteComesWithinItsTime) {
    // 10 ms to the first three bytes, 199 ms on to the other five: 209 ms a group, 16384 groups.
    AnswerReadsInPieces(3, 10ms, 199ms);
    start = port->Now();
    ASSERT_EQ(session->ReadUserArea(), 1);
    EXPECT_EQ(Elapsed(), 209ms * kGroups);
    EXPECT_TRUE(view.Logged("Dumping File finished (3424.3s)"));
    std::vector<uint8_t> expected(kUserAreaBytes);
    for (size_t i = 0; i < expected.size(); ++i) expected[i] = AreaByte(i);
    ScrambleBytes(expected.data(), expected.size());
    EXPECT_EQ(ReadAll(session->ImageFile()), expected);
    EXPECT_EQ(view.Progress().back(), 0);
}

TEST_F(SessionOnScriptedPort, AByteLaterThanItsTimeEndsTheReadWithWhatCameBefore) {
    AnswerReadsInPieces(3, 10ms, 1ms, 100, 201ms);
    start = port->Now();
    EXPECT_EQ(session->ReadUserArea(), 0);
    EXPECT_EQ(Elapsed(), 11ms * 100 + 10ms + 200ms);
    EXPECT_TRUE(view.Notified(texts::kUserDataLoadingError));
    EXPECT_EQ(ReadAll(session->ImageFile()).size(), 100u * 8);
}

TEST_F(SessionOnScriptedPort, TheEraseHasItsTenSecondsWhateverElseTheLineBrings) {
    WriteAll(folder / "own.ldr", std::vector<uint8_t>(64, 0x5A));
    ASSERT_EQ(session->LoadLoaderFile(folder / "own.ldr"), 1);
    handset::HandsetSettings settings;
    settings.loader.assign(64, 0x5A);
    CScriptedHandset handset(*port, settings);
    std::string error;
    ASSERT_TRUE(handset.Open(folder / "flash.bin", error)) << error;
    session->OnConnect();
    session->OnTimer(0);
    session->WaitForWorker();
    ASSERT_TRUE(session->IsConnected());

    // Noise every 9 s and never the erase answer.
    port->SetOnWrite([](CScriptedPort& line, std::span<const uint8_t> written) {
        if (written.back() != 0xBB) return;
        for (int i = 1; i <= 5; ++i) line.Deliver({0x00}, 9s * i);
    });
    const auto before = ReadAll(session->WorkFile());
    view.Clear();
    start = port->Now();
    EXPECT_EQ(session->OnDownload(), 0);
    EXPECT_EQ(Elapsed(), 10s);
    EXPECT_TRUE(view.Logged(texts::kEraseNoAnswer));
    EXPECT_EQ(view.MessageBoxes(), std::vector<std::string>{texts::kDownloadIncomplete});
    EXPECT_EQ(ReadAll(session->WorkFile()), before);
}

}  // namespace
}  // namespace cantavo::testing
