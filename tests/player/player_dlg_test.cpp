// The player dialog driven through its controls, heard through the wav: and null backends. Whole songs are
// compared byte for byte with what cantavo-render makes of the same file.
//
// The engine is one per process and keeps its oscillators' phases from song to song, so a play matches a
// fresh cantavo-render only when it is the first in the process: CTest runs each test in a process of its
// own.
#include "player/player_dlg.h"

#include <gtest/gtest.h>
#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include <unistd.h>

#include "convert/convert.h"
#include "engine/synth.h"
#include "gui_test_support.h"
#include "player/level_meter.h"
#include "tests/convert/midi_file_builder.h"
#include "tests/songs/test_songs.h"

namespace cantavo {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

constexpr size_t kBufferBytes = 8192;
constexpr size_t kWavHeaderBytes = 44;
constexpr size_t kFrameBytes = 4;
constexpr uint32_t kSongMs = 4000;  // the test song's last event

// The prompt of a refused entry would be a modal box; the tests keep what it said.
class TestPlayerDlg : public CPlayerDlg {
public:
    using CPlayerDlg::CPlayerDlg;
    std::vector<wxString> prompts;

protected:
    void ShowPrompt(const wxString& text) override { prompts.push_back(text); }
};

Bytes ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

bool IsSilentFrame(const Bytes& pcm, size_t frame) {
    for (size_t i = 0; i < kFrameBytes; ++i)
        if (pcm[frame * kFrameBytes + i] != 0) return false;
    return true;
}

// The stretches of sound in pcm, split at runs of at least min_gap silent frames, without the silence.
std::vector<Bytes> SoundSegments(const Bytes& pcm, size_t min_gap = 1024) {
    std::vector<Bytes> segments;
    const size_t frames = pcm.size() / kFrameBytes;
    size_t start = 0, silent_run = 0;
    bool in_sound = false;
    for (size_t f = 0; f <= frames; ++f) {
        const bool silent = f == frames || IsSilentFrame(pcm, f);
        if (!silent) {
            if (!in_sound) start = f;
            in_sound = true;
            silent_run = 0;
            continue;
        }
        ++silent_run;
        if (in_sound && (silent_run >= min_gap || f == frames)) {
            const size_t end = f + 1 - silent_run;
            segments.emplace_back(pcm.begin() + start * kFrameBytes, pcm.begin() + end * kFrameBytes);
            in_sound = false;
        }
    }
    return segments;
}

Bytes WithoutLeadingSilence(const Bytes& pcm) {
    size_t frame = 0;
    while (frame < pcm.size() / kFrameBytes && IsSilentFrame(pcm, frame)) ++frame;
    return Bytes(pcm.begin() + frame * kFrameBytes, pcm.end());
}

// A time as the position bar writes it, m:ss.
std::string MinutesOf(size_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%zu:%02zu", ms / 60000, ms / 1000 % 60);
    return text;
}

size_t BytesToMs(size_t bytes) {
    return bytes / kFrameBytes * 1000 / 22050;
}

// cantavo-render's raw output for a file, the way the player plays it.
Bytes RenderedByProgram(const fs::path& song, uint32_t start_ms = 0) {
    const fs::path out = song.string() + ".raw";
    const std::string command = std::string(CANTAVO_RENDER) + " --raw --start " + std::to_string(start_ms) +
                                " '" + song.string() + "' '" + out.string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    Bytes pcm = ReadFile(out);
    fs::remove(out);
    EXPECT_FALSE(pcm.empty());
    return pcm;
}

class PlayerDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = fs::path(::testing::TempDir()) / ("player_dlg_test." + std::to_string(getpid()));
        fs::create_directories(folder_);
        // The notes are let go at the last event, so the songs end with their sound dying away.
        WriteFile(Song(), testing::SustainedChord(4, kSongMs, kSongMs));
        WriteFile(SecondSong(), testing::SustainedChord(2, 2000, 2000));
    }
    static void TearDownTestSuite() { fs::remove_all(folder_); }
    static fs::path Song() { return folder_ / "chord.mmf"; }
    static fs::path SecondSong() { return folder_ / "second.mmf"; }
    fs::path WavPath() const {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');  // parameterized tests
        return folder_ / (name + ".wav");
    }

    std::unique_ptr<TestPlayerDlg> OpenPlayer(const std::string& audio) {
        setenv("CANTAVO_AUDIO", audio.c_str(), 1);
        auto player = std::make_unique<TestPlayerDlg>(nullptr);
        unsetenv("CANTAVO_AUDIO");
        return player;
    }
    // The wav-fast: backend takes each buffer as soon as it is queued; wav: keeps the pace of a sound card,
    // for tests that act in the middle of a song.
    std::unique_ptr<TestPlayerDlg> OpenWavPlayer(bool real_time = false) {
        return OpenPlayer((real_time ? "wav:" : "wav-fast:") + WavPath().string());
    }
    // The sound written by the wav: backend; complete once the player is gone.
    Bytes Heard() const {
        Bytes file = ReadFile(WavPath());
        EXPECT_GE(file.size(), kWavHeaderBytes);
        return file.size() < kWavHeaderBytes ? Bytes() : Bytes(file.begin() + kWavHeaderBytes, file.end());
    }

    // What was heard is the song from start_ms once, whole, as cantavo-render renders it (no gap, nothing
    // twice).
    void ExpectHeardOnce(const fs::path& song, uint32_t start_ms = 0) const {
        const std::vector<Bytes> heard = SoundSegments(Heard());
        ASSERT_EQ(heard.size(), 1u);
        EXPECT_TRUE(heard[0] == SoundSegments(RenderedByProgram(song, start_ms)).at(0));
    }

    template <typename Control>
    static Control* Find(CPlayerDlg& player, const char* name) {
        auto* control = dynamic_cast<Control*>(player.FindWindow(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    static void Click(CPlayerDlg& player, const char* name) {
        wxWindow* control = player.FindWindow(name);
        ASSERT_NE(control, nullptr) << name;
        wxCommandEvent event(dynamic_cast<wxCheckBox*>(control) ? wxEVT_CHECKBOX : wxEVT_BUTTON,
                             control->GetId());
        event.SetEventObject(control);
        if (auto* box = dynamic_cast<wxCheckBox*>(control)) {
            box->SetValue(!box->GetValue());
            event.SetInt(box->GetValue());
        }
        control->GetEventHandler()->ProcessEvent(event);
    }
    static bool IsEnabled(CPlayerDlg& player, const char* name) {
        return player.FindWindow(name)->IsEnabled();
    }
    static wxString Text(CPlayerDlg& player, const char* name) {
        return Find<wxTextCtrl>(player, name)->GetValue();
    }
    static void Type(CPlayerDlg& player, const char* name, const wxString& text) {
        Find<wxTextCtrl>(player, name)->ChangeValue(text);
    }
    static bool PlayUntilStopped(CPlayerDlg& player, std::chrono::milliseconds timeout = 30s) {
        return testing::PumpUntil([&] { return player.GetPlayState() == CPlayerDlg::kStopped; }, timeout);
    }
    static bool PlayUntilElapsed(CPlayerDlg& player, uint32_t ms, std::chrono::milliseconds timeout = 30s) {
        return testing::PumpUntil([&] { return player.GetElapsedMs() >= ms; }, timeout);
    }
    static bool WaitForLength(CPlayerDlg& player) {
        return testing::PumpUntil([&] { return player.GetLengthMs().has_value(); }, 10s);
    }
    // The position bar's thumb dragged to ms and let go: the events the toolkit sends.
    static void DragPosition(CPlayerDlg& player, int ms) {
        auto* bar = Find<wxSlider>(player, CPlayerDlg::kPositionControl);
        ASSERT_TRUE(bar->IsEnabled());
        bar->SetValue(ms);
        for (const wxEventType type :
             {wxEVT_SCROLL_THUMBTRACK, wxEVT_SCROLL_THUMBRELEASE, wxEVT_SCROLL_CHANGED}) {
            wxScrollEvent event(type, bar->GetId(), ms, wxHORIZONTAL);
            event.SetEventObject(bar);
            bar->GetEventHandler()->ProcessEvent(event);
        }
    }
    static std::string PositionText(CPlayerDlg& player) {
        return Find<wxStaticText>(player, CPlayerDlg::kPositionTextControl)->GetLabel().utf8_string();
    }

    static inline fs::path folder_;
};

TEST_F(PlayerDlgTest, AfterOpeningOneSilentBufferPlaysAndTheDeviceStaysPaused) {
    auto player = OpenWavPlayer();
    ASSERT_TRUE(player->IsDeviceOpen());
    testing::PumpFor(300ms);
    EXPECT_EQ(player->GetPlayState(), CPlayerDlg::kStopped);
    for (const char* name : {CPlayerDlg::kRewindControl, CPlayerDlg::kPlayControl, CPlayerDlg::kPauseControl,
                             CPlayerDlg::kStopControl, CPlayerDlg::kForwardControl})
        EXPECT_TRUE(IsEnabled(*player, name)) << name;
    EXPECT_EQ(Text(*player, CPlayerDlg::kElapsedMsControl), "0");
    EXPECT_EQ(Text(*player, CPlayerDlg::kStartMsControl), "0");
    player.reset();
    // The wav: backend takes buffers as fast as they come: only a paused device stops at the two silent ones.
    const Bytes heard = Heard();
    EXPECT_GE(heard.size(), kBufferBytes);
    EXPECT_LE(heard.size(), 2 * kBufferBytes);
    EXPECT_TRUE(SoundSegments(heard).empty());
}

TEST_F(PlayerDlgTest, WithTheNullBackendTheDeviceKeepsTimeWithoutRunningDry) {
    auto player = OpenPlayer("null");
    ASSERT_TRUE(player->IsDeviceOpen());
    player->OpenFile(Song().string());
    ASSERT_EQ(player->GetPlayState(), CPlayerDlg::kPlaying);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(PlayUntilElapsed(*player, 1000, 5s));
    // Real time: about 1 s of sound takes about 1 s (two buffers are queued ahead).
    EXPECT_GE(std::chrono::steady_clock::now() - start, 800ms);
    EXPECT_EQ(player->GetUnderrunCount(), 0u);
}

TEST_F(PlayerDlgTest, PlaysASongWholeExactlyAsCantavoRenderDoesAndStopsAtItsEnd) {
    auto player = OpenWavPlayer(true);
    player->OpenFile(Song().string());
    EXPECT_EQ(player->GetPlayState(), CPlayerDlg::kPlaying);
    EXPECT_FALSE(IsEnabled(*player, CPlayerDlg::kRewindControl));
    EXPECT_FALSE(IsEnabled(*player, CPlayerDlg::kForwardControl));
    EXPECT_EQ(Text(*player, CPlayerDlg::kFileNameControl), Song().string());
    ASSERT_TRUE(PlayUntilStopped(*player));
    EXPECT_TRUE(IsEnabled(*player, CPlayerDlg::kRewindControl));
    EXPECT_TRUE(IsEnabled(*player, CPlayerDlg::kForwardControl));
    EXPECT_EQ(player->GetElapsedMs(), 0u);
    EXPECT_EQ(Text(*player, CPlayerDlg::kElapsedMsControl), "0");
    testing::PumpFor(200ms);
    player.reset();

    // Every rendered byte is heard, the last buffer too; then at most two buffers of silence until the pause.
    const Bytes heard = WithoutLeadingSilence(Heard());
    const Bytes rendered = WithoutLeadingSilence(RenderedByProgram(Song()));
    ASSERT_GE(heard.size(), rendered.size());
    EXPECT_TRUE(std::equal(rendered.begin(), rendered.end(), heard.begin()));
    EXPECT_LE(heard.size() - rendered.size(), 2 * kBufferBytes);
    EXPECT_TRUE(std::all_of(heard.begin() + rendered.size(), heard.end(), [](uint8_t b) { return b == 0; }));
}

// The committed demo melodies (FM voices of the song, the drum bank, ADPCM waves), each heard whole.
class DemoSongTest : public PlayerDlgTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(DemoSongTest, IsHeardExactlyAsCantavoRenderRendersIt) {
    const fs::path song = fs::path(CANTAVO_DEMO_DIR) / GetParam();
    ASSERT_TRUE(fs::exists(song)) << song;
    auto player = OpenWavPlayer();
    ASSERT_TRUE(player->OpenFile(song.string()));
    ASSERT_TRUE(PlayUntilStopped(*player));
    testing::PumpFor(200ms);
    player.reset();
    const Bytes heard = WithoutLeadingSilence(Heard());
    const Bytes rendered = WithoutLeadingSilence(RenderedByProgram(song));
    ASSERT_GE(heard.size(), rendered.size());
    EXPECT_TRUE(std::equal(rendered.begin(), rendered.end(), heard.begin()));
    EXPECT_TRUE(std::all_of(heard.begin() + rendered.size(), heard.end(), [](uint8_t b) { return b == 0; }));
}

INSTANTIATE_TEST_SUITE_P(Demo, DemoSongTest, ::testing::Values("ode.mmf", "drums.mmf", "bells.mmf"));

// A MIDI file is converted in memory, as for an FM slot, and heard exactly as cantavo-render renders the
// converted melody; what the conversion gave up, or why it failed, is told on the terminal.
TEST_F(PlayerDlgTest, AMidiFileIsConvertedInMemoryAndHeardAsItsMelody) {
    CMidiFileBuilder file(0, 480);
    CMidiTrackBuilder& track = file.AddTrack();
    for (uint32_t i = 0; i < 8; ++i) track.Note(i * 240, 200, 0, static_cast<uint8_t>(64 + i), 100);
    track.Note(0, 100, 9, 20);  // a drum key without a drum sound: left out, and said so
    const fs::path midi = folder_ / "tune.mid";
    WriteFile(midi, file.Bytes());
    const Conversion expected = ConvertFile(midi, {});
    ASSERT_EQ(expected.error, "");
    const fs::path converted = folder_ / "tune-converted.mmf";
    WriteFile(converted, expected.smaf);

    auto player = OpenWavPlayer();
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(player->OpenFile(midi.string()));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "cantavo: " + ReportSummary(expected.report) + "\n");
    EXPECT_EQ(Text(*player, CPlayerDlg::kFileNameControl), midi.string());
    ASSERT_TRUE(PlayUntilStopped(*player));

    // One that cannot be converted changes nothing and says why.
    CMidiFileBuilder format2(2, 480);
    format2.AddTrack().Note(0, 10, 0, 60);
    const fs::path bad = folder_ / "bad.mid";
    WriteFile(bad, format2.Bytes());
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(player->OpenFile(bad.string()));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "cantavo: " + bad.string() + ": MIDI format 2 (independent sequences) is not supported\n");
    EXPECT_EQ(Text(*player, CPlayerDlg::kFileNameControl), midi.string());
    testing::PumpFor(200ms);
    player.reset();

    const Bytes heard = WithoutLeadingSilence(Heard());
    const Bytes rendered = WithoutLeadingSilence(RenderedByProgram(converted));
    ASSERT_GE(heard.size(), rendered.size());
    EXPECT_TRUE(std::equal(rendered.begin(), rendered.end(), heard.begin()));
}

