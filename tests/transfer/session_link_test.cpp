// The byte-level exchange, synchronisation and the loader download against a scripted far end.
#include <gtest/gtest.h>

#include "tests/transfer/session_fixture.h"
#include "transfer/protocol.h"
#include "transfer/session_texts.h"

namespace cantavo::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The window and cantavo-cli both hand the session the port as the user named it.
TEST_F(SessionOnPty, APortNamedComNGoesThroughThePortMapAnyOtherNameIsADevice) {
    session.SetPortMap({{"COM3", "/dev/ttyS7"}});
    session.SetPortName("COM3");
    EXPECT_EQ(session.Port(), 3);
    EXPECT_EQ(session.PortDevice(), "");
    EXPECT_EQ(session.PortDevicePath(), "/dev/ttyS7");

    session.SetPortName("COM3x");  // not COM3
    EXPECT_EQ(session.PortDevicePath(), "COM3x");
    session.SetPortName("/dev/ttyUSB1");
    EXPECT_EQ(session.PortDevicePath(), "/dev/ttyUSB1");
    session.SetPortName("COM3");  // a COM name after a device path drops the device
    EXPECT_EQ(session.PortDevicePath(), "/dev/ttyS7");
}

TEST_F(SessionOnPty, NakThenAckIsAnAcknowledgement) {
    pty.Write({0x15, 0x06});
    EXPECT_EQ(session.WaitForAck(), 1);
}

TEST_F(SessionOnPty, NakThenSilenceFailsAfterTheAckTimeout) {
    pty.Write({0x15});
    const auto start = Clock::now();
    EXPECT_EQ(session.WaitForAck(), 0);
    EXPECT_GE(Clock::now() - start, 100ms);
}

TEST_F(SessionOnPty, AnyOtherAnswerFailsAtOnce) {
    pty.Write({0x41, 0x06});
    EXPECT_EQ(session.WaitForAck(), 0);
}

TEST_F(SessionOnPty, ReadByteTimeoutWaitsItsTimeForALateByte) {
    FarEnd([&] {
        std::this_thread::sleep_for(30ms);
        pty.Write({0x5A});
    });
    uint8_t byte = 0;
    EXPECT_EQ(session.ReadByteTimeout(5000, byte), 1);
    EXPECT_EQ(byte, 0x5A);
    const auto start = Clock::now();
    EXPECT_EQ(session.ReadByteTimeout(50, byte), 0);
    EXPECT_GE(Clock::now() - start, 50ms);
}

TEST_F(SessionOnPty, SynchronisationAnsweredWithARequestGetsItsAnswer) {
    std::vector<uint8_t> seen;
    FarEnd([&] {
        seen = pty.Read(1);
        pty.Write({0xAA});
        const auto answer = pty.Read(1);
        seen.insert(seen.end(), answer.begin(), answer.end());
    });
    EXPECT_EQ(session.Synchronize(), 1);
    JoinFarEnd();
    EXPECT_EQ(seen, (std::vector<uint8_t>{0xAA, 0x99}));
}

TEST_F(SessionOnPty, SynchronisationSkipsNoiseAndFailsOnSilence) {
    FarEnd([&] {
        pty.Read(1);
        pty.Write({0x13, 0x99});
    });
    EXPECT_EQ(session.Synchronize(), 1);
    JoinFarEnd();
    EXPECT_EQ(session.Synchronize(), 0);
}

TEST_F(SessionOnPty, DetectionSendsTheWakeUpAndTheLineSpeedCommand) {
    std::vector<uint8_t> seen;
    FarEnd([&] {
        seen = pty.Read(9);
        pty.Write({0x06});
    });
    EXPECT_EQ(session.DetectTarget(), 1);
    JoinFarEnd();
    EXPECT_EQ(seen, (std::vector<uint8_t>{0x28, 0x06, 0x53, 0x07, 0x50, 0x00, 0x54, 0x01, 0x57}));
}

// Acknowledges every frame and returns their data lengths, the end frame as 0.
std::vector<size_t> AcknowledgeFrames(const CPtyPair& pty, std::vector<uint8_t>& firstFrame) {
    std::vector<size_t> lengths;
    for (;;) {
        const auto length = pty.ReadByte();
        if (!length) return lengths;
        const auto rest = pty.Read(*length + 1u);
        if (lengths.empty()) firstFrame = rest;
        lengths.push_back(*length);
        if (*length == 0) return lengths;
        pty.Write({0x06});
    }
}

TEST_F(SessionOnPty, TheLoaderGoesInTwoHundredFramesThenTheEndFrame) {
    std::vector<size_t> lengths;
    std::vector<uint8_t> first;
    FarEnd([&] { lengths = AcknowledgeFrames(pty, first); });
    EXPECT_EQ(session.DownloadLoader(), 1);
    JoinFarEnd();
    ASSERT_EQ(lengths.size(), 201u);
    EXPECT_EQ(std::count(lengths.begin(), lengths.end(), 30u), 199);
    EXPECT_EQ(lengths[199], 6u);
    EXPECT_EQ(lengths[200], 0u);
    // Bytes 4..15: loader mode 0, 0x00020004, line control 3 (little-endian); then the check byte.
    ASSERT_EQ(first.size(), 31u);
    EXPECT_EQ(std::vector<uint8_t>(first.begin() + 4, first.begin() + 16),
              (std::vector<uint8_t>{0, 0, 0, 0, 0x04, 0, 0x02, 0, 3, 0, 0, 0}));
    uint8_t check = 30;
    for (size_t i = 0; i < 30; ++i) check ^= first[i];
    EXPECT_EQ(first[30], check);
    EXPECT_TRUE(view.Logged(texts::kConnecting));
    EXPECT_TRUE(view.Logged(texts::kConnectedCompletely));
    EXPECT_TRUE(view.LoggedStartingWith("Downloading Loader. Done ("));
    EXPECT_EQ(view.Progress().back(), 0);
    EXPECT_EQ(pty.SlaveSpeed(), B115200);
}

TEST_F(SessionOnPty, ALoaderOfWholeFramesEndsWithAFullFrameThenTheEndFrame) {
    std::vector<uint8_t> table(kLoaderTableBytes, 0);
    table[0] = 60;
    WriteAll(folder / "sixty.ldr", table);
    ASSERT_EQ(session.LoadLoaderFile(folder / "sixty.ldr"), 1);
    std::vector<size_t> lengths;
    std::vector<uint8_t> first;
    FarEnd([&] { lengths = AcknowledgeFrames(pty, first); });
    EXPECT_EQ(session.DownloadLoader(), 1);
    JoinFarEnd();
    EXPECT_EQ(lengths, (std::vector<size_t>{30, 30, 0}));
}

TEST_F(SessionOnPty, AnUnacknowledgedFrameEndsTheDownload) {
    FarEnd([&] { pty.Read(32); });
    EXPECT_EQ(session.DownloadLoader(), 0);
    EXPECT_EQ(view.Titles().back(), texts::kTitleResting);
}

TEST_F(SessionOnPty, ARejectedLoaderFileIsReportedAndTheBuiltInOneKept) {
    WriteAll(folder / "short.ldr", {1, 2, 3});
    EXPECT_EQ(session.LoadLoaderFile(folder / "short.ldr"), 0);
    EXPECT_TRUE(
        view.Logged("Loader file refused: " + (folder / "short.ldr").string() +
                    ": 3 bytes, neither a loader table (11960 bytes) nor a loader image (30 to 5976 bytes)"));
}

}  // namespace
}  // namespace cantavo::testing
