#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>

#include "chip/ChipIdentity.h"
#include "chip/DeviceIds.h"
#include "chip/EepromImage.h"
#include "device/CommandOwner.h"
#include "device/DeviceAccess.h"
#include "job/JobObserver.h"
#include "job/JobReport.h"
#include "job/JobRequest.h"
#include "job/JobResult.h"
#include "job/ManualResetEvent.h"
#include "job/OperatorMessages.h"
#include "platform/DeviceNotices.h"
#include "platform/Platform.h"
#include "protocol/DeviceCommandSet.h"

namespace zt {

// What the dialog's hidden label expects of the image's firmware record, and
// the audio device the second command path talks to.
inline constexpr uint16_t kExpectedFirmwareId = 0x4C21;
inline constexpr std::string_view kAudioDeviceName = "MarluUAC";

// The worker's step numbers: 0 idle, 1..6 and 8..11 the job, 13 end of job.
using WorkerStep = uint32_t;

// A snapshot of the job for front ends and tests: each value is read on its
// own, so a snapshot taken while the worker runs may mix two moments.
struct JobState {
    WorkerStep step = 0;
    bool workerRunning = false;   // the worker takes steps (the close stops it)
    bool workerFinished = false;  // its loop has ended
    JobResult lastFailure;
    uint8_t jobStage = 0;
    uint8_t commandTag = 0;
    bool linkOpen = false;
    DeviceIds openIds{0xFFFF, 0xFFFF};
    // What the write request read and chose.
    ChipIdentity chip;
    uint32_t imageLength = 0;
    bool hasFirmwareTag = false;
    bool hasChipClassTag = false;
    bool hasHsDescriptorTag = false;
    uint16_t imageFirmwareId = 0;
    uint8_t imageChipClass = 0;
    bool restoreHeaderOnFailure = false;
    int32_t rewriteBudget = 0;
    uint32_t verifyMismatchCount = 0;
    // The re-plug wait and the device notices waiting for the worker.
    uint32_t replugWaitPasses = 0;
    uint32_t deviceWaitCountdown = 0;
    bool deviceWaitExpired = false;
    bool arrivalPending = false;
    bool removalPending = false;
    DeviceIds notifiedIds{0xFFFF, 0xFFFF};

    bool UnderWay() const { return step != 0; }
};

// The programming job: the write request with its preflight, the worker
// thread that runs the steps, the hidden erase and version commands, the job
// record and the report of the last job. It owns the device access and the
// command set; what it shows and what happened go to its JobObserver.
//
// Threads: the user-interface thread (whoever runs the job: the dialog, a
// runner, a test) calls the requests; the worker thread runs the steps from
// Launch until Stop. Device notices may come on any thread. Fields both
// threads touch are atomics (or locked), written in the order the hand-over
// relies on: every job field before workerStep. The buffers and the report
// are handed over through workerStep and owned by one thread at a time.
class ProgrammingJob : private CommandOwner {
public:
    ProgrammingJob(const Platform& platform, JobObserver& observer);
    // Stops the worker if Stop has not, and joins it before anything it uses
    // is torn down.
    ~ProgrammingJob() override;
    ProgrammingJob(const ProgrammingJob&) = delete;
    ProgrammingJob& operator=(const ProgrammingJob&) = delete;

    // ---- Life ----------------------------------------------------------------
    // The dialog initialisation's part: opens a known device when one is
    // present (none is fine: the write request opens again) and starts the
    // worker.
    void Launch();
    // The close procedure's part: the worker stops after its current pass
    // (waited for at most 6000 ms; the destructor joins a slower one), then
    // the device is closed. A box the job was about to show is not shown.
    void Stop();

    // ---- Requests: the user-interface thread -------------------------------
    // The write request: resets the job, opens the unit the request's IDs
    // select (they go into row 0 of the known-device table), identifies the
    // chip, picks and checks its image and hands the job to the worker. A job
    // already under way makes it do nothing.
    void Start(const JobRequest& request);
    // The hidden Erase button: erases the open device, or else the first
    // known one present (the typed IDs play no part).
    void Erase();
    // The hidden Get FW Ver. button, for the device with the typed IDs.
    void ReadFirmwareVersion(DeviceIds typed);
    // The IDs a request names; one it leaves unset is the last typed (row 0
    // of the known-device table).
    DeviceIds RequestedIds(const JobRequest& request) const;
    // Opens the unit the IDs select as the write request would (row 0, then
    // the rest of the table), closing the link first; nothing is written.
    Status OpenUnit(DeviceIds ids);
    // The same, then the chip's identity. A failure leaves its record
    // (LastFailure).
    Status IdentifyUnit(DeviceIds ids, ChipIdentity* identity);
    // Reads a unit out: `out.size()` bytes from `address` of the open
    // device, recorded nowhere (see ReadEepromRange).
    Status ReadEeprom(uint16_t address, std::span<uint8_t> out,
                      const std::function<bool(size_t done)>& progress, uint32_t* failedAt);
    // The texts of the job's boxes: the design's, unless a front end words
    // them in the operator's language.
    void SetTexts(const JobTexts& texts) { jobTexts_ = texts; }
    // The write request's check of the tagged records of the image in the
    // command set's buffer, which it scans past the image's end; what it found
    // shows in State(). A failure leaves its record.
    Status ParseImageTags();
    // The firmware ID the image is expected to carry; another is only marked.
    void SetExpectedFirmwareId(uint16_t firmwareId) { expectedFirmwareId_ = firmwareId; }
    uint16_t ExpectedFirmwareId() const { return expectedFirmwareId_; }

