// Image files, inserts, slot operations, reload and backups: the session's file work, no handset needed.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/serial/pty_pair.h"
#include "tests/transfer/recording_view.h"
#include "tests/transfer/temp_dir.h"
#include "tests/transfer/test_files.h"
#include "transfer/handset_session.h"
#include "transfer/scramble.h"
#include "transfer/session_texts.h"
#include "transfer/user_area.h"

namespace cantavo::testing {
namespace {

class SessionImage : public ::testing::Test {
protected:
    void SetUp() override {
        session.Initialise(folder.Path());
        image.assign(kUserAreaBytes, 0xFF);  // erased flash; 0xFF is the same scrambled
        WriteAll(session.ImageFile(), image);
        WriteAll(session.WorkFile(), image);
    }
    std::vector<uint8_t> Work() const { return ReadAll(session.WorkFile()); }
    // Slot `index` of the working image as the handset would hold it.
    std::vector<uint8_t> PlainSlot(int index) const {
        const auto work = Work();
        std::vector<uint8_t> slot(work.begin() + SlotOffset(index),
                                  work.begin() + SlotOffset(index) + SlotSize(index));
        ScrambleBytes(slot.data(), slot.size());
        return slot;
    }
    int Insert(int slot, const std::string& name, const std::vector<uint8_t>& bytes) {
        WriteAll(folder / name, bytes);
        session.OnSelectSlot(slot);
        session.SelectSourceFile(folder / name);
        return session.InsertFile();
    }
    int Insert(int slot, const std::string& name, size_t size) { return Insert(slot, name, SmafFile(size)); }

