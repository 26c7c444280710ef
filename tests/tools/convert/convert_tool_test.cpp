// cantavo-convert as a user runs it: its command line, exit codes, messages, report and output file.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <cmath>
#include <sstream>

#include "convert/convert.h"
#include "tests/convert/midi_file_builder.h"
#include "tests/program_run/run_program.h"
#include "tests/transfer/temp_dir.h"

namespace cantavo {
namespace {

using testing::CTempDir;
using testing::ProgramRun;
using testing::ReadAll;
using testing::RunProgram;
using testing::WriteAll;

class ConvertToolTest : public ::testing::Test {
protected:
    ProgramRun Run(const std::string& arguments) {
        return RunProgram("'" CANTAVO_CONVERT "' " + arguments, folder.Path(), 60);
    }
    std::string Quoted(const std::filesystem::path& path) const { return "'" + path.string() + "'"; }

    // A short tune, or (dense) one far too long for a slot.
    std::filesystem::path Midi(const char* name, bool dense = false) const {
        CMidiFileBuilder file(1, 480);
        CMidiTrackBuilder& track = file.AddTrack();
        for (uint32_t i = 0; i < (dense ? 4000u : 8u); ++i)
            track.Note(i * 240, 200, static_cast<uint8_t>(i % 3), static_cast<uint8_t>(60 + i % 12));
        const std::filesystem::path path = folder / name;
        WriteAll(path, file.Bytes());
        return path;
    }

    std::filesystem::path Wav(const char* name) const {
        const std::filesystem::path path = folder / name;
        SF_INFO info{};
        info.samplerate = 16000;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        std::vector<short> samples(16000);
        for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<short>(8000 * std::sin(i * 0.1));
        sf_writef_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
        sf_close(file);
        return path;
    }

    CTempDir folder;
};

TEST_F(ConvertToolTest, HelpAndUsageErrors) {
    const ProgramRun help = Run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("cantavo-convert [--slot fm|adpcm] [--max-bytes N] [--voices 2op|4op|auto] "
                            "[--timebase MS] [--report] IN OUT.mmf"),
              std::string::npos);
    const std::string midi = Quoted(Midi("tune.mid"));
    const std::string out = Quoted(folder / "out.mmf");
    for (const std::string& arguments :
         {std::string(), midi, "--slot gm " + midi + " " + out, "--voices 3op " + midi + " " + out,
          "--timebase 3 " + midi + " " + out, "--max-bytes lots " + midi + " " + out,
          midi + " " + out + " extra"})
        EXPECT_EQ(Run(arguments).status, 2) << arguments;
    const ProgramRun zero = Run("--max-bytes 0 " + midi + " " + out);
    EXPECT_EQ(zero.status, 2);
    EXPECT_EQ(zero.err, "cantavo-convert: --max-bytes must be at least 1\n");
    const ProgramRun same = Run(midi + " " + midi);
    EXPECT_EQ(same.status, 2);
    EXPECT_EQ(same.err, "cantavo-convert: " + (folder / "tune.mid").string() +
                            ": the output would overwrite the input\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "out.mmf"));
}

TEST_F(ConvertToolTest, ConvertsAMidiFileAndReports) {
    const std::filesystem::path midi = Midi("tune.mid");
    const std::filesystem::path out = folder / "tune.mmf";
    const ProgramRun result = Run("--report " + Quoted(midi) + " " + Quoted(out));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(ReadAll(out), ConvertFile(midi, {}).smaf);
    for (const char* line :
         {"input:               tune.mid: MIDI format 1, 1 track, 480 ticks per quarter note; "
          "0:02.0, 8 notes\n",
          "timebase:            1 ms\n", "notes dropped:       none\n", "controllers thinned: none\n",
          "cut point:           none\n", "fit steps:           none\n"})
        EXPECT_NE(result.out.find(line), std::string::npos) << line << result.out;
    // A new file gets the permissions a plain create gives.
    struct stat status {};
    ASSERT_EQ(stat(out.c_str(), &status), 0);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(status.st_mode & 0777, 0666 & ~mask);
}

TEST_F(ConvertToolTest, WhatWasGivenUpIsToldEvenWithoutTheReport) {
    const std::filesystem::path midi = Midi("long.mid", true);
    const ProgramRun result = Run(Quoted(midi) + " " + Quoted(folder / "long.mmf"));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("cantavo-convert: long.mid: ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find("cut after bar "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(" (--report tells more)\n"), std::string::npos) << result.err;
    EXPECT_LE(std::filesystem::file_size(folder / "long.mmf"), 8160u);
}

TEST_F(ConvertToolTest, ConvertsAnAudioFileForAnAdpcmSlot) {
    const ProgramRun result = Run("--report " + Quoted(Wav("tone.wav")) + " " + Quoted(folder / "tone.mmf"));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("sample rate:         8000 Hz\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("cut point:           none\n"), std::string::npos) << result.out;
}

TEST_F(ConvertToolTest, FailuresNameTheFileAndLeaveTheOutputAsItWas) {
    const std::filesystem::path out = folder / "kept.mmf";
    WriteAll(out, {1, 2, 3});
    const std::filesystem::path missing = folder / "missing.mid";
    const ProgramRun no_input = Run(Quoted(missing) + " " + Quoted(out));
    EXPECT_EQ(no_input.status, 1);
    EXPECT_EQ(no_input.err,
              "cantavo-convert: " + missing.string() + ": cannot read: No such file or directory\n");

    const std::filesystem::path midi = Midi("tune.mid");
    const ProgramRun wrong_slot = Run("--slot adpcm " + Quoted(midi) + " " + Quoted(out));
    EXPECT_EQ(wrong_slot.status, 1);
    EXPECT_EQ(wrong_slot.err, "cantavo-convert: " + midi.string() +
                                  ": a MIDI file becomes a melody for an FM slot, not an ADPCM slot\n");
    const ProgramRun no_room = Run("--max-bytes 20 " + Quoted(midi) + " " + Quoted(out));
    EXPECT_EQ(no_room.status, 1);
    EXPECT_NE(no_room.err.find(": 20 bytes leave no room for a melody"), std::string::npos) << no_room.err;
    EXPECT_EQ(ReadAll(out), (std::vector<uint8_t>{1, 2, 3}));

    const std::filesystem::path nowhere = folder / "no-such-folder" / "out.mmf";
    const ProgramRun unwritable = Run(Quoted(midi) + " " + Quoted(nowhere));
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.err,
              "cantavo-convert: " + nowhere.string() + ": cannot write: No such file or directory\n");
    // The earlier output, the input and the captured streams: no temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 4);
}

}  // namespace
}  // namespace cantavo