    // ---- Device notices: any thread ------------------------------------------
    // A known device arrived or left: the worker opens the arrival or closes
    // the link. Notices of other devices change nothing. Returns whether the
    // notice named a known device.
    bool OnDeviceNotice(const DeviceNotice& notice);

    // ---- What a front end may read -------------------------------------------
    JobState State() const;
    // Whether a write job is under way: from the request until the worker's
    // last step has run.
    bool UnderWay() const { return workerStep_.load() != 0; }
    // Whether the worker still takes steps (Stop ends that).
    bool WorkerRunning() const { return workerRun_.load() != 0; }
    // The last write job's report once the worker has ended (Stop); empty
    // before.
    JobReport FinishedJobReport() const;
    // The failure the last command recorded.
    JobResult LastFailure() const { return jobResult_.Get(); }
    DeviceIds OpenDeviceIds() const { return device_.OpenIds(); }
    // The parts, for what works on the device outside a job (and for tests
    // of the commands themselves).
    DeviceAccess& Device() { return device_; }
    const DeviceAccess& Device() const { return device_; }
    DeviceCommandSet& Commands() { return commands_; }

private:
    // CommandOwner: jobResult := (jobStage, origin, class, detail); the
    // commands stop once the worker is told to.
    void RecordFailure(uint32_t origin, Failure failure) override;
    bool StopRequested() const override { return workerRun_.load() == 0; }

    // The write request's parts.
    bool PickImage(const JobRequest& request);
    void FailRequest();
    void HandOver();

    // The worker.
    void RunWorker();
    void WakeWorker();
    void WaitWhileIdle();
    void RunWorkerStep();
    void RunDeviceEventBlock();
    void PrepareRegister();
    void PrepareErase();
    void AskReplug();
    void WaitForDevice();
    void WriteControlRegisterAgain();
    void ClearHeader();
    void WriteBody();
    void WriteTail();
    void WriteHead();
    void Complete();
    void EndJob();
    bool VerifyImageBody();  // false: the job ends with the body verify failure
    void ReportAndEnd();
    void RecordReportAndEnd(Failure failure);
    void ReportJobFailure();
    void EndReport(const JobOutcome& outcome);
    Status TransferVersionBytes(DeviceIds typed, uint8_t* buffer);

    const Platform platform_;
    JobObserver& observer_;
    DeviceAccess device_;
    DeviceCommandSet commands_;
    JobTexts jobTexts_ = kJobTexts;
    uint16_t expectedFirmwareId_ = kExpectedFirmwareId;

    // The image's tags, as the request's scan found them.
    uint32_t hasFirmwareTag_ = 0;
    uint32_t hasChipClassTag_ = 0;
    uint32_t hasHsDescriptorTag_ = 0;
    uint16_t imageFirmwareId_ = 0;
    uint8_t imageChipClass_ = 0;

    // Job record and hand-over.
    JobResultCell jobResult_;
    std::atomic<uint32_t> workerRun_{0};
    std::atomic<int32_t> rewriteBudget_{2};
    uint32_t restoreHeaderOnFailure_ = 1;
    ChipIdentity chip_;
    // The last write job's report: the request starts it, the worker fills
    // the rest; handed over like the buffers.
    JobReport jobReport_;

    // The worker.
    ManualResetEvent workerExitEvent_;
    std::atomic<uint32_t> workerFinished_{0};
    std::atomic<uint32_t> deviceWaitExpired_{0};
    std::atomic<uint32_t> deviceWaitCountdown_{1000};
    // Passes each re-plug wait starts with: 1000 unless the request asked
    // for a longer or shorter wait.
    std::atomic<uint32_t> replugWaitPasses_{1000};
    std::atomic<WorkerStep> workerStep_{0};
    std::atomic<uint32_t> verifyMismatchCount_{0};
    std::thread workerThread_;
    std::mutex wakeMutex_;
    std::condition_variable wakeCondition_;
    bool wakeRequested_ = false;
};

}  // namespace zt
