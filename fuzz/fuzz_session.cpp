// The handset session against a far end that answers with the input's bytes, on a scripted port whose clock
// jumps instead of waiting. Every operation must end with its report, and nothing the far end does may change
// the working image or a backup.
//
// Input: a mode byte, then the far end's reaction to each write of the PC, one record per write:
//   0x00-0x7F  an answer: (h & 0x0F) bytes follow, arriving after delay class (h >> 4) & 7 (kDelays)
//   0x80-0xBF  the last answer again, for this write and the next ((h & 0x3F) << 8 | next byte) writes
//   0xC0       the line hangs up (until the port is opened again)
//   0xC1 f     the next open fails (f picks the reason)
//   0xC2       the next change of the line format fails
//   0xC3 n     the next write takes only n bytes
//   0xC4-0xFF  no answer
// A record of the last four kinds is followed by the record that answers the write. When the input is used up
// the far end is silent.
// Mode bit 0 clear: Connect as the window does it, on a new session (detection ticks a second apart, the
// loader, synchronisation, the read). Set: Download, Save and Load on a session connected once per process to
// a well-behaved handset (a whole read takes long enough to slow the fuzzer down if every Download needed
// one); with bit 1 the backup is loaded back too.
#include <array>
#include <chrono>
#include <memory>
#include <numeric>

#include "fuzz/fuzz_support.h"
#include "tests/transfer/recording_view.h"
#include "tests/transfer/scripted_handset.h"
#include "tests/transfer/scripted_port.h"
#include "transfer/handset_session.h"
#include "transfer/scramble.h"
#include "transfer/session_texts.h"

namespace cantavo {
namespace {

using namespace std::chrono_literals;
using fuzz::CInputReader;
using testing::CRecordingView;
using testing::CScriptedPort;
namespace fs = std::filesystem;

// Each straddles a time-out of the exchange: 100 ms (acknowledgement, synchronisation), 200 ms (a byte of the
// read), 500 ms (a block's end), 2 s (credit), 10 s (erase).
constexpr std::array<ISerialPort::Clock::duration, 8> kDelays = {0ms,   1ms,   99ms,   150ms,
                                                                 250ms, 600ms, 2100ms, 10500ms};
constexpr std::array<OpenFailure, 6> kOpenFailures = {
    OpenFailure::kNotFound,  OpenFailure::kPermission,        OpenFailure::kBusy,
    OpenFailure::kNotSerial, OpenFailure::kLineFormatRefused, OpenFailure::kOther};
constexpr int kDetectionTicks = 3;
constexpr size_t kAreaBytes = 0x20000;
constexpr size_t kBlockBytes = 1024;
// A loader of our own (so that any port may take it), short: three frames.
const std::vector<uint8_t> kLoader(64, 0x5A);

// The far end: reads the input record by record as the PC writes.
class CFarEnd {
public:
    explicit CFarEnd(CInputReader& input) : m_input(input) {}

    void OnWrite(CScriptedPort& port) {
        if (m_repeats > 0) {
            --m_repeats;
            return Answer(port);
        }
        while (!m_input.Empty()) {
            const uint8_t header = m_input.Byte();
            if (header < 0x80) {
                m_delay = kDelays[(header >> 4) & 7];
                const auto bytes = m_input.Bytes(header & 0x0F);
                m_answer.assign(bytes.begin(), bytes.end());
                return Answer(port);
            }
            if (header < 0xC0) {
                m_repeats = static_cast<uint32_t>((header & 0x3F) << 8 | m_input.Byte());
                return Answer(port);
            }
            switch (header) {
                case 0xC0:
                    port.HangUp();
                    break;
                case 0xC1:
                    port.FailNextOpen(kOpenFailures[m_input.Byte() % kOpenFailures.size()]);
                    break;
                case 0xC2:
                    port.FailNextLineFormat();
                    break;
                case 0xC3:
                    port.LimitNextWrite(m_input.Byte());
                    break;
                default:
                    return;
            }
        }
    }

private:
    void Answer(CScriptedPort& port) { port.Deliver(m_answer, m_delay); }

    CInputReader& m_input;
    std::vector<uint8_t> m_answer;
    ISerialPort::Clock::duration m_delay{};
    uint32_t m_repeats = 0;
};

struct SessionOnScript {
    explicit SessionOnScript(const fs::path& folder) {
        auto owned = std::make_unique<CScriptedPort>();
        port = owned.get();
        session = std::make_unique<CHandsetSession>(view, std::move(owned));
        const fs::path loader = fuzz::Folder() / "own.ldr";
        fuzz::WriteFile(loader, kLoader);
        session->SetPortDevice("/dev/ttyScripted");
        session->Initialise(folder);
        FUZZ_CHECK(session->LoadLoaderFile(loader) == 1);
    }
    // Connect, the detection timer's ticks a second apart, and the worker's end. The clock moves only
    // between ticks: once a tick has started the worker, the port belongs to that thread.
    void Connect() {
        session->OnConnect();
        for (int tick = 0; tick < kDetectionTicks && view.TimerRunning(); ++tick) {
            if (tick > 0) port->Advance(1s);
            session->OnTimer(0);
        }
        session->WaitForWorker();
    }