// Only the first play matches cantavo-render byte for byte (see above); stale sound would show as a buffer or
// more of sound joined to the start of the next play.
TEST_F(PlayerDlgTest, NoStaleSoundAfterTheEndOrAStop) {
    auto player = OpenWavPlayer(true);
    player->OpenFile(SecondSong().string());
    ASSERT_TRUE(PlayUntilStopped(*player));
    Click(*player, CPlayerDlg::kPlayControl);  // again, after the end
    ASSERT_TRUE(PlayUntilElapsed(*player, 1000));
    Click(*player, CPlayerDlg::kStopControl);
    EXPECT_EQ(player->GetPlayState(), CPlayerDlg::kStopped);
    Click(*player, CPlayerDlg::kPlayControl);  // again, after a stop
    ASSERT_TRUE(PlayUntilStopped(*player));
    player.reset();

    const Bytes song = SoundSegments(RenderedByProgram(SecondSong())).at(0);
    const std::vector<Bytes> heard = SoundSegments(Heard());
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_TRUE(heard[0] == song);
    EXPECT_LT(heard[1].size(), song.size() * 3 / 4);  // cut off by the stop
    EXPECT_NEAR(static_cast<double>(heard[2].size()), static_cast<double>(song.size()), kBufferBytes / 2);
}

