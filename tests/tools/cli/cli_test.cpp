// cantavo-cli as a user runs it: offline image commands, and read/write against the virtual handset.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "tests/transfer/temp_dir.h"
#include "tools/handset/virtual_handset.h"
#include "transfer/scramble.h"
#include "transfer/user_area.h"

namespace cantavo::testing {
namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

class CliTest : public ::testing::Test {
protected:
    // Runs the program with its temporary files kept in a folder of ours, so leftovers show.
    Result Run(const std::string& arguments) {
        const auto out = folder / "stdout.txt";
        const auto err = folder / "stderr.txt";
        const std::string command = "TMPDIR='" + tmp.Path().string() + "' timeout 120 '" CANTAVO_CLI "' " +
                                    arguments + " > '" + out.string() + "' 2> '" + err.string() + "'";
        const int raw = std::system(command.c_str());
        const auto text = [](const std::filesystem::path& file) {
            std::stringstream s;
            s << std::ifstream(file).rdbuf();
            return s.str();
        };
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text(out), text(err)};
    }
    std::string Path(const std::string& name) const {
        return std::string("'").append((folder / name).string()).append("'");
    }

    CTempDir folder;
    CTempDir tmp;
};

std::vector<uint8_t> Smaf(size_t bodySize) {
    std::vector<uint8_t> file = {
        'M', 'M', 'M', 'D', 0, 0, static_cast<uint8_t>(bodySize >> 8), static_cast<uint8_t>(bodySize)};
    for (size_t i = 0; i < bodySize; ++i)
        file.push_back(static_cast<uint8_t>(i % 7));  // ends in zeros sometimes
    return file;
}

TEST_F(CliTest, HelpAndUsageErrors) {
    const auto help = Run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("extract"), std::string::npos);
    EXPECT_NE(help.out.find("ports"), std::string::npos);
    // Wrong arguments exit with 2, whichever check finds them.
    EXPECT_EQ(Run("").status, 2);
    EXPECT_EQ(Run("--bogus list " + Path("x.smf")).status, 2);
    EXPECT_EQ(Run("insert " + Path("x.smf") + " 1").status, 2);
    const auto noPort = Run("read " + Path("out.smf"));
    EXPECT_EQ(noPort.status, 2);
    EXPECT_NE(noPort.err.find("--port"), std::string::npos);
}

TEST_F(CliTest, PortsNamesDevicesThatExist) {
    const auto ports = Run("ports");
    EXPECT_EQ(ports.status, 0);
    if (ports.out.empty()) {
        EXPECT_NE(ports.err.find("no serial ports found"), std::string::npos);
    }
    std::istringstream lines(ports.out);
    for (std::string line; std::getline(lines, line);) {
        const std::string path = line.substr(0, line.find(" ("));
        EXPECT_TRUE(path.starts_with("/dev/")) << line;
        EXPECT_TRUE(std::filesystem::exists(path)) << line;
    }
}

TEST_F(CliTest, InsertListAndExtractWorkOnAnImageFile) {
    WriteAll(folder / "image.smf", std::vector<uint8_t>(kUserAreaBytes, 0xFF));
    const auto melody = Smaf(301);
    WriteAll(folder / "ring.tone.mmf", melody);
    ASSERT_EQ(Run("insert " + Path("image.smf") + " 9 " + Path("ring.tone.mmf")).status, 0);

    const auto list = Run("list " + Path("image.smf"));
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find(" 9  ADPCM 1  ring"), std::string::npos) << list.out;
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 12);

    ASSERT_EQ(Run("extract " + Path("image.smf") + " 9 " + Path("back.mmf")).status, 0);
    EXPECT_EQ(ReadAll(folder / "back.mmf"), melody);
    EXPECT_TRUE(std::filesystem::is_empty(tmp.Path()));
}

