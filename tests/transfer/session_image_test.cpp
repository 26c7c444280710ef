// Image files, inserts, reload and backups: the session's file work, no handset needed.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/transfer/recording_view.h"
#include "tests/transfer/temp_dir.h"
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
    int Insert(int slot, const std::string& name, size_t size, uint8_t fill = 0x41) {
        WriteAll(folder / name, std::vector<uint8_t>(size, fill));
        session.OnSelectSlot(slot);
        session.SelectSourceFile(folder / name);
        return session.InsertFile();
    }

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

TEST(SessionStart, AFolderThatCannotBeWrittenFallsBackToTheCacheFolder) {
    CTempDir cache;
    setenv("XDG_CACHE_HOME", cache.Path().c_str(), 1);
    CRecordingView view;
    CHandsetSession session(view);
    session.Initialise("/nonexistent/cantavo");
    unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(session.WorkFile(), cache / "cantavo/smwork.tmp");
    EXPECT_TRUE(view.LoggedStartingWith("Image files are kept in " + (cache / "cantavo").string()));
}

TEST_F(SessionImage, SlotSelectionKeepsIndexAndMask) {
    session.OnSelectSlot(9);
    EXPECT_EQ(session.SlotIndex(), 9);
    EXPECT_EQ(session.SlotMask(), 0x200);
    session.OnSelectSlot(12);  // no such slot: unchanged
    EXPECT_EQ(session.SlotIndex(), 9);
}

TEST_F(SessionImage, InsertWritesTitleAndMelodyScrambledAndShowsTheName) {
    ASSERT_EQ(Insert(0, "song.remix.mmf", 100), 1);
    const auto slot = PlainSlot(0);
    EXPECT_EQ(std::string(slot.begin(), slot.begin() + 5), std::string("song\0", 5));
    EXPECT_EQ(slot[32], 0x41);
    EXPECT_EQ(slot[131], 0x41);
    EXPECT_EQ(slot[132], 0x00);
    EXPECT_TRUE(view.Logged("song file inserted"));
    EXPECT_EQ(view.Names()[0], "song");
    EXPECT_EQ(Work()[SlotOffset(1)], 0xFF);  // the next slot untouched
}

TEST_F(SessionImage, ANameWithoutADotGivesAnEmptyTitleButTheDataGoesIn) {
    ASSERT_EQ(Insert(2, "noext", 10), 1);
    const auto slot = PlainSlot(2);
    EXPECT_EQ(slot[0], 0);
    EXPECT_EQ(slot[32], 0x41);
    EXPECT_TRUE(view.Logged(" file inserted"));
}

TEST_F(SessionImage, AnFmSlotTakesEightKilobytesCutByTheTitleAndRefusesOneMore) {
    ASSERT_EQ(Insert(7, "full.mmf", 8192, 0x42), 1);
    const auto slot = PlainSlot(7);
    EXPECT_EQ(slot[8191], 0x42);
    const auto before = Work();
    EXPECT_EQ(Insert(6, "big.mmf", 8193), 0);
    EXPECT_TRUE(view.Logged("File Size Over (Until 8192Byte)"));
    EXPECT_EQ(Work(), before);
}

TEST_F(SessionImage, AdpcmSlotThreeLiesAt0x18000AndTakesSixteenKilobytes) {
    ASSERT_EQ(Insert(10, "wave.mmf", 16384, 0x43), 1);
    const auto work = Work();
    uint8_t first[2] = {work[0x18000 + 32], work[0x18000 + 33]};
    ScrambleBytes(first, 2);
    EXPECT_EQ(first[0], 0x43);
    EXPECT_EQ(first[1], 0x43);
    EXPECT_EQ(Insert(11, "huge.mmf", 16385), 0);
    EXPECT_TRUE(view.Logged("File Size Over (Until 16384Byte)"));
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

TEST_F(SessionImage, ErasedSlotsShowThirtyTwoYDiaereses) {
    session.ShowSlotNames();
    std::string erased;
    for (int i = 0; i < 32; ++i) erased += "\xC3\xBF";
    EXPECT_EQ(view.Names()[11], erased);
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
    EXPECT_EQ(view.Names()[4], "keep");
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