TEST_F(PlayerDlgTest, PauseHoldsThePlaceAndASecondPauseResumesWithTheQueuedSound) {
    auto player = OpenWavPlayer(true);
    player->OpenFile(SecondSong().string());
    ASSERT_TRUE(PlayUntilElapsed(*player, 1000));
    Click(*player, CPlayerDlg::kPauseControl);
    EXPECT_EQ(player->GetPlayState(), CPlayerDlg::kPaused);
    EXPECT_FALSE(IsEnabled(*player, CPlayerDlg::kPlayControl));
    EXPECT_FALSE(IsEnabled(*player, CPlayerDlg::kStopControl));
    EXPECT_FALSE(IsEnabled(*player, CPlayerDlg::kRewindControl));
    // What was heard before the pause reaches the display at the next refresh (every 200 ms).
    testing::PumpFor(400ms);
    const uint32_t paused_at = player->GetElapsedMs();
    testing::PumpFor(300ms);
    EXPECT_EQ(player->GetElapsedMs(), paused_at);
    Click(*player, CPlayerDlg::kPauseControl);
    EXPECT_EQ(player->GetPlayState(), CPlayerDlg::kPlaying);
    EXPECT_TRUE(IsEnabled(*player, CPlayerDlg::kPlayControl));
    EXPECT_TRUE(IsEnabled(*player, CPlayerDlg::kStopControl));
    ASSERT_TRUE(PlayUntilStopped(*player));
    player.reset();
    // Nothing lost and nothing twice across the pause.
    ExpectHeardOnce(SecondSong());
}

