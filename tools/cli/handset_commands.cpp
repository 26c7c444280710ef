// read and write: connect as the window does, then copy between the working image and a backup file.
#include <cstdio>
#include <thread>

#include "host/loader_lookup.h"
#include "host/profile_file.h"
#include "host/terminal.h"
#include "tools/cli/cli_view.h"
#include "tools/cli/commands.h"
#include "tools/cli/image_file.h"
#include "tools/cli/phase_meter.h"
#include "tools/cli/temp_folder.h"
#include "transfer/handset_session.h"
#include "transfer/protocol.h"
#include "transfer/session_texts.h"

namespace cantavo::cli {
namespace {

// Whether `text` is the session's line for the end of the user-area read (its words before the figures).
bool IsDumpingFinished(const std::string& text) {
    const std::string_view format = texts::kDumpingFinished;
    return text.starts_with(format.substr(0, format.find('%')));
}

// Measures the user-area read, which runs on the connection worker between these two reports.
class CStatsView : public CCliView {
public:
    CStatsView(bool progressBar, bool stats) : CCliView(progressBar), m_stats(stats) {}
    void Attach(const ISerialPort& serial) { m_meter.emplace(serial); }

    void SetTitle(const std::string& text) override {
        if (m_stats && m_meter && text == texts::kTitleLoading) m_meter->Start();
        CCliView::SetTitle(text);
    }
    void LogMessage(const std::string& text) override {
        if (m_stats && m_meter && IsDumpingFinished(text)) m_meter->Stop("read");
        CCliView::LogMessage(text);
    }

private:
    const bool m_stats;
    std::optional<CPhaseMeter> m_meter;
};

// A session on a private image folder, connected to the handset or not.
class CHandsetRun {
public:
    explicit CHandsetRun(const HandsetOptions& options)
        : m_options(options), m_view(StderrIsTerminal(), options.stats), m_session(m_view) {
        m_view.Attach(m_session.Serial());
    }
    ~CHandsetRun() {
        // Done with the handset: the leave byte, drained before the port closes.
        if (m_connected) m_session.OnExit();
        m_view.FinishProgress();
    }

    bool Connect() {
        std::string error;
        if (!m_folder.Create(error)) {
            Fail(error);
            return false;
        }
        m_session.SetPortName(m_options.port);
        m_session.Initialise(m_folder.Path());
        const auto loader = FindLoaderFile(m_options.loader, UserProfileFile());
        if (!loader.empty() && m_session.LoadLoaderFile(loader) == 0) return false;
        m_session.OnConnect();
        if (!m_session.LoaderAllowedOnPort()) {  // refused, in the window's words; then the option that helps
            Fail("--loader FILE gives the handset's loader");
            return false;
        }
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::duration<double>(m_options.timeoutSeconds);
        auto tick = std::chrono::steady_clock::now();
        while (m_view.DetectionTimerRunning()) {
            if (std::chrono::steady_clock::now() >= deadline) {
                m_session.OnStop();
                Fail("no handset answered on " + m_options.port + " within " +
                     std::to_string(static_cast<int>(m_options.timeoutSeconds)) + " s");
                return false;
            }
            m_session.OnTimer(0);
            tick += std::chrono::milliseconds(protocol::kDetectIntervalMs);
            if (m_view.DetectionTimerRunning()) std::this_thread::sleep_until(tick);
        }
        m_session.WaitForWorker();
        m_connected = m_session.IsConnected();
        m_view.FinishProgress();
        return m_connected;
    }

    CHandsetSession& Session() { return m_session; }
    CStatsView& View() { return m_view; }

private:
    const HandsetOptions& m_options;
    CTempFolder m_folder;
    CStatsView m_view;
    CHandsetSession m_session;
    bool m_connected = false;
};

}  // namespace

int ReadHandset(const HandsetOptions& options, const std::filesystem::path& backup) {
    CHandsetRun run(options);
    if (!run.Connect()) return kExitFailure;
    return run.Session().SaveBackupCopy(backup) == 1 ? 0 : 1;
}

int WriteHandset(const HandsetOptions& options, const std::filesystem::path& backup) {
    // A file that is no user-area image is refused before the handset is touched.
    if (!ReadImage(backup)) return kExitFailure;
    CHandsetRun run(options);
    if (!run.Connect()) return kExitFailure;
    if (run.Session().RestoreBackupCopy(backup) == 0) return kExitFailure;
    CPhaseMeter meter(run.Session().Serial());
    meter.Start();
    const int programmed = run.Session().OnDownload();
    if (options.stats) meter.Stop("download");
    return programmed == 1 ? 0 : 1;
}

}  // namespace cantavo::cli
