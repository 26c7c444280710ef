#pragma once
// CHandsetSession: the handset side of the main window, without the window.
//
// It holds the connection settings and flags, the serial port, the image files and the slot/source selection,
// and runs the protocol: detection at 2400 baud on the window's 1000 ms timer, then a worker thread that
// downloads the loader, re-opens the line at 115200 baud, synchronises, reads the user area and shows the
// slot names; Download, Insert, Reload, Save and Load run on the caller's thread. Everything it shows goes
// through an ISessionView. Operations return 1 for success and 0 for failure, and report their own failures.
//
// A window forwards: Connect -> OnConnect, timer 0 -> OnTimer(0), Stop -> OnStop, Exit -> OnExit, Download ->
// OnDownload, Reload -> OnReload, Save -> OnSaveBackup, Load -> OnLoadBackup, slot radio/box -> OnSelectSlot,
// a chosen file -> SelectSourceFile + InsertFile, a slot's menu -> SlotMelody, SaveSlotMelody, ClearSlot,
// Setting OK -> SetPort, LoadLoaderFile.
//
// One session at a time works in an image folder: the first takes it (a lock file in it), and a second one
// refuses to connect instead of sharing the image files.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "host/folder_lock.h"
#include "serial/serial_comm.h"
#include "transfer/loader_table.h"
#include "transfer/session_view.h"

namespace cantavo {

class CHandsetSession {
public:
    // Unanswered ticks of the 1000 ms detection timer before the log adds a hint: 10 s.
    static constexpr int kDetectHintAttempts = 10;

    // On a serial port of this machine, or on `port` (a scripted far end in tests).
    explicit CHandsetSession(ISessionView& view);
    CHandsetSession(ISessionView& view, std::unique_ptr<ISerialPort> port);
    // Joins the worker (cancelling its waits); sends and shows nothing.
    ~CHandsetSession();
    CHandsetSession(const CHandsetSession&) = delete;
    CHandsetSession& operator=(const CHandsetSession&) = delete;

    // Window start-up: image files "sm.tmp" and "smwork.tmp" in `folder` (created when missing); when the
    // session can take the folder, stale image files are deleted; then ResetState().
    void Initialise(const std::filesystem::path& folder);

    // Settings.
    void SetPort(int port) { m_nPort = port; }  // COM number, 1 = COM1 (Setting dialog)
    int Port() const { return m_nPort; }
    // A device path used instead of "COMn" when not empty.
    void SetPortDevice(std::string device) { m_strPortDevice = std::move(device); }
    const std::string& PortDevice() const { return m_strPortDevice; }
    // The port as a user names it: "COMn" sets the COM number, anything else is the device path.
    void SetPortName(const std::string& name);
    // "COMn" -> device, from the profile.
    void SetPortMap(PortMap map) { m_portMap = std::move(map); }
    // The device the port stands for: the device path, or "COMn" through the port map.
    std::string PortDevicePath() const;
    // A loader file (table or bare image) instead of the built-in placeholder; 0 (a log line naming the file
    // and the reason, the loader unchanged) on failure.
    int LoadLoaderFile(const std::filesystem::path& file);
    // Whether the loader may go to the port: the placeholder only to a pseudo-terminal.
    bool LoaderAllowedOnPort() const;

    // Window commands (window thread). While the worker runs they do nothing, except OnExit.
    void OnConnect();
    void OnTimer(int id);  // id 0: one detection attempt
    void OnStop();
    void OnExit();     // cancels and joins the worker, sends the leave byte 0xDD, closes the port
    int OnDownload();  // 1 when the handset confirmed every block
    void OnReload();
    void OnSaveBackup();
    void OnLoadBackup();
    void OnSelectSlot(int index);
    void SelectSourceFile(const std::filesystem::path& file);  // m_selPath/Name/Title; no insert
    // 1 when the slot was written. A file larger than the slot's capacity is refused; one that is not SMAF
    // goes in only when the user agrees.
    int InsertFile();
    // Puts `melody` (a SMAF melody made in memory, e.g. converted) into the selected slot under the selected
    // file's title, as InsertFile does with a file's bytes; 1 when the slot was written.
    int InsertMelody(const std::vector<uint8_t>& melody);
    // The melody in slot `index` of the working image; nullopt (reported) when the slot is erased or the
    // image cannot be read.
    std::optional<std::vector<uint8_t>> SlotMelody(int index);
    int SaveSlotMelody(int index, const std::filesystem::path& file);
    // Erases slot `index` in the working image (all 0xFF); the next Download writes it.
    int ClearSlot(int index);

