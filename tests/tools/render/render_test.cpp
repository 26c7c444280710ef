// cantavo-render as a user runs it; its output is compared with the engine driven in this process.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/synth_engine.h"
#include "smaf_writer/sequence_writer.h"
#include "tests/program_run/run_program.h"

namespace cantavo {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using testing::ProgramRun;
using testing::RunProgram;

class RenderToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder =
            fs::temp_directory_path() / ("cantavo_render_test_" + std::to_string(getpid()) + "_" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    ProgramRun Run(const std::string& arguments) {
        return RunProgram(std::string("'" CANTAVO_RENDER_BINARY "' ") + arguments, folder);
    }

    static std::string ReadText(const fs::path& path) {
        std::ifstream in(path);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    static Bytes ReadBytes(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    // The sample bytes of a WAV file (its "data" chunk).
    static Bytes WavData(const fs::path& path) {
        const Bytes file = ReadBytes(path);
        if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0) return {};
        for (size_t at = 12; at + 8 <= file.size();) {
            const uint32_t size =
                file[at + 4] | (file[at + 5] << 8) | (file[at + 6] << 16) | (uint32_t{file[at + 7]} << 24);
            if (std::memcmp(&file[at], "data", 4) == 0)
                return Bytes(file.begin() + at + 8,
                             file.begin() + std::min<size_t>(file.size(), at + 8 + size));
            at += 8 + size + (size & 1);
        }
        return {};
    }

    // What the player's calls on a fresh engine return for a file.
    static Bytes Expected(const Bytes& song, uint32_t start_ms = 0, uint32_t loops = 1) {
        const auto engine = std::make_unique<CSynthEngine>();
        engine->SetData(nullptr, 0);
        engine->SetData(song.data(), static_cast<uint32_t>(song.size()));
        engine->SetRepeat(loops > 1 ? kRepeatSong : 0);
        if (loops > 1) engine->LimitRestarts(loops - 1);
        EXPECT_EQ(engine->Play(), 1);
        if (start_ms != 0) {
            EXPECT_EQ(engine->Seek(start_ms), 0);
        }
        Bytes pcm;
        std::vector<uint8_t> buffer(8192);
        while (const uint32_t bytes = engine->Render(buffer.data(), 8192))
            pcm.insert(pcm.end(), buffer.begin(), buffer.begin() + bytes);
        return pcm;
    }

    fs::path Demo(const char* name) const { return fs::path(CANTAVO_DEMO_DIR) / name; }
    fs::path Write(const char* name, const Bytes& bytes) const {
        const fs::path path = folder / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }

    fs::path folder;
};

TEST_F(RenderToolTest, WavHoldsExactlyTheRenderedBytes) {
    const fs::path out = folder / "ode.wav";
    const ProgramRun result = Run(Demo("ode.mmf").string() + " " + out.string());
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(result.err.empty());
    const Bytes expected = Expected(ReadBytes(Demo("ode.mmf")));
    EXPECT_GT(expected.size(), 4u * 22050u * 20u);
    EXPECT_TRUE(WavData(out) == expected);
    const Bytes header = ReadBytes(out);
    EXPECT_EQ(header[22] | (header[23] << 8), 2);                           // channels
    EXPECT_EQ(header[24] | (header[25] << 8) | (header[26] << 16), 22050);  // rate
    EXPECT_EQ(header[34] | (header[35] << 8), 16);                          // bits
}

TEST_F(RenderToolTest, RawStartAndLoops) {
    const Bytes song = ReadBytes(Demo("drums.mmf"));
    const fs::path raw = folder / "drums.pcm";
    ASSERT_EQ(Run("--raw --start 1500 " + Demo("drums.mmf").string() + " " + raw.string()).status, 0);
    EXPECT_TRUE(ReadBytes(raw) == Expected(song, 1500));
    const fs::path looped = folder / "looped.pcm";
    ASSERT_EQ(Run("--raw --loops 3 " + Demo("drums.mmf").string() + " " + looped.string()).status, 0);
    const Bytes three = ReadBytes(looped);
    EXPECT_TRUE(three == Expected(song, 0, 3));
    EXPECT_GT(three.size(), 2 * Expected(song).size());
}

TEST_F(RenderToolTest, FormatFollowsTheExtension) {
    const fs::path flac = folder / "bells.flac";
    ASSERT_EQ(Run(Demo("bells.mmf").string() + " " + flac.string()).status, 0);
    EXPECT_EQ(ReadText(flac).substr(0, 4), "fLaC");
}

// The major format the installed libsndfile lists for MPEG audio; 0 when it has none.
int MpegFormat() {
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    for (int i = 0; i < count; ++i) {
        SF_FORMAT_INFO info{};
        info.format = i;
        sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info);
        if (std::strncmp(info.name, "MPEG", 4) == 0) return info.format;
    }
    return 0;
}

TEST_F(RenderToolTest, AnExtensionItCannotWriteIsRefusedNamingTheOnesItCan) {
    const std::string song = Demo("ode.mmf").string();
    const std::string writable =
        MpegFormat() != 0 ? ".wav, .flac, .ogg, .oga, .mp3" : ".wav, .flac, .ogg, .oga";
    ProgramRun result = Run(song + " " + (folder / "out.xyz").string());
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "cantavo-render: " + (folder / "out.xyz").string() +
                              ": cannot write '.xyz' files; " + "OUT can end in " + writable +
                              " (or use --raw)\n");
    EXPECT_FALSE(fs::exists(folder / "out.xyz"));
    result = Run(song + " " + (folder / "out").string());
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("out: cannot write files without an extension;"), std::string::npos)
        << result.err;
    EXPECT_FALSE(fs::exists(folder / "out"));

    EXPECT_EQ(Run(song + " " + (folder / "LOUD.WAV").string()).status, 0);
    EXPECT_TRUE(WavData(folder / "LOUD.WAV") == Expected(ReadBytes(Demo("ode.mmf"))));
    EXPECT_EQ(Run("--raw " + song + " " + (folder / "out.xyz").string()).status, 0);
    EXPECT_TRUE(ReadBytes(folder / "out.xyz") == Expected(ReadBytes(Demo("ode.mmf"))));
}

