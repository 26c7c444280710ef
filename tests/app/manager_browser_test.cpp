#include <gtest/gtest.h>
#include <wx/stattext.h>

#include <utime.h>
#include <filesystem>

#include "app/drive_combo.h"
#include "app/file_list_ctrl.h"
#include "app/manager_dlg.h"
#include "app_test_support.h"

namespace cantavo {
namespace {

using testing::TempFolder;
using testing::WindowUnderTest;

std::vector<std::string> Rows(const CManagerDlg& window) {
    std::vector<std::string> rows;
    const CFileListCtrl* list = window.FileList();
    for (long row = 0; row < list->GetItemCount(); ++row)
        rows.push_back(list->GetItemText(row).utf8_string());
    return rows;
}

void SetModified(const std::filesystem::path& file, std::time_t seconds) {
    const utimbuf times{seconds, seconds};
    utime(file.c_str(), &times);
}

// music/ holds two folders and three files of different sizes and dates.
std::filesystem::path MakeMusicFolder(const TempFolder& folder) {
    SetModified(folder.MakeFile("music/b.mmf", 300), 2000);
    SetModified(folder.MakeFile("music/A.mmf", 100), 3000);
    SetModified(folder.MakeFile("music/c.txt", 200), 1000);
    folder.MakeFile("music/zeta/x.mmf");
    folder.MakeFile("music/Alpha/y.mmf");
    return folder.Path() / "music";
}

TEST(ManagerBrowser, ListsParentFoldersThenFilesAndSortsFilesByColumn) {
    TempFolder folder;
    WindowUnderTest test(folder);
    CManagerDlg& window = *test.window;
    ASSERT_EQ(window.FillFileList(wxString::FromUTF8(MakeMusicFolder(folder).string())), 6);
    EXPECT_EQ(Rows(window), (std::vector<std::string>{"..", "Alpha", "zeta", "A.mmf", "b.mmf", "c.txt"}));
    EXPECT_EQ(window.FileList()->GetItemText(3, 1), "100");
    EXPECT_EQ(window.FileList()->GetItemText(1, 1), "0");  // folders show a size too
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(window.FileList()->GetItemText(3, 2), "1970-01-01 00:50");  // 3000 s after the epoch
    unsetenv("TZ");
    tzset();
    window.OnColumnClick(1);
    EXPECT_EQ(Rows(window), (std::vector<std::string>{"..", "Alpha", "zeta", "A.mmf", "c.txt", "b.mmf"}));
    window.OnColumnClick(2);
    EXPECT_EQ(Rows(window), (std::vector<std::string>{"..", "Alpha", "zeta", "c.txt", "b.mmf", "A.mmf"}));
    // A folder that cannot be read leaves the rows as they were.
    EXPECT_EQ(window.FillFileList("/no/such/folder"), -1);
    EXPECT_EQ(Rows(window).size(), 6u);
}

TEST(ManagerBrowser, NameThatIsNotUtf8IsStillShown) {
    TempFolder folder;
    WindowUnderTest test(folder);
    folder.MakeFile("old/caf\xe9.mmf", 1);
    test.window->FillFileList(wxString::FromUTF8((folder.Path() / "old").string()));
    ASSERT_EQ(test.window->FileList()->GetItemCount(), 2);
    EXPECT_EQ(test.window->FileList()->GetItemText(1), wxString::FromUTF8("caf\xc3\xa9.mmf"));
}

TEST(ManagerBrowser, DoubleClickEntersFoldersAndGoesUp) {
    TempFolder folder;
    WindowUnderTest test(folder);
    CManagerDlg& window = *test.window;
    const auto music = MakeMusicFolder(folder);
    window.FillFileList(wxString::FromUTF8(music.string()));
    window.OnDblclkFileList(window.FileList()->FindRow("Alpha"));
    EXPECT_EQ(window.m_strCurDir, wxString::FromUTF8((music / "Alpha").string()));
    EXPECT_EQ(Rows(window), (std::vector<std::string>{"..", "y.mmf"}));
    window.OnDblclkFileList(window.FileList()->FindRow(".."));
    EXPECT_EQ(window.m_strCurDir, wxString::FromUTF8(music.string()));
    EXPECT_EQ(window.FileNameLabel()->GetLabel(), "");
}

TEST(ManagerBrowser, ChoosingAFileNamesItAndTakesTheTitleBeforeTheFirstDot) {
    TempFolder folder;
    WindowUnderTest test(folder);
    CManagerDlg& window = *test.window;
    folder.MakeFile("tones/ring.tone.mmf", 50);
    window.FillFileList(wxString::FromUTF8((folder.Path() / "tones").string()));
    window.OnDblclkFileList(window.FileList()->FindRow("ring.tone.mmf"));
    EXPECT_EQ(window.FileNameLabel()->GetLabel(), "ring.tone.mmf");
    EXPECT_EQ(window.Session().SelectedTitle(), "ring");
}

TEST(ManagerBrowser, BrowseShowsTheTitleMovesTheListAndOffersMelodyMidiAndAudioFiles) {
    TempFolder folder;
    WindowUnderTest test(folder);
    CManagerDlg& window = *test.window;
    const auto song = folder.MakeFile("picked/song.remix.mmf", 10);
    test.prompts.file_answer = wxString::FromUTF8(song.string());
    window.OnBrowse();
    const std::string filter = test.prompts.asked.at(0).utf8_string();
    EXPECT_EQ(filter.rfind("Melody, MIDI and audio files|*.mmf;*.mid;*.midi;*.", 0), 0u) << filter;
    for (const char* part :
         {"|Smaf File(*.mmf)|*.mmf|", "|MIDI File(*.mid;*.midi)|*.mid;*.midi|", "*.wav", "*.flac", "*.ogg"})
        EXPECT_NE(filter.find(part), std::string::npos) << part;
    EXPECT_EQ(window.FileNameLabel()->GetLabel(), "song");
    EXPECT_EQ(window.m_strCurDir, wxString::FromUTF8(song.parent_path().string()));
    EXPECT_EQ(window.Drives()->GetSelection(), window.m_nCurDrive);
    EXPECT_EQ(window.Drives()->Roots()[window.m_nCurDrive].path,
              window.Drives()->Roots()[FindDriveIndex(window.Drives()->Roots(), song.string())].path);
    // Cancel changes nothing.
    test.prompts.file_answer.clear();
    window.FillFileList(wxString::FromUTF8(folder.Path().string()));
    window.OnBrowse();
    EXPECT_EQ(window.m_strCurDir, wxString::FromUTF8(folder.Path().string()));
}

TEST(ManagerBrowser, DriveThatCannotBeListedIsReportedAndTheDropDownSpringsBack) {
    TempFolder folder;
    CManagerOptions options;
    options.drives = {{"Home", folder.Path().string(), DriveKind::kHome},
                      {"card", (folder.Path() / "gone").string(), DriveKind::kVolume},
                      {"File system", "/", DriveKind::kRoot}};
    WindowUnderTest test(folder, options);
    CManagerDlg& window = *test.window;
    EXPECT_EQ(window.Drives()->GetString(1),
              wxString::FromUTF8("card (" + (folder.Path() / "gone").string() + ")"));
    const int before = window.m_nCurDrive;
    window.Drives()->SetSelection(1);
    window.OnSelchangeDrives();
    ASSERT_EQ(test.prompts.messages, 1);
    EXPECT_EQ(test.prompts.asked[0],
              wxString::FromUTF8("Drive " + (folder.Path() / "gone").string() + ": is not ready."));
    EXPECT_EQ(test.prompts.asked[1], "Error");
    EXPECT_EQ(window.Drives()->GetSelection(), before);
    EXPECT_EQ(window.m_nCurDrive, before);
    window.Drives()->SetSelection(0);
    window.OnSelchangeDrives();
    EXPECT_EQ(window.m_nCurDrive, 0);
    EXPECT_EQ(window.m_strCurDir, wxString::FromUTF8(folder.Path().string()));
}

TEST(ManagerBrowser, LastFolderSurvivesARestart) {
    TempFolder folder;
    const auto music = MakeMusicFolder(folder);
    {
        WindowUnderTest first(folder);
        first.window->FillFileList(wxString::FromUTF8(music.string()));
    }
    WindowUnderTest second(folder);
    EXPECT_EQ(second.window->m_strCurDir, wxString::FromUTF8(music.string()));
    EXPECT_EQ(Rows(*second.window).size(), 6u);
}

}  // namespace
}  // namespace cantavo
