// The session driven as the window drives it, against the virtual handset on a pseudo-terminal.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "tests/transfer/recording_view.h"
#include "tests/transfer/temp_dir.h"
#include "tools/handset/virtual_handset.h"
#include "transfer/handset_session.h"
#include "transfer/scramble.h"
#include "transfer/session_texts.h"
#include "transfer/user_area.h"

namespace cantavo::testing {
namespace {

using namespace std::chrono_literals;
using handset::CVirtualHandset;
using handset::HandsetSettings;

// Bytes the PC sends to connect: detection 9, loader 199 * 32 + 8 + end frame 2, sync 1, read 1 + 16384.
constexpr uint64_t kConnectBytes = 9 + 199 * 32 + 8 + 2 + 1 + 1 + 16384;
constexpr int kMaxDetectionTicks = 30;

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override { session.Initialise(folder.Path()); }
    void TearDown() override {
        session.OnExit();
        if (handset) handset->Stop();
        if (server.joinable()) server.join();
    }

    void StartHandset(HandsetSettings settings = {}, bool realtime = false) {
        handset::HandsetOptions options;
        options.flash = folder / "flash.bin";
        options.settings = settings;
        options.realtime = realtime;
        handset = std::make_unique<CVirtualHandset>(options);
        handset->SetNewDeviceHandler([this](const std::string&) { ++newDevices; });
        std::string error;
        ASSERT_TRUE(handset->Open(error)) << error;
        server = std::thread([this] { handset->Run(); });
        session.SetPortDevice(handset->DevicePath());
    }

    // Connect, detection ticks (faster than the window's second) until the worker starts, then its end.
    bool Connect(CHandsetSession& which, CRecordingView& itsView) {
        which.OnConnect();
        for (int tick = 0; tick < kMaxDetectionTicks && itsView.TimerRunning(); ++tick) {
            which.OnTimer(0);
            if (itsView.TimerRunning()) std::this_thread::sleep_for(20ms);
        }
        which.WaitForWorker();
        return which.IsConnected();
    }
    bool Connect() { return Connect(session, view); }

    void InsertMelody(int slot, const std::string& name, const std::vector<uint8_t>& melody) {
        WriteAll(folder / name, melody);
        session.OnSelectSlot(slot);
        session.SelectSourceFile(folder / name);
        ASSERT_EQ(session.InsertFile(), 1);
    }
    std::vector<uint8_t> Flash() const { return ReadAll(folder / "flash.bin"); }
    std::vector<uint8_t> Work() const { return ReadAll(session.WorkFile()); }
    bool Aborted() const { return view.Logged(texts::kProgramTerminated) && view.Logged(texts::kSeparator); }

    CTempDir folder;
    CRecordingView view;
    std::unique_ptr<CVirtualHandset> handset;
    std::atomic<int> newDevices{0};
    std::thread server;
    CHandsetSession session{view};
};

std::vector<uint8_t> Melody(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 13);
    return bytes;
}

TEST_F(EndToEnd, ConnectReadsTheFlashIntoTheImageScrambled) {
    std::vector<uint8_t> flash(kUserAreaBytes);
    for (size_t i = 0; i < flash.size(); ++i) flash[i] = static_cast<uint8_t>(i * 7 + i / 251);
    const char title[] = "Alarm";
    std::copy(title, title + 5, flash.begin() + SlotOffset(3));
    std::fill_n(flash.begin() + SlotOffset(3) + 5, 27, 0);
    WriteAll(folder / "flash.bin", flash);
    StartHandset();

    ASSERT_TRUE(Connect());
    auto expected = flash;
    ScrambleBytes(expected.data(), expected.size());
    EXPECT_EQ(ReadAll(session.ImageFile()), expected);
    EXPECT_EQ(Work(), expected);
    EXPECT_EQ(view.Names()[3], "Alarm");
    EXPECT_TRUE(view.Logged(texts::kTargetDetected));
    EXPECT_TRUE(view.LoggedStartingWith("Dumping File finished ("));
    EXPECT_TRUE(view.CommandsEnabled());
    EXPECT_EQ(view.Titles().back(), texts::kTitleResting);
}