TEST_F(RenderToolTest, Mp3WhereTheInstalledLibraryWritesIt) {
    const int mpeg = MpegFormat();
    if (mpeg == 0) GTEST_SKIP() << "this libsndfile has no MPEG audio";
    const fs::path mp3 = folder / "ode.mp3";
    const ProgramRun result = Run(Demo("ode.mmf").string() + " " + mp3.string());
    ASSERT_EQ(result.status, 0) << result.err;
    SF_INFO info{};
    SNDFILE* file = sf_open(mp3.c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    sf_close(file);
    EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, mpeg);
    EXPECT_EQ(info.samplerate, 22050);
    EXPECT_EQ(info.channels, 2);
    // The encoder adds its delay and pads the last frame (1152 samples at most each).
    const auto frames = static_cast<sf_count_t>(Expected(ReadBytes(Demo("ode.mmf"))).size() / 4);
    EXPECT_GE(info.frames, frames - 1152);
    EXPECT_LE(info.frames, frames + 3 * 1152);
}

TEST_F(RenderToolTest, ErrorsNameTheFileAndTheReason) {
    const fs::path out = folder / "out.wav";
    ProgramRun result = Run((folder / "missing.mmf").string() + " " + out.string());
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("missing.mmf: cannot read"), std::string::npos) << result.err;

    result = Run(folder.string() + " " + out.string());
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find(folder.string() + ": cannot read: Is a directory"), std::string::npos)
        << result.err;

    result = Run(Write("text.mmf", Bytes(64, 'x')).string() + " " + out.string());
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("text.mmf: not a SMAF file"), std::string::npos) << result.err;

    result = Run(Write("empty.mmf", smaf::SmafFile({})).string() + " " + out.string());
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("empty.mmf: no playable track"), std::string::npos) << result.err;

    result = Run("--start 99000 " + Demo("ode.mmf").string() + " " + out.string());
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("ode.mmf: start point 99000 ms lies beyond"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(out));  // nothing written for a file that does not play

    result = Run(Demo("ode.mmf").string() + " " + (folder / "no" / "such" / "dir.wav").string());
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("dir.wav: cannot write"), std::string::npos) << result.err;
}

TEST_F(RenderToolTest, BatchGoesOnAfterAFailure) {
    fs::create_directory(folder / "out");
    const fs::path bad = Write("bad.mmf", Bytes(8, 0));
    const ProgramRun result = Run("-d " + (folder / "out").string() + " " + bad.string() + " " +
                                  Demo("ode.mmf").string() + " " + Demo("bells.mmf").string());
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("bad.mmf: not a SMAF file"), std::string::npos) << result.err;
    // Each file renders as it does alone.
    EXPECT_TRUE(WavData(folder / "out" / "ode.wav") == Expected(ReadBytes(Demo("ode.mmf"))));
    EXPECT_TRUE(WavData(folder / "out" / "bells.wav") == Expected(ReadBytes(Demo("bells.mmf"))));
    EXPECT_FALSE(fs::exists(folder / "out" / "bad.wav"));
}

TEST_F(RenderToolTest, VoiceFolderFromTheOptionOrTheEnvironment) {
    // A voice file whose every melody and drum voice is empty of sound: the drum demo's bank-20 and bank-30
    // voices are copies of them.
    Bytes vma(86948, 0);
    std::memcpy(vma.data(), "FM  ", 4);
    fs::create_directory(folder / "voices");
    Write("voices/ma2voice.vma", vma);
    const std::string song = Demo("drums.mmf").string();
    ASSERT_EQ(Run("--raw " + song + " " + (folder / "builtin.pcm").string()).status, 0);
    ASSERT_EQ(Run("--raw --voices " + (folder / "voices").string() + " " + song + " " +
                  (folder / "option.pcm").string())
                  .status,
              0);
    const std::string with_environment = "CANTAVO_VOICE_DIR=" + (folder / "voices").string() + " " +
                                         std::string(CANTAVO_RENDER_BINARY) + " --raw " + song + " " +
                                         (folder / "environment.pcm").string();
    ASSERT_EQ(std::system(with_environment.c_str()), 0);
    EXPECT_FALSE(ReadBytes(folder / "option.pcm") == ReadBytes(folder / "builtin.pcm"));
    EXPECT_TRUE(ReadBytes(folder / "environment.pcm") == ReadBytes(folder / "option.pcm"));
}

TEST_F(RenderToolTest, UsageErrorsAndHelp) {
    EXPECT_EQ(Run("--help").status, 0);
    EXPECT_EQ(Run(Demo("ode.mmf").string()).status, 2);
    EXPECT_EQ(Run("--loops 0 " + Demo("ode.mmf").string() + " x.wav").status, 2);
    EXPECT_EQ(Run("--bogus " + Demo("ode.mmf").string() + " x.wav").status, 2);
    EXPECT_EQ(Run("--loops many " + Demo("ode.mmf").string() + " x.wav").status, 2);
    const ProgramRun result =
        Run("--voices " + (folder / "nowhere").string() + " " + Demo("ode.mmf").string() + " x.wav");
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("nowhere: not a folder"), std::string::npos);
}

}  // namespace
}  // namespace cantavo
