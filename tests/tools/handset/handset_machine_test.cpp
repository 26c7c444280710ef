// The virtual handset's checks, fed byte by byte without a terminal.
#include "tools/handset/handset_machine.h"

#include <gtest/gtest.h>

#include "tests/transfer/temp_dir.h"
#include "tools/handset/loader_check.h"
#include "transfer/loader_table.h"
#include "transfer/protocol.h"
#include "transfer/user_area.h"

namespace cantavo::handset {
namespace {

using cantavo::testing::CTempDir;
using cantavo::testing::ReadAll;

class CRecordingLine : public IHandsetLine {
public:
    void Send(std::span<const uint8_t> bytes, uint32_t baud) override {
        sent.insert(sent.end(), bytes.begin(), bytes.end());
        lastBaud = baud;
    }
    void Busy(uint32_t milliseconds) override { busyMs += milliseconds; }
    void HangUp() override { ++hangUps; }
    std::vector<uint8_t> Take() { return std::exchange(sent, {}); }

    std::vector<uint8_t> sent;
    uint32_t lastBaud = 0;
    uint32_t busyMs = 0;
    int hangUps = 0;
};

class HandsetMachine : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(flash.Open(folder / "flash.bin", error)) << error;
    }
    CHandsetMachine& Machine(HandsetSettings settings = {}) {
        machine.emplace(flash, line, settings, [](const std::string&) {});
        return *machine;
    }
    void Feed(const std::vector<uint8_t>& bytes, uint32_t baud = 115200) {
        for (uint8_t b : bytes) machine->Feed(b, baud);
    }
    void Detect() {
        Feed({0x28, 0x06, 0x53, 0x07, 0x50, 0x00, 0x54, 0x01, 0x57}, 2400);
        ASSERT_EQ(line.Take(), std::vector<uint8_t>{0x06});
    }
    // A loader as the PC sends it, with the Connect parameters; the placeholder unless given.
    void DownloadLoader(std::span<const uint8_t> loader = BuiltInLoaderTable().Image()) {
        std::vector<uint8_t> image(loader.begin(), loader.end());
        // Bytes 4..15: loader mode 0, 0x00020004, line control 3 (8 bits, no parity), little-endian.
        const uint8_t parameters[12] = {0, 0, 0, 0, 0x04, 0, 0x02, 0, 3, 0, 0, 0};
        std::copy(parameters, parameters + 12, image.begin() + 4);
        for (size_t offset = 0; offset < image.size(); offset += 30) {
            const size_t n = std::min<size_t>(30, image.size() - offset);
            Feed(protocol::LoaderFrame::Encode(std::span(image).subspan(offset, n)));
        }
        Feed({0x00, 0x00});
        line.Take();
    }
    void Connect() {
        Detect();
        DownloadLoader();
        Feed({0xAA});
        ASSERT_EQ(line.Take(), std::vector<uint8_t>{0x99});
    }

    CTempDir folder;
    CHandsetFlash flash;
    CRecordingLine line;
    std::optional<CHandsetMachine> machine;
};

TEST(LoaderCheck, TheExpectedImageWithTheConnectParametersPasses) {
    const auto expected = BuiltInLoaderTable().Image();
    std::vector<uint8_t> received(expected.begin(), expected.end());
    EXPECT_EQ(CheckLoader(received, expected, 3), "header word is not 0x00020004");  // the image's own zeros
    received[4] = 1;
    EXPECT_EQ(CheckLoader(received, expected, 3), "unexpected loader mode");
    received[4] = 0;
    received[8] = 0x04;
    received[10] = 0x02;  // 0x00020004
    EXPECT_EQ(CheckLoader(received, expected, 3), "unexpected line control word");
    received[12] = 3;  // line control for 8 bits, no parity
    EXPECT_EQ(CheckLoader(received, expected, 3), "");
    received[100] ^= 1;
    EXPECT_EQ(CheckLoader(received, expected, 3), "not the loader this handset runs");
    received[100] ^= 1;
    received[2] ^= 1;
    EXPECT_EQ(CheckLoader(received, expected, 3), "not the loader this handset runs");
    received.pop_back();
    EXPECT_EQ(CheckLoader(received, expected, 3), "loader of 5975 bytes, 5976 expected");
}

TEST_F(HandsetMachine, ANewFlashFileIsErased) {
    EXPECT_EQ(ReadAll(folder / "flash.bin"), std::vector<uint8_t>(kUserAreaBytes, 0xFF));
    CHandsetFlash other;
    std::string error;
    cantavo::testing::WriteAll(folder / "small.bin", {1, 2, 3});
    EXPECT_FALSE(other.Open(folder / "small.bin", error));
    EXPECT_NE(error.find("small.bin"), std::string::npos);
}

TEST_F(HandsetMachine, DetectionNeedsTheWakeUpAndACheckedCommandAt2400Baud) {
    Machine();
    Feed({0x06, 0x53, 0x07, 0x50, 0x00, 0x54, 0x01, 0x57}, 2400);        // no wake-up
    Feed({0x28, 0x06, 0x53, 0x07, 0x50, 0x00, 0x54, 0x01, 0x56}, 2400);  // bad XOR
    Feed({0x28, 0x06, 0x53, 0x07, 0x50, 0x00, 0x54, 0x01, 0x57}, 9600);  // wrong speed
    EXPECT_TRUE(line.sent.empty());
    Detect();
    EXPECT_EQ(line.lastBaud, 2400u);  // the ACK still at the detection speed
    EXPECT_EQ(machine->Baud(), 115200u);
}