TEST_F(PlayerDlgTest, RepeatKeepsPlayingAndCountingPastTheSongsLength) {
    auto player = OpenWavPlayer();
    player->OpenFile(Song().string());
    Click(*player, CPlayerDlg::kRepeatControl);  // while playing: applies at the end
    ASSERT_TRUE(PlayUntilElapsed(*player, kSongMs + 3000));
    EXPECT_EQ(player->GetPlayState(), CPlayerDlg::kPlaying);
}

TEST_F(PlayerDlgTest, ForwardThreeTimesThenPlayStartsThreeSecondsIn) {
    auto player = OpenWavPlayer();
    for (int i = 0; i < 3; ++i) Click(*player, CPlayerDlg::kForwardControl);
    EXPECT_EQ(player->GetStartMs(), 3000u);
    EXPECT_EQ(Text(*player, CPlayerDlg::kStartMsControl), "3000");
    player->OpenFile(Song().string());
    ASSERT_TRUE(PlayUntilStopped(*player));
    player.reset();
    const std::vector<Bytes> heard = SoundSegments(Heard());
    ASSERT_EQ(heard.size(), 1u);
    const Bytes from_3000 = SoundSegments(RenderedByProgram(Song(), 3000)).at(0);
    EXPECT_TRUE(heard[0] == from_3000);
    EXPECT_LT(heard[0].size(), SoundSegments(RenderedByProgram(Song())).at(0).size() / 2);
}