    CTempDir folder;
    CRecordingView view;
    CHandsetSession session{view};
    std::vector<uint8_t> image;
};

TEST(SessionStart, DeletesStaleImageFilesAndStartsInTheResetState) {
    CTempDir folder;
    WriteAll(folder / "sm.tmp", {1});
    WriteAll(folder / "smwork.tmp", {2});
    CRecordingView view;
    CHandsetSession session(view);
    session.Initialise(folder.Path());
    EXPECT_FALSE(std::filesystem::exists(folder / "sm.tmp"));
    EXPECT_FALSE(std::filesystem::exists(folder / "smwork.tmp"));
    EXPECT_EQ(session.ImageFile(), folder / "sm.tmp");
    EXPECT_EQ(view.Titles().back(), texts::kTitleResting);
    EXPECT_TRUE(view.ConnectEnabled());
    EXPECT_FALSE(view.CommandsEnabled());
    EXPECT_EQ(session.SlotMask(), 1);
}

TEST(SessionStart, TheImageFolderIsMadeWhenMissing) {
    CTempDir folder;
    CRecordingView view;
    CHandsetSession session(view);
    session.Initialise(folder / "cache/cantavo");
    EXPECT_TRUE(std::filesystem::is_directory(folder / "cache/cantavo"));
    EXPECT_EQ(session.WorkFile(), folder / "cache/cantavo/smwork.tmp");
}

// Two programs on one image folder would overwrite each other's working image.
TEST(SessionStart, ASecondSessionOnTheFolderLeavesItsFilesAloneAndRefusesToConnect) {
    CTempDir folder;
    CPtyPair pty;  // a port the placeholder may go to, so only the folder can stand in the way
    ASSERT_TRUE(pty.Valid());
    CRecordingView firstView, secondView;
    CHandsetSession first(firstView), second(secondView);
    first.Initialise(folder.Path());
    WriteAll(first.WorkFile(), {7, 7, 7});
    second.SetPortDevice(pty.SlavePath());
    second.Initialise(folder.Path());
    const std::string busy = "Another Cantavo is using the image files in " + folder.Path().string() +
                             ": close it before connecting.";
    EXPECT_TRUE(secondView.Logged(busy));
    EXPECT_EQ(ReadAll(first.WorkFile()), (std::vector<uint8_t>{7, 7, 7}));

    secondView.Clear();
    second.OnConnect();
    EXPECT_TRUE(secondView.Logged(busy));
    EXPECT_FALSE(secondView.TimerRunning());
    EXPECT_EQ(ReadAll(first.WorkFile()), (std::vector<uint8_t>{7, 7, 7}));

    first.OnExit();  // the first program ends
    second.OnConnect();
    EXPECT_TRUE(secondView.TimerRunning());
    EXPECT_FALSE(std::filesystem::exists(first.WorkFile()));  // stale now: the second one's to replace
    second.OnStop();
}

TEST_F(SessionImage, SlotSelectionKeepsIndexAndMask) {
    session.OnSelectSlot(9);
    EXPECT_EQ(session.SlotIndex(), 9);
    EXPECT_EQ(session.SlotMask(), 0x200);
    session.OnSelectSlot(12);  // no such slot: unchanged
    EXPECT_EQ(session.SlotIndex(), 9);
}

TEST_F(SessionImage, InsertWritesTitleAndMelodyScrambledAndShowsTheName) {
    const auto melody = SmafFile(100);
    ASSERT_EQ(Insert(0, "song.remix.mmf", melody), 1);
    const auto slot = PlainSlot(0);
    EXPECT_EQ(std::string(slot.begin(), slot.begin() + 5), std::string("song\0", 5));
    EXPECT_TRUE(std::equal(melody.begin(), melody.end(), slot.begin() + 32));
    EXPECT_EQ(slot[132], 0x00);
    EXPECT_TRUE(view.Logged("song file inserted"));
    EXPECT_EQ(view.Names()[0].title, "song");
    EXPECT_FALSE(view.Names()[0].erased);
    EXPECT_EQ(Work()[SlotOffset(1)], 0xFF);  // the next slot untouched
    EXPECT_TRUE(view.Questions().empty());   // a SMAF file goes in without a question
}

TEST_F(SessionImage, AMelodyMadeInMemoryGoesInUnderTheChosenFilesTitle) {
    const auto melody = SmafFile(300, 0x21);
    session.OnSelectSlot(9);
    session.SelectSourceFile(folder / "tune.mid");  // the file the melody was made from; not read
    ASSERT_EQ(session.InsertMelody(melody), 1);
    const auto slot = PlainSlot(9);
    EXPECT_EQ(std::string(slot.begin(), slot.begin() + 5), std::string("tune\0", 5));
    EXPECT_TRUE(std::equal(melody.begin(), melody.end(), slot.begin() + 32));
    EXPECT_TRUE(view.Logged("tune file inserted"));
    const auto before = Work();
    session.OnSelectSlot(2);
    EXPECT_EQ(session.InsertMelody(SmafFile(8161)), 0);  // the same limit as for a file
    EXPECT_TRUE(view.Logged("File Size Over (Until 8160Byte)"));
    EXPECT_EQ(Work(), before);
}

TEST_F(SessionImage, ANameWithoutADotIsTheTitleItself) {
    ASSERT_EQ(Insert(2, "noext", 10), 1);
    const auto slot = PlainSlot(2);
    EXPECT_EQ(std::string(slot.begin(), slot.begin() + 6), std::string("noext\0", 6));
    EXPECT_EQ(slot[32], 'M');
    EXPECT_TRUE(view.Logged("noext file inserted"));
    EXPECT_EQ(view.Names()[2].title, "noext");
}

TEST_F(SessionImage, ATitleLongerThan32BytesIsCutAndTheLogSaysSo) {
    const std::string name = "abcdefghijklmnopqrstuvwxyz0123456789ABCD";  // 40 characters
    ASSERT_EQ(Insert(3, name + ".mmf", 10), 1);
    const auto slot = PlainSlot(3);
    EXPECT_EQ(std::string(slot.begin(), slot.begin() + 32), name.substr(0, 32));  // no zero byte
    EXPECT_TRUE(
        view.Logged("The title is longer than 32 bytes; the slot keeps \"" + name.substr(0, 32) + "\"."));
    // 32 accented letters are 64 bytes of UTF-8 but 32 in the slot: not cut.
    std::string accented;
    for (int i = 0; i < 32; ++i) accented += "\xC3\xA9";
    view.Clear();
    ASSERT_EQ(Insert(4, accented + ".mmf", 10), 1);
    EXPECT_EQ(view.Names()[4].title, accented);
    EXPECT_FALSE(view.LoggedStartingWith("The title is longer"));
}

TEST_F(SessionImage, AnFmSlotTakes8160BytesAndRefusesOneMore) {
    const auto full = SmafFile(8160, 0x42);
    ASSERT_EQ(Insert(7, "full.mmf", full), 1);
    const auto slot = PlainSlot(7);
    EXPECT_TRUE(std::equal(full.begin(), full.end(), slot.begin() + 32));  // nothing cut off
    const auto before = Work();
    EXPECT_EQ(Insert(6, "big.mmf", 8161), 0);
    EXPECT_TRUE(view.Logged("File Size Over (Until 8160Byte)"));
    EXPECT_EQ(Work(), before);
    EXPECT_EQ(Insert(6, "slot.mmf", 8192), 0);  // a file the size of the whole slot would lose its end
}

TEST_F(SessionImage, AdpcmSlotThreeLiesAt0x18000AndTakes16352Bytes) {
    const auto wave = SmafFile(16352, 0x43);
    ASSERT_EQ(Insert(10, "wave.mmf", wave), 1);
    const auto work = Work();
    std::vector<uint8_t> stored(work.begin() + 0x18000, work.begin() + 0x1C000);
    ScrambleBytes(stored.data(), stored.size());
    EXPECT_TRUE(std::equal(wave.begin(), wave.end(), stored.begin() + 32));
    EXPECT_EQ(Insert(11, "huge.mmf", 16353), 0);
    EXPECT_TRUE(view.Logged("File Size Over (Until 16352Byte)"));
}

TEST_F(SessionImage, AFileThatIsNotSmafGoesInOnlyWithConsent) {
    const std::vector<uint8_t> noise(300, 0x5A);
    view.askAnswer = false;
    EXPECT_EQ(Insert(1, "x.mmf", noise), 0);
    EXPECT_EQ(view.Questions(), std::vector<std::string>{"x.mmf is not a SMAF melody. Insert it anyway?"});
    EXPECT_EQ(Work(), image);
    EXPECT_FALSE(view.Logged("x file inserted"));

    view.askAnswer = true;
    EXPECT_EQ(Insert(1, "x.mmf", noise), 1);
    const auto slot = PlainSlot(1);
    EXPECT_TRUE(std::equal(noise.begin(), noise.end(), slot.begin() + 32));
    // Too short to hold a chunk header, or the magic alone: not SMAF either.
    EXPECT_EQ(Insert(1, "magic.mmf", std::vector<uint8_t>{'M', 'M', 'M', 'D'}), 1);
    EXPECT_EQ(view.Questions().size(), 3u);
}

TEST_F(SessionImage, AFileThatCannotBeOpenedLeavesTheImageAlone) {
    session.SelectSourceFile(folder / "missing.mmf");
    EXPECT_EQ(session.InsertFile(), 0);
    session.SelectSourceFile(folder.Path());
    EXPECT_EQ(session.InsertFile(), 0);
    EXPECT_TRUE(view.Logged(texts::kFileOpenError));
    EXPECT_TRUE(view.LoggedStartingWith((folder / "missing.mmf").string()));
    EXPECT_EQ(Work(), image);
}

TEST_F(SessionImage, ErasedSlotsAreShownEmptyAndTheImageStaysAsItWas) {
    // Slot 5's title: 31 bytes 0xFF and a zero, a title of 31 'ÿ' and not an erased slot.
    auto work = image;
    std::vector<uint8_t> title(32, 0xFF);
    title[31] = 0;
    ScrambleBytes(title.data(), title.size());
    std::copy(title.begin(), title.end(), work.begin() + SlotOffset(5));
    WriteAll(session.WorkFile(), work);
    session.ShowSlotNames();
    const auto names = view.Names();
    for (int slot : {0, 4, 8, 11}) {
        EXPECT_TRUE(names[slot].erased) << slot;
        EXPECT_EQ(names[slot].title, "") << slot;
    }
    EXPECT_FALSE(names[5].erased);
    std::string yDiaereses;
    for (int i = 0; i < 31; ++i) yDiaereses += "\xC3\xBF";
    EXPECT_EQ(names[5].title, yDiaereses);
    EXPECT_EQ(Work(), work);
}

TEST_F(SessionImage, AMelodyIsSavedFromItsSlotAndAnErasedSlotHasNone) {
    const auto melody = SmafFile(500, 0x33);
    ASSERT_EQ(Insert(9, "keep.mmf", melody), 1);
    EXPECT_EQ(session.SlotMelody(9), melody);
    ASSERT_EQ(session.SaveSlotMelody(9, folder / "out.mmf"), 1);
    EXPECT_EQ(ReadAll(folder / "out.mmf"), melody);
    EXPECT_TRUE(view.Logged("ADPCM 2 saved as " + (folder / "out.mmf").string()));

    EXPECT_EQ(session.SaveSlotMelody(3, folder / "none.mmf"), 0);
    EXPECT_TRUE(view.Logged("FM 4 is empty."));
    EXPECT_FALSE(std::filesystem::exists(folder / "none.mmf"));
}

TEST_F(SessionImage, ClearingASlotErasesItInTheWorkingImageOnly) {
    ASSERT_EQ(Insert(2, "gone.mmf", 700), 1);
    const auto read = ReadAll(session.ImageFile());
    ASSERT_EQ(session.ClearSlot(2), 1);
    EXPECT_EQ(Work(), image);  // every byte of the slot 0xFF again
    EXPECT_EQ(ReadAll(session.ImageFile()), read);
    EXPECT_TRUE(view.Logged("FM 3 cleared"));
    EXPECT_TRUE(view.Names()[2].erased);
    EXPECT_EQ(session.ClearSlot(12), 0);  // no such slot
    EXPECT_EQ(Work(), image);
}

TEST_F(SessionImage, ReloadThrowsAwayTheChanges) {
    Insert(1, "a.mmf", 10);
    session.OnReload();
    EXPECT_EQ(Work(), image);
    EXPECT_TRUE(view.Logged(texts::kReloadDone));
}

TEST_F(SessionImage, BackupSavedAndRestoredByteForByte) {
    Insert(4, "keep.mmf", 500);
    const auto withSong = Work();
    view.backupFile = folder / "smaf_bak.smf";
    session.OnSaveBackup();
    EXPECT_EQ(ReadAll(folder / "smaf_bak.smf"), withSong);
    EXPECT_TRUE(view.Notified(texts::kBackupSaved));
    EXPECT_TRUE(view.Logged(texts::kBackupSaved));

    session.OnReload();
    session.OnLoadBackup();
    EXPECT_EQ(Work(), withSong);
    EXPECT_TRUE(view.Logged(texts::kBackupRestored));
    EXPECT_EQ(view.Names()[4].title, "keep");
}

TEST_F(SessionImage, CancelledDialogsChangeNothing) {
    view.backupFile.reset();
    session.OnSaveBackup();
    session.OnLoadBackup();
    EXPECT_TRUE(view.Logged(texts::kBackupSaveCancelled));
    EXPECT_TRUE(view.Logged(texts::kBackupRestoreCancelled));
    EXPECT_EQ(Work(), image);
}

TEST_F(SessionImage, ALongerBackupGivesOnlyItsFirstBytesAndAShorterOneIsRefused) {
    std::vector<uint8_t> longer(kUserAreaBytes + 100, 0x00);
    WriteAll(folder / "long.smf", longer);
    EXPECT_EQ(session.RestoreBackupCopy(folder / "long.smf"), 1);
    EXPECT_EQ(Work(), std::vector<uint8_t>(kUserAreaBytes, 0x00));

    WriteAll(folder / "short.smf", std::vector<uint8_t>(1000, 0x55));
    EXPECT_EQ(session.RestoreBackupCopy(folder / "short.smf"), 0);
    EXPECT_EQ(Work(), std::vector<uint8_t>(kUserAreaBytes, 0x00));
    EXPECT_TRUE(view.LoggedStartingWith((folder / "short.smf").string() + " is 1000 bytes, shorter"));
}

TEST_F(SessionImage, FileErrorsNameTheFileAndLeaveNoHalfWrittenFile) {
    EXPECT_EQ(session.RestoreBackupCopy(folder / "none.smf"), 0);
    EXPECT_TRUE(view.Notified((folder / "none.smf").string() + ": No such file or directory"));
    EXPECT_EQ(session.SaveBackupCopy(folder / "no/such/dir/b.smf"), 0);
    EXPECT_TRUE(view.LoggedStartingWith((folder / "no/such/dir/b.smf").string() + ":"));
    EXPECT_EQ(Work(), image);

    std::filesystem::remove(session.WorkFile());  // never connected: no working image
    EXPECT_EQ(session.SaveBackupCopy(folder / "b.smf"), 0);
    EXPECT_FALSE(std::filesystem::exists(folder / "b.smf"));
    EXPECT_TRUE(view.LoggedStartingWith(session.WorkFile().string() + ":"));
}

}  // namespace
}  // namespace cantavo::testing
