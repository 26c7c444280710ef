// cantavo-cli as a user runs it: offline image commands, and read/write against the virtual handset.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "tests/program_run/run_program.h"
#include "tests/transfer/temp_dir.h"
#include "tests/transfer/test_files.h"
#include "tools/handset/virtual_handset.h"
#include "transfer/loader_table.h"
#include "transfer/scramble.h"
#include "transfer/user_area.h"

namespace cantavo::testing {
namespace {

class CliTest : public ::testing::Test {
protected:
    // Runs the program with its temporary files kept in a folder of ours, so leftovers show, and with a home
    // of its own (profile, data folder).
    ProgramRun Run(const std::string& arguments) {
        const std::string home = (folder / "home").string();
        return RunProgram("TMPDIR='" + tmp.Path().string() + "' HOME='" + home + "' XDG_CONFIG_HOME='" +
                              home + "/config' XDG_DATA_HOME='" + home + "/data' '" CANTAVO_CLI "' " +
                              arguments,
                          folder.Path());
    }
    std::string Path(const std::string& name) const {
        return std::string("'").append((folder / name).string()).append("'");
    }

    CTempDir folder;
    CTempDir tmp;
};

// The cantavo-handset program, running until the object goes; Device() is the first line it prints.
class CHandsetProgram {
public:
    explicit CHandsetProgram(std::vector<std::string> arguments) {
        int ends[2];
        if (pipe(ends) != 0) return;
        arguments.insert(arguments.begin(), CANTAVO_HANDSET);
        std::vector<char*> argv;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        m_pid = fork();
        if (m_pid == 0) {
            dup2(ends[1], STDOUT_FILENO);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(ends[1]);
        m_output = fdopen(ends[0], "r");
    }
    ~CHandsetProgram() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_output) fclose(m_output);
    }
    std::string Device() {
        char line[512] = {};
        if (!m_output || !std::fgets(line, sizeof line, m_output)) return {};
        std::string device = line;
        if (!device.empty() && device.back() == '\n') device.pop_back();
        return device;
    }
    int Status() {  // waits for the end of a program that stopped by itself
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
    FILE* m_output = nullptr;
};

// A virtual handset served in this process until Stop() or the end of the object.
class CServedHandset {
public:
    explicit CServedHandset(handset::HandsetOptions options) : m_handset(std::move(options)) {
        std::string error;
        const bool open = m_handset.Open(error);
        EXPECT_TRUE(open) << error;
        if (open) m_server = std::thread([this] { m_handset.Run(); });
    }
    ~CServedHandset() { Stop(); }
    void Stop() {
        if (!m_server.joinable()) return;
        m_handset.Stop();
        m_server.join();
    }
    std::string Port() const { return "--port '" + m_handset.DevicePath() + "' "; }
    int Connections() const { return m_handset.Connections(); }

private:
    handset::CVirtualHandset m_handset;
    std::thread m_server;
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
    WriteAll(folder / "big.mmf", Smaf(8161 - 8));
    const auto big = Run("insert " + Path("image.smf") + " 1 " + Path("big.mmf"));
    EXPECT_EQ(big.status, 1);
    EXPECT_NE(big.err.find("File Size Over (Until 8160Byte)"), std::string::npos);
    EXPECT_EQ(ReadAll(folder / "image.smf"), std::vector<uint8_t>(kUserAreaBytes, 0xFF));

    const auto slot = Run("extract " + Path("image.smf") + " 13 " + Path("x.mmf"));
    EXPECT_EQ(slot.status, 1);
    EXPECT_NE(slot.err.find("'13'"), std::string::npos);

    WriteAll(folder / "short.smf", {1, 2, 3});
    const auto shortImage = Run("list " + Path("short.smf"));
    EXPECT_EQ(shortImage.status, 1);
    EXPECT_NE(shortImage.err.find("short.smf"), std::string::npos);