TEST_F(HandsetMachine, FramesAreCheckedAndFramesAtTheOldSpeedAreNotHeard) {
    Machine();
    Detect();
    Feed({0x02, 0x10, 0x20, 0x33});  // bad check byte (02 ^ 10 ^ 20 = 32)
    EXPECT_EQ(line.Take(), std::vector<uint8_t>{0x15});
    Feed({0x02, 0x10, 0x20, 0x32}, 2400);  // the PC did not switch: taken for a new detection
    Feed({0x02, 0x10, 0x20, 0x32});
    EXPECT_TRUE(line.Take().empty());
}

TEST_F(HandsetMachine, EveryNthFrameIsNakedThenAcked) {
    HandsetSettings settings;
    settings.faults.nakEvery = 2;
    Machine(settings);
    Detect();
    Feed({0x01, 0x43, 0x42});
    Feed({0x01, 0x56, 0x57});
    EXPECT_EQ(line.Take(), (std::vector<uint8_t>{0x06, 0x15, 0x06}));
}

TEST_F(HandsetMachine, TheLoaderRunsOnlyWhenItIsThePlaceholderWithTheConnectParameters) {
    Machine();
    Detect();
    DownloadLoader();
    EXPECT_EQ(machine->Connections(), 1);

    Detect();  // a loader without the parameter words does not start
    const uint8_t first[30] = {'C', 'V', 'L', 'D'};
    Feed(protocol::LoaderFrame::Encode(first));
    Feed({0x00, 0x00, 0xAA});
    EXPECT_EQ(line.Take(), std::vector<uint8_t>{0x06});
    EXPECT_EQ(machine->Connections(), 1);
}

TEST_F(HandsetMachine, GivenALoaderItRunsThatOneAndNotThePlaceholder) {
    HandsetSettings settings;
    settings.loader.assign(60, 0x5C);
    Machine(settings);
    Detect();
    DownloadLoader();  // the placeholder
    EXPECT_EQ(machine->Connections(), 0);
    Detect();
    DownloadLoader(settings.loader);
    EXPECT_EQ(machine->Connections(), 1);
}

TEST_F(HandsetMachine, TheUserAreaIsReadInGroupsOfEight) {
    std::vector<uint8_t> pattern(16);
    for (int i = 0; i < 16; ++i) pattern[i] = static_cast<uint8_t>(i);
    flash.Write(0, pattern);
    Machine();
    Connect();
    Feed({0xAA, 0x99});
    EXPECT_EQ(line.Take(), (std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 6, 7}));
    Feed({0x99});
    EXPECT_EQ(line.Take(), (std::vector<uint8_t>{8, 9, 10, 11, 12, 13, 14, 15}));
}

TEST_F(HandsetMachine, EraseThenABlockUnderTheCreditWindow) {
    HandsetSettings settings;
    settings.eraseMs = 250;
    Machine(settings);
    Connect();
    flash.Write(100, std::vector<uint8_t>{1, 2, 3});
    Feed({0xBB});
    EXPECT_EQ(line.Take(), std::vector<uint8_t>{0xDD});
    EXPECT_EQ(line.busyMs, 250u);
    EXPECT_EQ(flash.Bytes()[100], 0xFF);

    std::vector<uint8_t> data(20);
    for (int i = 0; i < 20; ++i) data[i] = static_cast<uint8_t>(i + 1);  // sum 210 = 0xD2
    Feed({0xAA, 20, 0, 0xD2});
    Feed(std::vector<uint8_t>(data.begin(), data.begin() + 12));
    EXPECT_EQ(line.Take(), std::vector<uint8_t>{16});  // header and 12 bytes
    Feed(std::vector<uint8_t>(data.begin() + 12, data.end()));
    EXPECT_EQ(line.Take(), (std::vector<uint8_t>{8, 0x99}));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), ReadAll(folder / "flash.bin").begin()));
    EXPECT_EQ(machine->BlocksProgrammed(), 1u);
}

TEST_F(HandsetMachine, ABlockWithAWrongChecksumIsRefusedAndNotWritten) {
    Machine();
    Connect();
    Feed({0xBB});
    line.Take();
    Feed({0xAA, 4, 0, 0x00, 1, 2, 3, 4});
    EXPECT_EQ(line.Take(), (std::vector<uint8_t>{8, 0x15}));
    EXPECT_EQ(flash.Bytes()[0], 0xFF);
}

TEST_F(HandsetMachine, TheLeaveByteAndANewDetectionMakeItReadyAgain) {
    Machine();
    Connect();
    Feed({0xDD});
    Detect();
    DownloadLoader();
    Feed({0xAA, 0x99}, 2400);  // the PC started over at 2400 baud mid-session
    EXPECT_TRUE(line.Take().empty());
    Detect();
    EXPECT_EQ(machine->Connections(), 2);
}

}  // namespace
}  // namespace cantavo::handset