TEST_F(CliTest, ExtractTrimsTrailingZerosOfDataThatIsNotSmaf) {
    std::vector<uint8_t> image(kUserAreaBytes, 0);
    std::vector<uint8_t> slot = BuildSlot(0, "raw", std::vector<uint8_t>{7, 0, 8, 0, 0});
    ScrambleBytes(slot.data(), slot.size());
    std::copy(slot.begin(), slot.end(), image.begin());
    WriteAll(folder / "image.smf", image);
    ASSERT_EQ(Run("extract " + Path("image.smf") + " 1 " + Path("raw.bin")).status, 0);
    EXPECT_EQ(ReadAll(folder / "raw.bin"), (std::vector<uint8_t>{7, 0, 8}));
}

TEST_F(CliTest, RefusalsExitNonZeroAndSayWhy) {
    WriteAll(folder / "image.smf", std::vector<uint8_t>(kUserAreaBytes, 0xFF));
    WriteAll(folder / "big.mmf", std::vector<uint8_t>(8193, 1));
    const auto big = Run("insert " + Path("image.smf") + " 1 " + Path("big.mmf"));
    EXPECT_EQ(big.status, 1);
    EXPECT_NE(big.err.find("File Size Over (Until 8192Byte)"), std::string::npos);
    EXPECT_EQ(ReadAll(folder / "image.smf"), std::vector<uint8_t>(kUserAreaBytes, 0xFF));

    const auto slot = Run("extract " + Path("image.smf") + " 13 " + Path("x.mmf"));
    EXPECT_EQ(slot.status, 1);
    EXPECT_NE(slot.err.find("'13'"), std::string::npos);

    WriteAll(folder / "short.smf", {1, 2, 3});
    const auto shortImage = Run("list " + Path("short.smf"));
    EXPECT_EQ(shortImage.status, 1);
    EXPECT_NE(shortImage.err.find("short.smf"), std::string::npos);

    const auto noDevice = Run("--port " + Path("no-such-port") + " read " + Path("out.smf"));
    EXPECT_EQ(noDevice.status, 1);
    EXPECT_NE(noDevice.err.find("Port Initialization Failed."), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder / "out.smf"));
}

TEST_F(CliTest, ReadAndWriteTalkToTheHandset) {
    handset::HandsetOptions options;
    options.flash = folder / "flash.bin";
    handset::CVirtualHandset handset(options);
    std::string error;
    ASSERT_TRUE(handset.Open(error)) << error;
    std::thread server([&] { handset.Run(); });
    const std::string port = "--port '" + handset.DevicePath() + "' ";

    const auto read = Run(port + "read " + Path("backup.smf"));
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_NE(read.err.find("Dumping File finished"), std::string::npos);
    EXPECT_EQ(ReadAll(folder / "backup.smf"), std::vector<uint8_t>(kUserAreaBytes, 0xFF));

    const auto melody = Smaf(1000);
    WriteAll(folder / "song.mmf", melody);
    ASSERT_EQ(Run("insert " + Path("backup.smf") + " 2 " + Path("song.mmf")).status, 0);
    const auto write = Run(port + "write " + Path("backup.smf"));
    EXPECT_EQ(write.status, 0) << write.err;
    EXPECT_NE(write.err.find("Write Success!!"), std::string::npos);
    const auto flash = ReadAll(folder / "flash.bin");
    const auto slot = BuildSlot(1, "song", melody);
    EXPECT_TRUE(std::equal(slot.begin(), slot.end(), flash.begin() + SlotOffset(1)));
    EXPECT_TRUE(std::filesystem::is_empty(tmp.Path()));
    EXPECT_EQ(handset.Connections(), 2);

    handset.Stop();
    server.join();
    const auto silent = Run(port + "--timeout 2 read " + Path("none.smf"));
    EXPECT_EQ(silent.status, 1);
    EXPECT_NE(silent.err.find("no handset answered"), std::string::npos);
}

}  // namespace
}  // namespace cantavo::testing
