// The session driven as the window drives it, against the virtual handset on a pseudo-terminal.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "tests/transfer/recording_view.h"
#include "tests/transfer/temp_dir.h"
#include "tests/transfer/test_files.h"
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
        StartHandsetOn(session, settings, realtime);
    }
    void StartHandsetOn(CHandsetSession& which, HandsetSettings settings = {}, bool realtime = false) {
        handset::HandsetOptions options;
        options.flash = folder / "flash.bin";
        options.settings = settings;
        options.realtime = realtime;
        handset = std::make_unique<CVirtualHandset>(options);
        handset->SetNewDeviceHandler([this](const std::string&) { ++newDevices; });
        std::string error;
        ASSERT_TRUE(handset->Open(error)) << error;
        server = std::thread([this] { handset->Run(); });
        which.SetPortDevice(handset->DevicePath());
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

    int Insert(int slot, const std::string& name, const std::vector<uint8_t>& melody) {
        WriteAll(folder / name, melody);
        session.OnSelectSlot(slot);
        session.SelectSourceFile(folder / name);
        return session.InsertFile();
    }
    void InsertMelody(int slot, const std::string& name, const std::vector<uint8_t>& melody) {
        ASSERT_EQ(Insert(slot, name, melody), 1);
    }
    std::vector<uint8_t> FlashSlot(int slot) const {
        const auto flash = Flash();
        return {flash.begin() + SlotOffset(slot), flash.begin() + SlotOffset(slot) + SlotSize(slot)};
    }
    bool ToldTheDownloadFailed() const {
        return view.MessageBoxes() == std::vector<std::string>{texts::kDownloadIncomplete} &&
               view.Logs().back() == texts::kDownloadIncomplete;
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

// A SMAF file of `size` bytes with a pattern of its own.
std::vector<uint8_t> Melody(size_t size, uint8_t seed) {
    return SmafFile(size, seed, 13);
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
    EXPECT_EQ(view.Names()[3].title, "Alarm");
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
    EXPECT_EQ(view.Names()[10].title, "tune");
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

TEST_F(EndToEnd, AStallDuringProgrammingSaysTheHandsetIsIncompleteAndKeepsTheWorkingImage) {
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
    EXPECT_TRUE(ToldTheDownloadFailed());
    EXPECT_EQ(texts::kDownloadIncomplete,
              std::string("Download failed: the handset's melody memory is now incomplete. The melodies are "
                          "still in the working image: run Download again before connecting anew."));
    EXPECT_EQ(Work(), before);
    // The handset wakes for a new detection; the working image goes through then.
    view.Clear();
    ASSERT_EQ(session.InitSerialPort(2400), 1);
    ASSERT_EQ(session.DetectTarget(), 1);
    ASSERT_EQ(session.DownloadLoader(), 1);
    ASSERT_EQ(session.InitSerialPort(115200), 1);
    ASSERT_EQ(session.Synchronize(), 1);
    EXPECT_EQ(session.OnDownload(), 1);
    EXPECT_TRUE(view.MessageBoxes().empty());
    EXPECT_EQ(view.Logs().back().rfind("Programming File finished (", 0), 0u);
    EXPECT_EQ(Flash(), [&] {
        auto plain = before;
        ScrambleBytes(plain.data(), plain.size());
        return plain;
    }());
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

    view.Clear();
    EXPECT_EQ(session.OnDownload(), 0);  // 10 s without the erase answer
    EXPECT_TRUE(view.Logged(texts::kEraseNoAnswer));
    EXPECT_TRUE(ToldTheDownloadFailed());
    EXPECT_TRUE(view.ConnectEnabled());
    EXPECT_EQ(Work(), before);

    view.Clear();
    EXPECT_EQ(session.OnDownload(), 0);  // block 3 answered as a checksum error
    EXPECT_TRUE(view.Logged(texts::kSendBlockError));
    EXPECT_TRUE(view.Notified(texts::kFlashWritingError));
    EXPECT_TRUE(ToldTheDownloadFailed());
    EXPECT_EQ(Work(), before);

    view.Clear();
    EXPECT_EQ(session.OnDownload(), 1);  // every credit 40 bytes too generous
    EXPECT_TRUE(view.MessageBoxes().empty());
    EXPECT_EQ(FlashSlot(1), BuildSlot(1, "two", song));
}

// A real loader from a file: the handset runs only that one, and no longer the placeholder.
TEST_F(EndToEnd, ALoaderFromAFileIsTheOneTheHandsetRuns) {
    std::vector<uint8_t> loader(4000);
    for (size_t i = 0; i < loader.size(); ++i) loader[i] = static_cast<uint8_t>(i * 31 + 7);
    WriteAll(folder / "handset.ldr", LoaderTableFile(loader));
    HandsetSettings settings;
    settings.loader = loader;
    StartHandset(settings);
    EXPECT_FALSE(Connect());  // the placeholder is not this handset's loader
    EXPECT_TRUE(view.Logged(texts::kSyncFailed));
    EXPECT_EQ(handset->Connections(), 0);

    ASSERT_EQ(session.LoadLoaderFile(folder / "handset.ldr"), 1);
    EXPECT_TRUE(Connect());
    EXPECT_EQ(handset->Connections(), 1);
}

TEST_F(EndToEnd, ThePlaceholderIsRefusedBeforeAPortThatIsNoPseudoTerminalIsOpened) {
    const auto port = folder / "ttyUSB9";  // not a pseudo-terminal (not even there)
    session.SetPortDevice(port.string());
    session.OnConnect();
    EXPECT_EQ(view.Logs(), std::vector<std::string>{
                               "No handset loader is set: choose your handset's loader file in Setting."});
    EXPECT_FALSE(view.TimerRunning());
    EXPECT_FALSE(session.Serial().IsOpen());
    EXPECT_FALSE(session.LoaderAllowedOnPort());

    // With a loader file the same port is tried (and found missing).
    std::vector<uint8_t> loader(100, 0x42);
    WriteAll(folder / "real.bin", loader);
    ASSERT_EQ(session.LoadLoaderFile(folder / "real.bin"), 1);
    EXPECT_TRUE(session.LoaderAllowedOnPort());
    session.OnConnect();
    EXPECT_TRUE(view.TimerRunning());
    session.OnTimer(0);
    EXPECT_TRUE(view.Logged(texts::kPortInitFailed));
}

TEST_F(EndToEnd, SlotLimitsConsentAndErasedSlotsReachTheHandset) {
    StartHandset();
    ASSERT_TRUE(Connect());
    for (const auto& name : view.Names()) EXPECT_TRUE(name.erased);  // a new handset is erased

    EXPECT_EQ(Insert(0, "big.mmf", Melody(8161, 2)), 0);
    EXPECT_TRUE(view.Logged("File Size Over (Until 8160Byte)"));
    const auto full = Melody(8160, 2);
    InsertMelody(0, "full.mmf", full);

    std::vector<uint8_t> noise(500, 0x77);
    view.askAnswer = false;
    EXPECT_EQ(Insert(1, "noise.mmf", noise), 0);
    view.askAnswer = true;
    InsertMelody(2, "noise.mmf", noise);
    EXPECT_EQ(view.Questions().size(), 2u);

    InsertMelody(3, "gone.mmf", Melody(300, 4));
    ASSERT_EQ(session.ClearSlot(3), 1);
    const auto names = view.Names();
    EXPECT_FALSE(names[0].erased);
    EXPECT_TRUE(names[1].erased);
    EXPECT_EQ(names[2].title, "noise");
    EXPECT_TRUE(names[3].erased);

    ASSERT_EQ(session.OnDownload(), 1);
    EXPECT_EQ(FlashSlot(0), BuildSlot(0, "full", full));  // all 8160 bytes
    EXPECT_EQ(FlashSlot(1), std::vector<uint8_t>(8192, 0xFF));
    EXPECT_EQ(FlashSlot(2), BuildSlot(2, "noise", noise));
    EXPECT_EQ(FlashSlot(3), std::vector<uint8_t>(8192, 0xFF));
}

TEST_F(EndToEnd, ASecondProgramOnTheImageFolderRefusesToConnectUntilTheFirstHasGone) {
    StartHandset();
    ASSERT_TRUE(Connect());
    InsertMelody(5, "mine.mmf", Melody(400, 6));
    const auto mine = Work();

    CRecordingView otherView;
    CHandsetSession other(otherView);
    other.Initialise(folder.Path());
    other.SetPortDevice(handset->DevicePath());
    EXPECT_FALSE(Connect(other, otherView));
    EXPECT_TRUE(otherView.Logged("Another Cantavo is using the image files in " + folder.Path().string() +
                                 ": close it before connecting."));
    EXPECT_EQ(Work(), mine);
    EXPECT_EQ(handset->Connections(), 1);

    session.OnExit();
    EXPECT_TRUE(Connect(other, otherView));
    other.OnExit();
    EXPECT_EQ(handset->Connections(), 2);
}

TEST_F(EndToEnd, InRealTimeTheHandsetAnswersNoSoonerThanTheLineAllows) {
    StartHandset({}, true);
    ASSERT_EQ(session.InitSerialPort(2400), 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(session.DetectTarget(), 1);
    // Nine bytes out and the ACK back, 10 bits each at 2400 baud: 41.7 ms.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 40ms);
}

TEST_F(EndToEnd, WhileNoHandsetAnswersStopIsUsableAndTheLogSaysWhereItWaits) {
    StartHandset();
    handset->Stop();
    server.join();
    const std::string device = handset->DevicePath();
    session.OnConnect();
    EXPECT_TRUE(view.StopEnabled());
    EXPECT_EQ(view.Logs(), std::vector<std::string>{"Waiting for the handset on " + device + " ..."});
    const std::string hint =
        "No answer on " + device +
        " for 10 s: is the handset switched on, in transfer mode, and connected to this port?";
    for (int tick = 1; tick <= 9; ++tick) session.OnTimer(0);
    EXPECT_FALSE(view.Logged(hint));
    session.OnTimer(0);  // the tenth second without an answer
    EXPECT_TRUE(view.Logged(hint));
    for (int tick = 0; tick < 3; ++tick) session.OnTimer(0);
    const auto logs = view.Logs();
    EXPECT_EQ(std::count(logs.begin(), logs.end(), hint), 1);
    EXPECT_TRUE(view.TimerRunning());
    EXPECT_TRUE(view.StopEnabled());
    EXPECT_FALSE(session.IsWorkerRunning());
    EXPECT_EQ(view.Titles().back(), texts::kTitleResting);

    session.OnStop();  // back to the reset state
    EXPECT_FALSE(view.TimerRunning());
    EXPECT_FALSE(view.StopEnabled());
    EXPECT_TRUE(view.ConnectEnabled());
    EXPECT_FALSE(view.CommandsEnabled());
    EXPECT_FALSE(session.Serial().IsOpen());
    EXPECT_TRUE(view.Logged(texts::kPortClosed));
    session.OnTimer(0);  // a tick already queued does nothing
    EXPECT_FALSE(session.Serial().IsOpen());
}

TEST_F(EndToEnd, APortThatCannotBeOpenedStopsDetectionWithAReason) {
    WriteAll(folder / "real.ldr", std::vector<uint8_t>(100, 0x42));  // a handset's own loader: any port
    ASSERT_EQ(session.LoadLoaderFile(folder / "real.ldr"), 1);
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
