#pragma once
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "app/DialogWindow.h"
#include "app/ManualResetEvent.h"
#include "chip/EepromImage.h"
#include "chip/KnownDeviceTable.h"
#include "device/HidLink.h"
#include "job/JobResult.h"
#include "job/OperatorMessages.h"
#include "platform/Platform.h"
#include "platform/Status.h"

namespace zt {

// The worker's step numbers: 0 idle, 1..6 and 8..11 the job, 13 end of job.
using WorkerStep = uint32_t;

// The main dialog. It owns every piece of run-time state of the tool: the
// connection, the image buffer, the job record, the worker and its flags, the
// device-change fields and the command tag. Its operations are grouped by
// subsystem in src/app, src/job, src/protocol and src/device.
//
// Threads: the user-interface thread runs the handlers (On...), the device
// notices and the close procedure; the worker thread runs RunWorker for the
// dialog's whole life. Fields that both touch are atomics (or locked), written
// in the order the job hand-over relies on: every job field before workerStep.
// The large buffers are handed over through workerStep and owned by one
// thread at a time.
class CZT51xxWriteEepromMPDlg {
public:
    CZT51xxWriteEepromMPDlg(DialogWindow& window, const Platform& platform);
    ~CZT51xxWriteEepromMPDlg();
    CZT51xxWriteEepromMPDlg(const CZT51xxWriteEepromMPDlg&) = delete;
    CZT51xxWriteEepromMPDlg& operator=(const CZT51xxWriteEepromMPDlg&) = delete;

    // ---- Start-up and main window ---------------------------------------
    bool OnInitDialog();   // the window and its controls exist
    void DestroyWindow();  // the close procedure; the front end calls it once the modal loop ends
    void OnOK();           // Exit button, Enter
    void OnCancel();       // Escape
    void OnTimer(uint32_t timerId);
    void OnBrowse(const std::string& chosenPath);  // "..." confirmed with a path
    void OnCornerSpot(int id);

    // ---- Device presence monitoring ---------------------------------------
    int RegisterForDeviceNotifications();
    int HandleDeviceChange(const DeviceNotice& notice);
    int MatchKnownDeviceName(uint16_t vendorId, uint16_t productId);

    // ---- Programming job --------------------------------------------------
    Status ParseImageTags();
    void OnWriteEeprom();
    static void WorkerThreadMain(CZT51xxWriteEepromMPDlg* dlg);
    void RunWorker();
    void OnEraseEeprom();
    void OnGetFirmwareVersion();
    Status TransferVersionBytes(int read, uint8_t* buffer);
    void ReportJobFailure();

    // ---- Device command set -----------------------------------------------
    void NextTag();
    Status WriteProgressMarker(uint8_t stage);
    Status ReadChipIdentity(uint32_t* chipIdOut, uint8_t* statusOut);
    Status WriteControlRegister();
    Status EraseEeprom();
    Status ClearImageHeader();
    Status WriteHeaderHead();
    Status WriteHeaderTail();
    Status ReadBackHeader();
    Status ReadBackHeaderHead();
    Status ReadBackHeaderTail();
    Status WriteImageBody();
    Status ReadBackImage();
    Status RestoreHeaderFromBackup();

    // ---- Device access ------------------------------------------------------
    Status OpenKnownDevice();
    Status OpenDeviceById(uint16_t vendorId, uint16_t productId);
    void CloseDevice();
    Status AudioVendorWrite(const char* serviceName, uint8_t request, uint16_t value, uint16_t index);
    Status AudioReadRegister(uint8_t reg, uint8_t* value);
    Status FindDeviceInUsbTree();

    // Wakes the idle worker: a new step or a device notice is waiting.
    void WakeWorker();
    // jobResult := (jobStage, origin, class, detail).
    void RecordFailure(uint32_t origin, uint32_t errorClass, uint32_t errorDetail);

    // ---- Fields -------------------------------------------------------------
    DialogWindow& window;
    Platform platform;

    // Start-up and main window
    DialogWindow* notifyWindow = nullptr;
    JobTexts jobTexts = kJobTexts;  // what the job's boxes say
    std::string audioDeviceName;
    uint16_t expectedFirmwareId = 0;
    int cornerSpotClicks[2] = {0, 0};

    // Device access. linkMutex serialises opening, closing and every exchange
    // on hidLink between the two threads.
    std::recursive_mutex linkMutex;
    HidLink hidLink;
    std::atomic<uint16_t> deviceVendorId{0xFFFF};
    std::atomic<uint16_t> deviceProductId{0xFFFF};
    std::atomic<uint16_t> hidInputReportLength{0};
    std::atomic<Handle> filterHandle{kInvalidHandle};
    KnownDeviceTable knownDevices = kInitialKnownDevices;  // row 0 written by the UI thread only
    uint32_t usbDeviceFound = 0;
    std::array<uint8_t, 16> versionRecord{};

    // Device presence monitoring
    uintptr_t deviceNotifyHandle = 0;
    std::atomic<uint32_t> deviceArrivalPending{0};
    std::atomic<uint32_t> deviceRemovalPending{0};
    std::atomic<uint16_t> notifiedVid{0xFFFF};
    std::atomic<uint16_t> notifiedPid{0xFFFF};
    std::atomic<uint32_t> deviceWaitCountdown{1000};

    // Image
    std::array<uint8_t, kImageBufferSize> imageBuffer{};
    uint32_t imageLength = kImageSize;
    // An image file the front end brought instead of the built-in one, already
    // checked against the chip; empty: the chip's identity selects the image.
    std::optional<EepromImage> overrideImage;
    uint32_t hasFirmwareTag = 0;
    uint32_t hasChipClassTag = 0;
    uint32_t hasHsDescriptorTag = 0;
    uint16_t imageFirmwareId = 0;
    uint8_t imageChipClass = 0;

    // Job record and hand-over
    JobResultCell jobResult;
    std::atomic<uint8_t> jobStage{0};
    std::atomic<uint32_t> workerRun{0};
    std::array<uint8_t, kImageBufferSize> rewriteMap{};
    int32_t rewriteBudget = 2;
    uint32_t restoreHeaderOnFailure = 1;
    uint8_t chipStatus = 0xFF;
    uint32_t chipId = 0xFFFFFFFF;

    // Worker
    ManualResetEvent workerExitEvent;
    std::atomic<uint32_t> workerFinished{0};
    std::atomic<uint32_t> deviceWaitExpired{0};
    std::atomic<WorkerStep> workerStep{0};
    uint32_t verifyMismatchCount = 0;
    std::thread workerThread;
    std::mutex wakeMutex;
    std::condition_variable wakeCondition;
    bool wakeRequested = false;

    // Command set
    std::atomic<uint8_t> commandTag{240};
    std::array<uint8_t, kImageBufferSize> readBackBuffer{};

private:
    void RunWorkerStep();
    void RunDeviceEventBlock();
    void WaitWhileIdle();
    bool VerifyImageBody();  // false: the job ends with the body verify failure
    void ShowJobMessage(std::string_view text);
};

}  // namespace zt