TEST_F(PlayerDlgTest, PlayUsesTheStartOffsetAsTyped) {
    auto player = OpenWavPlayer();
    Type(*player, CPlayerDlg::kStartMsControl, " 3000 ");
    player->OpenFile(Song().string());  // stops and plays: the refreshes leave the typing alone
    EXPECT_EQ(player->GetStartMs(), 3000u);
    ASSERT_TRUE(PlayUntilStopped(*player));
    player.reset();
    ExpectHeardOnce(Song(), 3000);
}

TEST_F(PlayerDlgTest, AnOffsetBeyondTheEndIsResetAndNothingPlays) {
    auto player = OpenWavPlayer();
    Type(*player, CPlayerDlg::kStartMsControl, "999999");
    player->OpenFile(Song().string());
    EXPECT_EQ(player->GetPlayState(), CPlayerDlg::kStopped);
    EXPECT_EQ(player->GetStartMs(), 0u);
    EXPECT_EQ(Text(*player, CPlayerDlg::kStartMsControl), "0");
    EXPECT_TRUE(IsEnabled(*player, CPlayerDlg::kRewindControl));
    testing::PumpFor(300ms);
    player.reset();
    EXPECT_TRUE(SoundSegments(Heard()).empty());
}

TEST_F(PlayerDlgTest, RewindAndForwardStepTheOffsetWithinItsRange) {
    auto player = OpenPlayer("null");
    Type(*player, CPlayerDlg::kStartMsControl, "500");
    Click(*player, CPlayerDlg::kRewindControl);
    EXPECT_EQ(player->GetStartMs(), 0u);
    Click(*player, CPlayerDlg::kRewindControl);
    EXPECT_EQ(player->GetStartMs(), 0u);
    Type(*player, CPlayerDlg::kStartMsControl, "2500");
    Click(*player, CPlayerDlg::kRewindControl);
    EXPECT_EQ(player->GetStartMs(), 1500u);
    EXPECT_EQ(Text(*player, CPlayerDlg::kStartMsControl), "1500");
    Type(*player, CPlayerDlg::kStartMsControl, "4294967000");
    Click(*player, CPlayerDlg::kForwardControl);
    EXPECT_EQ(player->GetStartMs(), 4294967295u);  // no wrap to a small offset
    EXPECT_TRUE(player->prompts.empty());
    // Not a number: the prompt, and the offset stays.
    Type(*player, CPlayerDlg::kStartMsControl, "12a");
    Click(*player, CPlayerDlg::kRewindControl);
    ASSERT_EQ(player->prompts.size(), 1u);
    EXPECT_EQ(player->prompts[0], "Please enter a positive integer.");
    EXPECT_EQ(player->GetStartMs(), 4294967295u);
}