TEST_F(EndToEnd, InsertDownloadReconnectAndReadBack) {
    StartHandset();
    ASSERT_TRUE(Connect());
    const auto tune = Melody(3000, 5);
    InsertMelody(10, "tune.mmf", tune);
    const auto downloaded = Work();
    EXPECT_EQ(session.OnDownload(), 1);
    EXPECT_TRUE(view.Logged(texts::kEraseComplete));
    EXPECT_TRUE(view.Logged(texts::kWriteSuccess));
    EXPECT_TRUE(view.LoggedStartingWith("Programming File finished ("));

    // The handset holds the slot unscrambled: the title, the melody, zeros.
    const auto flash = Flash();
    const auto slot = BuildSlot(10, "tune", tune);
    EXPECT_TRUE(std::equal(slot.begin(), slot.end(), flash.begin() + 0x18000));

    view.Clear();
    ASSERT_TRUE(Connect());  // asks "Do you want to connect?", answered OK
    EXPECT_EQ(ReadAll(session.ImageFile()), downloaded);
    EXPECT_EQ(view.Names()[10], "tune");
}

TEST_F(EndToEnd, AHandsetLeftOnTheCableTakesTheNextProgramAfterTheLeaveByte) {
    StartHandset();
    ASSERT_TRUE(Connect());
    session.OnExit();
    CRecordingView otherView;
    CHandsetSession other(otherView);
    other.Initialise(folder / "");
    other.SetPortDevice(handset->DevicePath());
    EXPECT_TRUE(Connect(other, otherView));
    other.OnExit();
    EXPECT_EQ(handset->Connections(), 2);
}

TEST_F(EndToEnd, NakedFramesAndALoaderThatAsksFirstStillConnect) {
    HandsetSettings settings;
    settings.faults.nakEvery = 7;
    settings.syncAskFirst = true;
    StartHandset(settings);
    EXPECT_TRUE(Connect());
}

TEST_F(EndToEnd, ALostByteDuringTheLoaderAbortsAndTheNextConnectWorks) {
    HandsetSettings settings;
    settings.faults.dropAfter = 100;
    StartHandset(settings);
    EXPECT_FALSE(Connect());
    EXPECT_TRUE(Aborted());
    EXPECT_TRUE(view.ConnectEnabled());
    EXPECT_FALSE(view.CommandsEnabled());
    EXPECT_TRUE(Connect());
}

TEST_F(EndToEnd, WhatTheWorkerEnablesLastIsUsableAtOnce) {
    // The window acts on the worker's enabling calls while the worker thread is still ending.
    std::vector<bool> busyWhenEnabled;
    view.onEnable = [&] { busyWhenEnabled.push_back(session.IsWorkerRunning()); };
    HandsetSettings settings;
    settings.faults.dropAfter = 100;
    StartHandset(settings);
    EXPECT_FALSE(Connect());  // aborted: Connect enabled again
    EXPECT_TRUE(Connect());   // completed: every command enabled
    ASSERT_FALSE(busyWhenEnabled.empty());
    EXPECT_EQ(std::count(busyWhenEnabled.begin(), busyWhenEnabled.end(), true), 0);
}

TEST_F(EndToEnd, AStallDuringTheReadReportsTheLoadingError) {
    HandsetSettings settings;
    settings.faults.stallAfter = kConnectBytes - 8000;
    StartHandset(settings);
    EXPECT_FALSE(Connect());
    EXPECT_TRUE(view.Notified(texts::kUserDataLoadingError));
    EXPECT_TRUE(Aborted());
    EXPECT_TRUE(Connect());
}

TEST_F(EndToEnd, AHangUpEndsTheConnectionAndTheNewLineWorks) {
    HandsetSettings settings;
    settings.faults.hangUpAfter = 3000;
    StartHandset(settings);
    EXPECT_FALSE(Connect());
    EXPECT_TRUE(Aborted());
    // The handset serves a new line (which may reuse the old device's number).
    for (int i = 0; i < 500 && newDevices == 0; ++i) std::this_thread::sleep_for(10ms);
    ASSERT_EQ(newDevices, 1);
    session.SetPortDevice(handset->DevicePath());
    EXPECT_TRUE(Connect());
}

