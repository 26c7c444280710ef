#include "serial/serial_comm.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "serial/serial_ports.h"

#include "tests/serial/pty_pair.h"

namespace cantavo {
namespace {

using namespace std::chrono_literals;
using testing::CPtyPair;

class SerialCommTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Valid());
        ASSERT_EQ(port.OpenPort(pty.SlavePath(), 115200), 1);
    }
    CPtyPair pty;
    CSerialComm port;
};

TEST_F(SerialCommTest, ReadReturnsNothingAtOnceWhenNothingArrived) {
    uint8_t byte = 0;
    EXPECT_EQ(port.ReadComm(&byte, 1), 0u);
}

TEST_F(SerialCommTest, ReadTakesAtMostWhatIsAskedAndLeavesTheRestQueued) {
    pty.Write({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    ASSERT_TRUE(port.WaitForInput(CSerialComm::Clock::now() + 2s, 1));
    std::this_thread::sleep_for(20ms);  // let all ten arrive
    uint8_t buffer[16] = {};
    ASSERT_EQ(port.ReadComm(buffer, 1), 1u);
    EXPECT_EQ(buffer[0], 1);
    uint32_t total = 0;
    while (total < 9 && port.WaitForInput(CSerialComm::Clock::now() + 2s, 1))
        total += port.ReadComm(buffer + total, 16);
    ASSERT_EQ(total, 9u);
    EXPECT_EQ(buffer[0], 2);
    EXPECT_EQ(buffer[8], 10);
    EXPECT_EQ(port.BytesRead(), 10u);
}

TEST_F(SerialCommTest, WaitForInputEndsAtTheDeadlineOrWhenABytesComes) {
    EXPECT_FALSE(port.WaitForInput(CSerialComm::Clock::now() + 30ms, 1));
    std::thread farEnd([&] {
        std::this_thread::sleep_for(50ms);
        pty.Write({0x42});
    });
    EXPECT_TRUE(port.WaitForInput(CSerialComm::Clock::now() + 5s, 1));
    farEnd.join();
    uint8_t byte = 0;
    EXPECT_EQ(port.ReadComm(&byte, 1), 1u);
    EXPECT_EQ(byte, 0x42);
}

TEST_F(SerialCommTest, AGroupSplitAcrossDeliveriesIsReadWholeAndInOrder) {
    std::thread farEnd([&] {
        pty.Write({1, 2, 3});
        std::this_thread::sleep_for(30ms);
        pty.Write({4, 5, 6, 7, 8});
    });
    uint8_t group[8] = {};
    uint32_t total = 0;
    const auto start = CSerialComm::Clock::now();
    while (total < 8 && port.WaitForInput(CSerialComm::Clock::now() + 2s, 8 - total))
        total += port.ReadComm(group + total, 8 - total);
    farEnd.join();
    ASSERT_EQ(total, 8u);
    EXPECT_EQ(std::vector<uint8_t>(group, group + 8), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    // Waiting for the rest of a group never takes the place of the deadline.
    EXPECT_LT(CSerialComm::Clock::now() - start, 1s);
    EXPECT_FALSE(port.WaitForInput(CSerialComm::Clock::now() + 20ms, 8));
}

// Once answers are seen trickling in, the port sleeps through the line time of each answer before looking:
// answers that come as the line allows, late ones and missing ones must all still end as before.
TEST_F(SerialCommTest, OnALineThatBringsBytesOneByOneEveryAnswerIsStillTakenWholeAndInTime) {
    constexpr int kExchanges = 40;
    const auto byteTime = 87us;  // 10 bits at 115200 baud
    std::thread farEnd([&] {
        for (int i = 0; i < kExchanges; ++i) {
            uint8_t request = 0;
            while (read(pty.Master(), &request, 1) != 1) std::this_thread::sleep_for(50us);
            if (i == kExchanges - 2) std::this_thread::sleep_for(60ms);  // a slow answer
            if (i == kExchanges - 1) return;                             // and none
            for (uint8_t k = 0; k < 8; ++k) {
                std::this_thread::sleep_for(byteTime);
                pty.Write({static_cast<uint8_t>(request + k)});
            }
        }
    });
    for (int i = 0; i < kExchanges - 1; ++i) {
        const uint8_t request = static_cast<uint8_t>(i * 8);
        ASSERT_EQ(port.WriteComm(&request, 1), 1u);
        uint8_t group[8] = {};
        uint32_t total = 0;
        while (total < 8 && port.WaitForInput(CSerialComm::Clock::now() + 2s, 8 - total))
            total += port.ReadComm(group + total, 8 - total);
        ASSERT_EQ(total, 8u) << "exchange " << i;
        for (uint8_t k = 0; k < 8; ++k) EXPECT_EQ(group[k], request + k) << "exchange " << i;
    }
    const uint8_t last = 0xF0;
    ASSERT_EQ(port.WriteComm(&last, 1), 1u);
    const auto start = CSerialComm::Clock::now();
    EXPECT_FALSE(port.WaitForInput(start + 30ms, 8));
    const auto waited = CSerialComm::Clock::now() - start;
    EXPECT_GE(waited, 30ms);
    EXPECT_LT(waited, 1s);
    farEnd.join();
}

TEST_F(SerialCommTest, AHungUpLineEndsTheWaitInsteadOfSpinningToTheDeadline) {
    pty.CloseMaster();
    const auto start = CSerialComm::Clock::now();
    EXPECT_FALSE(port.WaitForInput(start + 10s, 1));
    EXPECT_LT(CSerialComm::Clock::now() - start, 5s);
    const uint8_t byte = 0xDD;
    EXPECT_EQ(port.WriteComm(&byte, 1), 0u);
}

TEST_F(SerialCommTest, TheLineSpeedFollowsOpenAndFormatChanges) {
    EXPECT_EQ(pty.SlaveSpeed(), B115200);
    EXPECT_EQ(port.SetLineFormat(2400, 8, 0, 0), 1);
    EXPECT_EQ(pty.SlaveSpeed(), B2400);
    EXPECT_EQ(port.SetLineFormat(12345, 8, 0, 0), 0);  // no such speed
}

TEST_F(SerialCommTest, BytesWrittenJustBeforeAFormatChangeOrACloseAreDelivered) {
    const uint8_t endFrame[] = {0x00, 0x00};
    EXPECT_EQ(port.WriteComm(endFrame, 2), 2u);
    port.SetLineFormat(2400, 8, 0, 0);
    const uint8_t leave = 0xDD;
    EXPECT_EQ(port.WriteComm(&leave, 1), 1u);
    port.ClosePort();
    EXPECT_EQ(pty.Read(3), (std::vector<uint8_t>{0x00, 0x00, 0xDD}));
}

TEST_F(SerialCommTest, ReopeningDropsOldInputButDeliversOutputStillQueued) {
    const uint8_t endFrame[] = {0x00, 0x00};
    port.WriteComm(endFrame, 2);
    pty.Write({0x77, 0x78});
    std::this_thread::sleep_for(20ms);
    port.ClosePort();
    ASSERT_EQ(port.OpenPort(pty.SlavePath(), 2400), 1);
    uint8_t byte = 0;
    EXPECT_EQ(port.ReadComm(&byte, 1), 0u);
    EXPECT_EQ(pty.Read(2), (std::vector<uint8_t>{0x00, 0x00}));
}

TEST_F(SerialCommTest, APortHeldByAnotherIsRefusedAsBusyAndFreeAgainAfterClose) {
    CSerialComm other;
    EXPECT_EQ(other.OpenPort(pty.SlavePath(), 115200), 0);
    EXPECT_EQ(other.LastFailure(), OpenFailure::kBusy);
    EXPECT_FALSE(other.IsOpen());
    port.ClosePort();
    EXPECT_EQ(other.OpenPort(pty.SlavePath(), 115200), 1);
}

TEST(SerialCommOpen, FailuresSayWhy) {
    CSerialComm port;
    EXPECT_EQ(port.OpenPort("/dev/cantavo-no-such-port", 2400), 0);
    EXPECT_EQ(port.LastFailure(), OpenFailure::kNotFound);
    EXPECT_FALSE(port.LastErrorText().empty());

    const auto file = std::filesystem::temp_directory_path() / "cantavo-serial-not-a-tty";
    {
        FILE* f = std::fopen(file.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }
    EXPECT_EQ(port.OpenPort(file.string(), 2400), 0);
    EXPECT_EQ(port.LastFailure(), OpenFailure::kNotSerial);
    std::filesystem::remove(file);
    EXPECT_EQ(port.ClosePort(), 0);
}

TEST(SerialCommOpen, ComNumbersMapToDevices) {
    CSerialComm port;
    EXPECT_EQ(port.DeviceForPort(1), "/dev/ttyS0");
    EXPECT_EQ(port.DeviceForPort(8), "/dev/ttyS7");
    port.SetPortMap({{"COM3", "/dev/ttyUSB0"}});
    EXPECT_EQ(port.DeviceForPort(3), "/dev/ttyUSB0");
    EXPECT_EQ(port.DeviceForPort(4), "/dev/ttyS3");
}

TEST(SerialCommOpen, OpeningByNumberGoesThroughTheMap) {
    CPtyPair pty;
    ASSERT_TRUE(pty.Valid());
    CSerialComm port;
    port.SetPortMap({{"COM5", pty.SlavePath()}});
    EXPECT_EQ(port.OpenPort(5, 2400), 1);
    EXPECT_EQ(port.PortName(), "COM5");
    EXPECT_EQ(pty.SlaveSpeed(), B2400);
}

// The virtual handset is a pseudo-terminal's slave end; a serial port, a master end, a file or nothing is
// not.
TEST(PseudoTerminal, OnlyASlaveEndIsOneSymbolicLinksFollowed) {
    CPtyPair pty;
    ASSERT_TRUE(pty.Valid());
    EXPECT_TRUE(IsPseudoTerminal(pty.SlavePath()));
    const auto folder = std::filesystem::temp_directory_path() / ("cantavo-pty-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::filesystem::create_symlink(pty.SlavePath(), folder / "handset");
    EXPECT_TRUE(IsPseudoTerminal((folder / "handset").string()));
    std::ofstream(folder / "file") << "x";
    EXPECT_FALSE(IsPseudoTerminal((folder / "file").string()));
    EXPECT_FALSE(IsPseudoTerminal((folder / "missing").string()));
    std::filesystem::remove_all(folder);
    EXPECT_FALSE(IsPseudoTerminal("/dev/null"));
    EXPECT_FALSE(IsPseudoTerminal("/dev/ptmx"));  // the master side
    if (std::filesystem::exists("/dev/ttyS0")) {
        EXPECT_FALSE(IsPseudoTerminal("/dev/ttyS0"));
    }
}

}  // namespace
}  // namespace cantavo