TEST_F(PlayerDlgTest, OpeningASecondFileWhilePlayingReplacesIt) {
    auto player = OpenWavPlayer(true);
    player->OpenFile(Song().string());
    ASSERT_TRUE(PlayUntilElapsed(*player, 500));
    ASSERT_TRUE(player->OpenFile(SecondSong().string()));
    EXPECT_EQ(player->GetPlayState(), CPlayerDlg::kPlaying);
    EXPECT_LT(player->GetElapsedMs(), 500u);
    EXPECT_EQ(Text(*player, CPlayerDlg::kFileNameControl), SecondSong().string());
    ASSERT_TRUE(PlayUntilStopped(*player));
    player.reset();
    const std::vector<Bytes> heard = SoundSegments(Heard());
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_LT(heard[0].size(), SoundSegments(RenderedByProgram(Song())).at(0).size() / 2);
    EXPECT_NEAR(static_cast<double>(heard[1].size()),
                static_cast<double>(SoundSegments(RenderedByProgram(SecondSong())).at(0).size()),
                kBufferBytes / 2);
}

TEST_F(PlayerDlgTest, AFileThatCannotBeReadChangesNothingAndOneThatIsNotSmafDoesNotPlay) {
    auto player = OpenWavPlayer();
    player->OpenFile(Song().string());
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(player->OpenFile((folder_ / "missing.mmf").string()));
    EXPECT_FALSE(player->OpenFile(folder_.string()));  // a folder: opens, but cannot be read
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("missing.mmf: No such file or directory"), std::string::npos) << said;
    EXPECT_NE(said.find(folder_.string() + ": Is a directory"), std::string::npos) << said;
    EXPECT_EQ(player->GetPlayState(), CPlayerDlg::kPlaying);
    EXPECT_EQ(Text(*player, CPlayerDlg::kFileNameControl), Song().string());

    const fs::path text = folder_ / "notes.mmf";
    WriteFile(text, Bytes{'n', 'o', 't', ' ', 'S', 'M', 'A', 'F'});
    EXPECT_TRUE(player->OpenFile(text.string()));
    EXPECT_EQ(player->GetPlayState(), CPlayerDlg::kStopped);
    EXPECT_EQ(Text(*player, CPlayerDlg::kFileNameControl), text.string());
    EXPECT_TRUE(IsEnabled(*player, CPlayerDlg::kForwardControl));
}

TEST_F(PlayerDlgTest, AFileGivenAtTheStartPlaysAtOnce) {
    setenv("CANTAVO_AUDIO", "null", 1);
    TestPlayerDlg player(nullptr, Song().string());
    unsetenv("CANTAVO_AUDIO");
    EXPECT_EQ(player.GetPlayState(), CPlayerDlg::kPlaying);
    EXPECT_EQ(Text(player, CPlayerDlg::kFileNameControl), Song().string());
}

// 200 s of sound is 2154 buffers; the wav-fast: backend completes them as fast as the render thread refills
// them. Past 194.8 s a 32-bit frames x 1000 wraps, so the time is checked against the sound actually
// written, once paused: then every buffer heard has been counted, and only the part of one buffer that the
// pause caught is written but not yet heard to its end.
TEST_F(PlayerDlgTest, TheElapsedTimeAfter200SecondsIsStillRight) {
    auto player = OpenWavPlayer();
    Click(*player, CPlayerDlg::kRepeatControl);
    player->OpenFile(Song().string());
    ASSERT_TRUE(PlayUntilElapsed(*player, 200000, 60s)) << player->GetElapsedMs();
    EXPECT_EQ(player->GetPlayState(), CPlayerDlg::kPlaying);
    Click(*player, CPlayerDlg::kPauseControl);
    testing::PumpFor(500ms);
    const uint32_t elapsed = player->GetElapsedMs();
    player.reset();
    const double written_ms = WithoutLeadingSilence(Heard()).size() / kFrameBytes * 1000.0 / 22050;
    EXPECT_GE(written_ms + 1, elapsed);
    EXPECT_LE(written_ms, elapsed + 93.0 + 1);
}