    CRecordingView view;
    CScriptedPort* port = nullptr;
    std::unique_ptr<CHandsetSession> session;
};

// A session connected to the virtual handset's machine, once per process.
SessionOnScript& ConnectedSession() {
    static SessionOnScript* connected = [] {
        auto* run = new SessionOnScript(fuzz::Folder() / "connected");
        handset::HandsetSettings settings;
        settings.loader = kLoader;
        static testing::CScriptedHandset handset(*run->port, settings);
        std::string error;
        FUZZ_CHECK(handset.Open(fuzz::Folder() / "flash.bin", error));
        run->Connect();
        FUZZ_CHECK(run->session->IsConnected());
        // Slots with something in them, so that a download carries more than zeros.
        std::vector<uint8_t> work(kAreaBytes);
        for (size_t i = 0; i < work.size(); ++i) work[i] = static_cast<uint8_t>(i * 31 + i / 251);
        fuzz::WriteFile(run->session->WorkFile(), work);
        return run;
    }();
    return *connected;
}

bool Logged(const CRecordingView& view, const std::string& text) {
    return view.Logged(text);
}

// The blocks the PC sent after the erase byte, checked (header, checksum) and unscrambled.
std::vector<uint8_t> SentImage(std::span<const uint8_t> written) {
    FUZZ_CHECK(!written.empty() && written[0] == 0xBB);
    std::vector<uint8_t> image;
    size_t at = 1;
    while (at < written.size()) {
        FUZZ_CHECK(at + 4 <= written.size() && written[at] == 0xAA);
        const size_t length = written[at + 1] | written[at + 2] << 8;
        FUZZ_CHECK(length > 0 && length <= kBlockBytes && length % 4 == 0 &&
                   at + 4 + length <= written.size());
        const auto data = written.subspan(at + 4, length);
        FUZZ_CHECK(static_cast<uint8_t>(std::accumulate(data.begin(), data.end(), 0u)) == written[at + 3]);
        std::vector<uint8_t> block(data.begin(), data.end());
        ScrambleBytes(block.data(), block.size());
        image.insert(image.end(), block.begin(), block.end());
        at += 4 + length;
    }
    return image;
}

// Download, then a backup saved (and loaded back): the working image stays as it was throughout.
void DownloadAndBackUp(SessionOnScript& run, bool loadBack) {
    CHandsetSession& session = *run.session;
    const auto work = fuzz::ReadFile(session.WorkFile());
    FUZZ_CHECK(work.size() == kAreaBytes);
    run.view.Clear();
    const size_t before = run.port->Written().size();
    const int programmed = session.OnDownload();
    const auto written = std::span(run.port->Written()).subspan(before);
    FUZZ_CHECK(fuzz::ReadFile(session.WorkFile()) == work);
    FUZZ_CHECK(run.view.LoggedStartingWith("Programming File finished ("));
    if (programmed == 1) {
        FUZZ_CHECK(Logged(run.view, texts::kWriteSuccess));
        FUZZ_CHECK(run.view.MessageBoxes().empty());
        FUZZ_CHECK(SentImage(written) == work);
    } else {
        FUZZ_CHECK(Logged(run.view, texts::kEraseNoAnswer) || (Logged(run.view, texts::kSendBlockError) &&
                                                               run.view.Notified(texts::kFlashWritingError)));
        FUZZ_CHECK(run.view.MessageBoxes() == std::vector<std::string>{texts::kDownloadIncomplete});
        FUZZ_CHECK(run.view.Logs().back() == texts::kDownloadIncomplete);
    }

    const fs::path backup = fuzz::Folder() / "backup.smf";
    FUZZ_CHECK(session.SaveBackupCopy(backup) == 1);
    FUZZ_CHECK(fuzz::ReadFile(backup) == work);
    if (!loadBack) return;
    FUZZ_CHECK(session.RestoreBackupCopy(backup) == 1);
    FUZZ_CHECK(fuzz::ReadFile(session.WorkFile()) == work);
}

int TestOneInput(const uint8_t* data, size_t size) {
    CInputReader input(data, size);
    const uint8_t mode = input.Byte();
    CFarEnd farEnd(input);
    const auto answer = [&farEnd](CScriptedPort& port, std::span<const uint8_t>) { farEnd.OnWrite(port); };

    if (mode & 1) {
        SessionOnScript& run = ConnectedSession();
        run.port->ClearLine();  // nothing left over from the input before
        run.port->SetOnWrite(answer);
        DownloadAndBackUp(run, mode & 2);
        run.port->SetOnWrite({});
        return 0;
    }

    SessionOnScript run(fuzz::Folder() / "connect");
    run.port->SetOnWrite(answer);
    run.Connect();
    if (run.view.Logged(texts::kTargetDetected)) {
        // The worker ended either connected or with the end of a failed connection as the log's last line.
        if (!run.session->IsConnected()) {
            FUZZ_CHECK(Logged(run.view, texts::kProgramTerminated));
            FUZZ_CHECK(run.view.Logs().back() == texts::kSeparator);
            FUZZ_CHECK(!run.port->IsOpen());
        }
    } else {
        FUZZ_CHECK(!run.session->IsConnected());
    }
    if (run.session->IsConnected()) {
        const auto image = fuzz::ReadFile(run.session->ImageFile());
        FUZZ_CHECK(image.size() == kAreaBytes);
        FUZZ_CHECK(fuzz::ReadFile(run.session->WorkFile()) == image);
    }
    run.session->OnExit();
    return 0;
}

}  // namespace
}  // namespace cantavo

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return cantavo::TestOneInput(data, size);
}