    // A port that is no pseudo-terminal gets no placeholder: refused before it is opened.
    const auto noLoader = Run("--port " + Path("no-such-port") + " read " + Path("out.smf"));
    EXPECT_EQ(noLoader.status, 1);
    EXPECT_EQ(noLoader.err,
              "No handset loader is set: choose your handset's loader file in Setting.\n"
              "cantavo-cli: --loader FILE gives the handset's loader\n");
    WriteAll(folder / "real.ldr", std::vector<uint8_t>(64, 0x42));
    const auto noDevice =
        Run("--port " + Path("no-such-port") + " --loader " + Path("real.ldr") + " read " + Path("out.smf"));
    EXPECT_EQ(noDevice.status, 1);
    EXPECT_NE(noDevice.err.find("Port Initialization Failed."), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder / "out.smf"));
    const auto badLoader =
        Run("--port " + Path("no-such-port") + " --loader " + Path("big.mmf") + " read " + Path("out.smf"));
    EXPECT_EQ(badLoader.status, 1);
    EXPECT_NE(badLoader.err.find("Loader file refused: " + (folder / "big.mmf").string() + ": 8161 bytes"),
              std::string::npos)
        << badLoader.err;
}

TEST_F(CliTest, ErasedSlotsListAsEmptyAndHaveNothingToExtract) {
    std::vector<uint8_t> image(kUserAreaBytes, 0xFF);
    WriteAll(folder / "image.smf", image);
    const auto list = Run("list " + Path("image.smf"));
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find(" 1  FM 1     (empty)\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("12  ADPCM 4  (empty)\n"), std::string::npos) << list.out;
    EXPECT_EQ(list.out.find("bytes"), std::string::npos);

    const auto extract = Run("extract " + Path("image.smf") + " 3 " + Path("x.mmf"));
    EXPECT_EQ(extract.status, 1);
    EXPECT_NE(extract.err.find("FM 3 is empty."), std::string::npos) << extract.err;
    EXPECT_FALSE(std::filesystem::exists(folder / "x.mmf"));
    EXPECT_EQ(ReadAll(folder / "image.smf"), image);
}

TEST_F(CliTest, ListAlignsItsColumnsByTheWidthOnScreen) {
    std::vector<uint8_t> image(kUserAreaBytes, 0xFF);
    const auto put = [&](int index, const std::string& title) {
        auto slot = BuildSlot(index, title, Smaf(92));
        ScrambleBytes(slot.data(), slot.size());
        std::copy(slot.begin(), slot.end(), image.begin() + SlotOffset(index));
    };
    put(0, "Caf\xC3\xA9 \xC3\xA0 la cr\xC3\xA8me");  // "Café à la crème": 15 characters, 18 bytes
    put(1, "Plain title");
    put(2, "bell\x07ring");  // a control character would act on the terminal
    WriteAll(folder / "image.smf", image);
    const auto list = Run("list " + Path("image.smf"));
    ASSERT_EQ(list.status, 0);
    std::istringstream lines(list.out);
    std::string first, second, third;
    std::getline(lines, first);
    std::getline(lines, second);
    std::getline(lines, third);
    const auto columns = [](const std::string& line) {  // characters on screen, not bytes
        return std::count_if(line.begin(), line.end(), [](char c) { return (c & 0xC0) != 0x80; });
    };
    EXPECT_EQ(columns(first), columns(second)) << first << "\n" << second;
    EXPECT_TRUE(first.ends_with(" 100 bytes")) << first;
    EXPECT_NE(third.find("bell?ring"), std::string::npos) << third;
}

TEST_F(CliTest, AFileThatIsNotSmafGoesInOnlyWithForce) {
    WriteAll(folder / "image.smf", std::vector<uint8_t>(kUserAreaBytes, 0xFF));
    WriteAll(folder / "x.mmf", std::vector<uint8_t>(200, 0x5A));
    const auto refused = Run("insert " + Path("image.smf") + " 4 " + Path("x.mmf"));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("x.mmf is not a SMAF melody. Insert it anyway? no (--force says yes)"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(ReadAll(folder / "image.smf"), std::vector<uint8_t>(kUserAreaBytes, 0xFF));

    const auto forced = Run("insert --force " + Path("image.smf") + " 4 " + Path("x.mmf"));
    EXPECT_EQ(forced.status, 0) << forced.err;
    ASSERT_EQ(Run("extract " + Path("image.smf") + " 4 " + Path("back.bin")).status, 0);
    EXPECT_EQ(ReadAll(folder / "back.bin"), std::vector<uint8_t>(200, 0x5A));
}

TEST_F(CliTest, ReadAndWriteTalkToTheHandset) {
    handset::HandsetOptions options;
    options.flash = folder / "flash.bin";
    CServedHandset handset(options);
    const std::string port = handset.Port();

    const auto read = Run(port + "--stats read " + Path("backup.smf"));
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_NE(read.err.find("Dumping File finished"), std::string::npos);
    EXPECT_NE(read.err.find("stats: read wall="), std::string::npos) << read.err;  // measured to that line
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
    const auto silent = Run(port + "--timeout 2 read " + Path("none.smf"));
    EXPECT_EQ(silent.status, 1);
    EXPECT_NE(silent.err.find("no handset answered"), std::string::npos);
}

TEST_F(CliTest, WriteChecksItsFileBeforeItTakesTheHandsetAndSaysSoOnce) {
    handset::HandsetOptions options;
    options.flash = folder / "flash.bin";
    CServedHandset handset(options);
    WriteAll(folder / "short.smf", std::vector<uint8_t>(1000, 0));
    const auto write = Run(handset.Port() + "write " + Path("short.smf"));
    EXPECT_EQ(write.status, 1);
    EXPECT_EQ(write.err, "cantavo-cli: " + (folder / "short.smf").string() +
                             ": 1000 bytes, not a user-area image (131072 bytes)\n");
    EXPECT_EQ(handset.Connections(), 0);
    const auto missing = Run(handset.Port() + "write " + Path("none.smf"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err,
              "cantavo-cli: " + (folder / "none.smf").string() + ": No such file or directory\n");
}

// The handset runs its own loader only: --loader, else the profile's LoaderPath, else loader.ldr in the data
// folder.
TEST_F(CliTest, TheLoaderComesFromTheOptionTheProfileOrTheDataFolder) {
    std::vector<uint8_t> loader(3000);
    for (size_t i = 0; i < loader.size(); ++i) loader[i] = static_cast<uint8_t>(i * 17 + 3);
    WriteAll(folder / "handset.ldr", LoaderTableFile(loader));
    handset::HandsetOptions options;
    options.flash = folder / "flash.bin";
    options.settings.loader = loader;
    CServedHandset handset(options);
    const std::string read = handset.Port() + "--timeout 3 ";

    EXPECT_EQ(Run(read + "read " + Path("a.smf")).status, 1);  // the placeholder: not this handset's
    EXPECT_EQ(handset.Connections(), 0);

    std::filesystem::create_directories(folder / "home/config/cantavo");
    std::ofstream(folder / "home/config/cantavo/cantavo.ini")
        << "[Cantavo]\nMainPath=/music\nLoaderPath=" << (folder / "handset.ldr").string() << "\n";
    const auto fromProfile = Run(read + "read " + Path("b.smf"));
    EXPECT_EQ(fromProfile.status, 0) << fromProfile.err;
    EXPECT_EQ(handset.Connections(), 1);

    WriteAll(folder / "other.bin", std::vector<uint8_t>(3000, 1));  // the option comes first
    EXPECT_EQ(Run(read + "--loader " + Path("other.bin") + " read " + Path("c.smf")).status, 1);
    EXPECT_EQ(handset.Connections(), 1);

    std::filesystem::remove(folder / "home/config/cantavo/cantavo.ini");
    std::filesystem::create_directories(folder / "home/data/cantavo");
    std::filesystem::copy_file(folder / "handset.ldr", folder / "home/data/cantavo/loader.ldr");
    const auto fromDataFolder = Run(read + "read " + Path("d.smf"));
    EXPECT_EQ(fromDataFolder.status, 0) << fromDataFolder.err;
    EXPECT_EQ(handset.Connections(), 2);
}

// Both programs as a user runs them: cantavo-handset with its own --loader, cantavo-cli with the same file.
TEST_F(CliTest, TheHandsetProgramTakesALoaderFileToo) {
    std::vector<uint8_t> loader(700);
    for (size_t i = 0; i < loader.size(); ++i) loader[i] = static_cast<uint8_t>(i * 29 + 5);
    WriteAll(folder / "handset.ldr", LoaderTableFile(loader));
    CHandsetProgram program(
        {"--flash", (folder / "flash.bin").string(), "--loader", (folder / "handset.ldr").string()});
    const std::string device = program.Device();
    ASSERT_FALSE(device.empty());
    const auto read =
        Run("--port '" + device + "' --loader " + Path("handset.ldr") + " read " + Path("b.smf"));
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(ReadAll(folder / "b.smf"), std::vector<uint8_t>(kUserAreaBytes, 0xFF));

    WriteAll(folder / "bad.ldr", {1, 2, 3});
    CHandsetProgram refusing(
        {"--flash", (folder / "flash.bin").string(), "--loader", (folder / "bad.ldr").string()});
    EXPECT_EQ(refusing.Device(), "");
    EXPECT_EQ(refusing.Status(), 1);
}

}  // namespace
}  // namespace cantavo::testing