TEST_F(PlayerDlgTest, WithoutADeviceThePlayButtonIsDisabledAndNothingStarts) {
    ::testing::internal::CaptureStderr();
    auto player = OpenPlayer("no-such-backend");
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("no-such-backend"), std::string::npos) << said;
    EXPECT_FALSE(player->IsDeviceOpen());
    EXPECT_FALSE(IsEnabled(*player, CPlayerDlg::kPlayControl));
    EXPECT_TRUE(IsEnabled(*player, CPlayerDlg::kOpenControl));
    player->OpenFile(Song().string());
    EXPECT_EQ(player->GetPlayState(), CPlayerDlg::kStopped);
    EXPECT_TRUE(IsEnabled(*player, CPlayerDlg::kForwardControl));
}

// The length is the song's last event and its tail, as long as cantavo-render's whole output.
TEST_F(PlayerDlgTest, ThePositionBarShowsWhereTheSongIsAndItsLength) {
    auto player = OpenWavPlayer(true);
    player->OpenFile(Song().string());
    ASSERT_TRUE(WaitForLength(*player));
    const size_t length_ms = BytesToMs(RenderedByProgram(Song()).size());
    EXPECT_EQ(*player->GetLengthMs(), length_ms);
    EXPECT_GT(length_ms, kSongMs);
    EXPECT_EQ(Find<wxSlider>(*player, CPlayerDlg::kPositionControl)->GetMax(), static_cast<int>(length_ms));
    ASSERT_TRUE(PlayUntilElapsed(*player, 1500));
    // Without a seek or a repeat the song is where the time heard says.
    EXPECT_EQ(player->GetPositionMs(), player->GetElapsedMs());
    EXPECT_EQ(Find<wxSlider>(*player, CPlayerDlg::kPositionControl)->GetValue(),
              static_cast<int>(player->GetPositionMs()));
    EXPECT_EQ(PositionText(*player), MinutesOf(player->GetPositionMs()) + " / " + MinutesOf(length_ms));
    ASSERT_TRUE(PlayUntilStopped(*player));
    EXPECT_EQ(PositionText(*player), "0:00 / " + MinutesOf(length_ms));
    EXPECT_EQ(Find<wxSlider>(*player, CPlayerDlg::kPositionControl)->GetValue(), 0);
}

// Letting go of the thumb at 2.5 s goes on from there at once: what is heard is the song's beginning up to
// the moment of the seek, then, without a gap, the song as cantavo-render renders it from 2500 ms.
TEST_F(PlayerDlgTest, DraggingThePositionWhilePlayingGoesOnFromThere) {
    auto player = OpenWavPlayer(true);
    player->OpenFile(Song().string());
    ASSERT_TRUE(WaitForLength(*player));
    ASSERT_TRUE(PlayUntilElapsed(*player, 500));
    DragPosition(*player, 2500);
    EXPECT_EQ(player->GetPlayState(), CPlayerDlg::kPlaying);
    EXPECT_EQ(player->GetStartMs(), 0u);  // the start offset stays
    EXPECT_EQ(player->GetPositionMs(), 2500u);
    ASSERT_TRUE(PlayUntilStopped(*player));
    player.reset();
    const std::vector<Bytes> heard = SoundSegments(Heard());
    ASSERT_EQ(heard.size(), 1u);
    const Bytes whole = SoundSegments(RenderedByProgram(Song())).at(0);
    const Bytes from_2500 = RenderedByProgram(Song(), 2500);
    ASSERT_GT(heard[0].size(), from_2500.size());
    const size_t before = heard[0].size() - from_2500.size();
    EXPECT_TRUE(std::equal(from_2500.begin(), from_2500.end(), heard[0].begin() + before));
    EXPECT_GE(BytesToMs(before), 500u);
    EXPECT_LT(before, whole.size() / 2);
    EXPECT_TRUE(std::equal(heard[0].begin(), heard[0].begin() + before, whole.begin()));
}