    // State for the window and the command-line tool.
    bool IsConnected() const { return m_bConnected.load(); }  // the last connection completed and is open
    bool IsWorkerRunning() const { return m_bWorkerRunning.load(); }
    void WaitForWorker();  // joins a worker that has been started
    int SlotIndex() const { return m_nSlotIndex; }
    int SlotMask() const { return m_nSlotMask; }
    const std::filesystem::path& ImageFolder() const { return m_imageFolder; }
    const std::filesystem::path& ImageFile() const { return m_imageFile; }
    const std::filesystem::path& WorkFile() const { return m_workFile; }
    const std::string& SelectedTitle() const { return m_strSelTitle; }
    const ISerialPort& Serial() const { return m_serial; }

    // Protocol operations, public so that tests and cantavo-cli can drive single steps.
    int InitSerialPort(uint32_t baud);
    int DetectTarget();
    int DownloadLoader();
    int CompleteConnection();
    int Synchronize();
    int SendByte(uint8_t value);
    int ReadByteTimeout(int milliseconds, uint8_t& byte);
    // Reads bytes.size() bytes, each within `milliseconds` of the one before (the first of the call): the
    // count read, fewer when one did not come in time.
    size_t ReadBytesTimeout(int milliseconds, std::span<uint8_t> bytes);
    int WaitForAck();
    void AbortConnection();
    int ReadUserArea();
    int CopyImage();
    void ShowSlotNames();
    int ProgramFlash();  // 1 when every block was confirmed
    int SendFileBlocks(std::span<const uint8_t> image);
    int SendBlock(uint8_t* buffer, uint32_t length);
    int SaveBackupCopy(const std::filesystem::path& backup);     // working image -> backup file
    int RestoreBackupCopy(const std::filesystem::path& backup);  // backup file -> working image
    void ResetState();
    void CloseConnection();

private:
    using Clock = ISerialPort::Clock;

    void ConnectThreadProc();
    // The worker is done with the port and the files. Called before the view enables commands, since the
    // window acts on that call before the worker thread has ended.
    void EndWorkerUse();
    void StartDetection();
    void SetDetection(bool running);
    // Whether a melody of `size` bytes fits the selected slot (logged when it does not).
    bool FitsSelectedSlot(std::uintmax_t size);
    // Takes the image folder for this session (the first time, stale image files go); false, and the log
    // says why, when another session holds it.
    bool TakeImageFolder();
    void SetProgress(int percent);  // the bar; the view hears only changes
    void DeleteImageFiles();
    void ReportOpenFailure();
    void ReportFileError(const std::string& error);
    Clock::time_point Now() const { return m_serial.Now(); }  // the port's clock, which its waits use
    double SecondsSince(Clock::time_point start) const;
    int MillisecondsUntil(Clock::time_point deadline) const;  // 0 once it has passed

    ISessionView& m_view;
    std::unique_ptr<ISerialPort> m_port;
    ISerialPort& m_serial;  // *m_port
    PortMap m_portMap;
    LoaderTable m_loader;
    CFolderLock m_folderLock;

    // Connection settings (the Connect command forces 115200 8N1) and state.
    uint32_t m_nBaudRate = 115200;
    uint8_t m_nByteSize = 8;
    uint8_t m_nParity = 0;
    uint8_t m_nStopBits = 0;
    int m_nPort = 1;
    std::string m_strPortDevice;
    int m_bConnectStarted = 0;
    int m_bTargetDetected = 0;
    int m_bPortOpen = 0;
    int m_nTargetType = 0;
    uint8_t m_byLoaderMode = 0;
    int m_nProgress = 0;
    int m_nBarPosition = 0;
    bool m_bDetecting = false;
    int m_nDetectAttempts = 0;  // unanswered since Connect
    std::atomic<bool> m_bConnected{false};
    bool m_bHandsetIncomplete = false;  // an erase went out and no download has completed since

    // Image files and selection.
    std::filesystem::path m_imageFolder;
    std::filesystem::path m_imageFile;
    std::filesystem::path m_workFile;
    std::filesystem::path m_selPath;
    std::string m_strSelName;
    std::string m_strSelTitle;
    int m_nSlotIndex = 0;
    int m_nSlotMask = 1;

    // Connection worker.
    std::thread m_worker;
    std::atomic<bool> m_bWorkerRunning{false};  // the worker still uses the port and the image files
    std::atomic<bool> m_bCancel{false};
};

}  // namespace cantavo