TEST_F(EndToEnd, AStallDuringProgrammingReportsTheFlashErrorAndKeepsTheWorkingImage) {
    HandsetSettings settings;
    settings.faults.stallAfter = kConnectBytes + 1 + 3000;
    StartHandset(settings);
    ASSERT_TRUE(Connect());
    InsertMelody(0, "one.mmf", Melody(200, 1));
    const auto before = Work();
    EXPECT_EQ(session.OnDownload(), 0);
    EXPECT_TRUE(view.Logged(texts::kFlashWritingErrorLog));
    EXPECT_TRUE(view.Logged(texts::kSendBlockError));
    EXPECT_TRUE(view.Notified(texts::kFlashWritingError));
    EXPECT_TRUE(view.Titles().back() == texts::kTitleFlashError);
    EXPECT_EQ(Work(), before);
    // Connecting again wakes the handset; the download then goes through.
    ASSERT_TRUE(Connect());
    InsertMelody(0, "one.mmf", Melody(200, 1));
    EXPECT_EQ(session.OnDownload(), 1);
}

TEST_F(EndToEnd, MissingEraseAnswerRefusedBlockAndGenerousCreditEachEndWithTheirReport) {
    HandsetSettings settings;
    settings.faults.noEraseAnswer = true;
    settings.faults.badChecksum = 3;
    settings.faults.overCredit = 40;
    StartHandset(settings);
    ASSERT_TRUE(Connect());
    const auto song = Melody(8000, 9);
    InsertMelody(1, "two.mmf", song);
    const auto before = Work();

    EXPECT_EQ(session.OnDownload(), 0);  // 10 s without the erase answer
    EXPECT_TRUE(view.Logged(texts::kEraseNoAnswer));
    EXPECT_TRUE(view.ConnectEnabled());
    EXPECT_EQ(Work(), before);

    EXPECT_EQ(session.OnDownload(), 0);  // block 3 answered as a checksum error
    EXPECT_TRUE(view.Logged(texts::kSendBlockError));
    EXPECT_TRUE(view.Notified(texts::kFlashWritingError));
    EXPECT_EQ(Work(), before);

    EXPECT_EQ(session.OnDownload(), 1);  // every credit 40 bytes too generous
    const auto slot = BuildSlot(1, "two", song);
    const auto flash = Flash();
    EXPECT_TRUE(std::equal(slot.begin(), slot.end(), flash.begin() + SlotOffset(1)));
}

TEST_F(EndToEnd, InRealTimeTheHandsetAnswersNoSoonerThanTheLineAllows) {
    StartHandset({}, true);
    ASSERT_EQ(session.InitSerialPort(2400), 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(session.DetectTarget(), 1);
    // Nine bytes out and the ACK back, 10 bits each at 2400 baud: 41.7 ms.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 40ms);
}

TEST_F(EndToEnd, NoHandsetLeavesDetectionTryingEverySecond) {
    StartHandset();
    handset->Stop();
    server.join();
    session.OnConnect();
    for (int tick = 0; tick < 3; ++tick) session.OnTimer(0);
    EXPECT_TRUE(view.TimerRunning());
    EXPECT_FALSE(session.IsWorkerRunning());
    EXPECT_EQ(view.Titles().back(), texts::kTitleResting);
    session.OnStop();
    EXPECT_FALSE(view.TimerRunning());
    EXPECT_TRUE(view.Logged(texts::kPortClosed));
}

TEST_F(EndToEnd, APortThatCannotBeOpenedStopsDetectionWithAReason) {
    session.SetPortDevice((folder / "no-such-port").string());
    session.OnConnect();
    session.OnTimer(0);
    EXPECT_FALSE(view.TimerRunning());
    EXPECT_TRUE(view.Logged(texts::kPortInitFailed));
    EXPECT_TRUE(view.LoggedStartingWith("Cannot open " + (folder / "no-such-port").string()));
    EXPECT_TRUE(view.ConnectEnabled());
}

}  // namespace
}  // namespace cantavo::testing