// Stopped, the bar sets where the next Play starts, as the start offset does.
TEST_F(PlayerDlgTest, ThePositionBarWhileStoppedSetsTheStartOffset) {
    auto player = OpenWavPlayer(true);
    player->OpenFile(Song().string());
    ASSERT_TRUE(WaitForLength(*player));
    Click(*player, CPlayerDlg::kStopControl);
    DragPosition(*player, 3000);
    EXPECT_EQ(player->GetStartMs(), 3000u);
    EXPECT_EQ(Text(*player, CPlayerDlg::kStartMsControl), "3000");
    EXPECT_EQ(PositionText(*player), "0:03 / " + MinutesOf(*player->GetLengthMs()));
    Click(*player, CPlayerDlg::kPlayControl);
    ASSERT_TRUE(PlayUntilStopped(*player));
    player.reset();
    const std::vector<Bytes> heard = SoundSegments(Heard());
    ASSERT_FALSE(heard.empty());
    EXPECT_TRUE(heard.back() == SoundSegments(RenderedByProgram(Song(), 3000)).at(0));
}

// The chord is centred: both bars alike, up while it sounds, down when it stops.
TEST_F(PlayerDlgTest, TheLevelMeterShowsThePeaksHeard) {
    auto player = OpenWavPlayer(true);
    player->OpenFile(Song().string());
    ASSERT_TRUE(PlayUntilElapsed(*player, 1000));
    const CLevelMeter& meter = player->GetLevelMeter();
    EXPECT_GT(meter.LeftBar(), CLevelMeter::kRangeDb / 2);
    EXPECT_EQ(meter.LeftBar(), meter.RightBar());
    Click(*player, CPlayerDlg::kStopControl);
    EXPECT_EQ(meter.LeftBar(), 0);
    EXPECT_EQ(meter.RightBar(), 0);
}

// 20 log10(peak / 32767) dB below full scale, on 48 steps of 1 dB.
TEST(LevelMeter, BarsAreDecibelsBelowFullScale) {
    EXPECT_EQ(MeterBar(32767), 48);
    EXPECT_EQ(MeterBar(16384), 42);  // -6.02 dB
    EXPECT_EQ(MeterBar(3277), 28);   // -20.0 dB
    EXPECT_EQ(MeterBar(130), 0);     // -48.03 dB
    EXPECT_EQ(MeterBar(1), 0);
    EXPECT_EQ(MeterBar(0), 0);
}

TEST_F(PlayerDlgTest, EveryControlHasATooltip) {
    auto player = OpenPlayer("null");
    std::function<void(wxWindow*)> check = [&](wxWindow* window) {
        for (wxWindow* child : window->GetChildren()) {
            if (dynamic_cast<wxControl*>(child)) {
                EXPECT_FALSE(child->GetToolTipText().empty()) << child->GetName() << " " << child->GetLabel();
            }
            check(child);
        }
    };
    check(player.get());
}

// A melody given as bytes (a handset's slot, a converted file) plays like a file.
TEST_F(PlayerDlgTest, AMelodyGivenAsBytesPlaysAsItsFileDoes) {
    auto player = OpenWavPlayer();
    player->OpenData("Slot 3", ReadFile(Song()));
    EXPECT_EQ(player->GetPlayState(), CPlayerDlg::kPlaying);
    EXPECT_EQ(Text(*player, CPlayerDlg::kFileNameControl), "Slot 3");
    ASSERT_TRUE(PlayUntilStopped(*player));
    player.reset();
    ExpectHeardOnce(Song());
}

// The render thread keeps the device fed while the window's thread is held for a second (a slow handler, a
// window being moved): no gap, and the song heard whole.
TEST_F(PlayerDlgTest, TheSongGoesOnWhileTheWindowIsBusy) {
    auto player = OpenWavPlayer(true);
    player->OpenFile(Song().string());
    ASSERT_TRUE(PlayUntilElapsed(*player, 500));
    std::this_thread::sleep_for(1200ms);
    ASSERT_TRUE(PlayUntilStopped(*player));
    EXPECT_EQ(player->GetUnderrunCount(), 0u);
    player.reset();
    ExpectHeardOnce(Song());
}

// The engine is one for the process: a player closed while playing must not leave its song in it (only the
// released notes die away, well within a second; the rest of the song would be three seconds more).
TEST_F(PlayerDlgTest, ClosingThePlayerEmptiesTheEngine) {
    auto player = OpenWavPlayer(true);
    player->OpenFile(Song().string());
    ASSERT_TRUE(PlayUntilElapsed(*player, 500, 5s));
    player.reset();
    uint8_t buffer[kBufferBytes];
    int buffers = 0;
    while (buffers < 100 && SynthRender(buffer, sizeof buffer) != 0) ++buffers;
    EXPECT_LE(buffers, 11) << "buffers rendered after the player closed";
}

}  // namespace
}  // namespace cantavo
