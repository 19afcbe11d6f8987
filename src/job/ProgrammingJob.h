#pragma once
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "chip/EepromImage.h"
#include "job/JobEvents.h"
#include "job/JobReport.h"
#include "job/JobResult.h"
#include "job/JobView.h"
#include "job/ManualResetEvent.h"
#include "job/OperatorMessages.h"
#include "protocol/DeviceCommandSet.h"

namespace zt {

// The worker's step numbers: 0 idle, 1..6 and 8..11 the job, 13 end of job.
using WorkerStep = uint32_t;

// The programming job: the write request with its preflight, the worker
// thread that runs the steps, the hidden erase and version commands, the job
// record and the report of the last job. What the job shows goes to its
// JobView; what happened goes to its JobEvents as values.
//
// Threads: the user-interface thread runs OnWriteEeprom and the hidden
// commands; the worker thread runs RunWorker for the owner's whole life (the
// class above starts it and joins it before anything here is destroyed).
// Fields that both touch are atomics (or locked), written in the order the
// job hand-over relies on: every job field before workerStep. The large
// buffers and the report are handed over through workerStep and owned by one
// thread at a time.
class ProgrammingJob : public DeviceCommandSet {
public:
    ProgrammingJob(const Platform& platform, JobView& view, JobEvents& events);

    Status ParseImageTags();
    void OnWriteEeprom();
    static void WorkerThreadMain(ProgrammingJob* job);
    void RunWorker();
    void OnEraseEeprom();
    void OnGetFirmwareVersion();
    Status TransferVersionBytes(int read, uint8_t* buffer);
    void ReportJobFailure();

    // Wakes the idle worker: a new step or a device notice is waiting.
    void WakeWorker();
    // jobResult := (jobStage, origin, class, detail).
    void RecordFailure(uint32_t origin, Failure failure) override;
    bool StopRequested() const override;

    JobTexts jobTexts = kJobTexts;  // what the job's boxes say
    uint16_t expectedFirmwareId = 0;

    // Image. An image file the front end brought instead of the built-in one,
    // already checked against the chip; empty: the chip's identity selects
    // the image.
    std::optional<EepromImage> overrideImage;
    std::string overrideImageName;              // how reports name it; "file" when empty
    std::optional<std::string> overrideSerial;  // put into whichever image is chosen
    uint32_t hasFirmwareTag = 0;
    uint32_t hasChipClassTag = 0;
    uint32_t hasHsDescriptorTag = 0;
    uint16_t imageFirmwareId = 0;
    uint8_t imageChipClass = 0;

    // Job record and hand-over
    JobResultCell jobResult;
    std::atomic<uint32_t> workerRun{0};
    int32_t rewriteBudget = 2;
    uint32_t restoreHeaderOnFailure = 1;
    uint8_t chipStatus = 0xFF;
    uint32_t chipId = 0xFFFFFFFF;
    // The last write job's report: the request starts it, the worker fills
    // the rest. Read it only while no job runs.
    JobReport jobReport;

    // Worker
    ManualResetEvent workerExitEvent;
    std::atomic<uint32_t> workerFinished{0};
    std::atomic<uint32_t> deviceWaitExpired{0};
    std::atomic<uint32_t> deviceWaitCountdown{1000};
    // Passes each re-plug wait starts with: the dialog's own 1000 unless the
    // request asked for a longer or shorter wait.
    uint32_t replugWaitPasses = 1000;
    std::atomic<WorkerStep> workerStep{0};
    uint32_t verifyMismatchCount = 0;
    std::thread workerThread;
    std::mutex wakeMutex;
    std::condition_variable wakeCondition;
    bool wakeRequested = false;

protected:
    JobView& view;
    JobEvents& events;

private:
    void RunWorkerStep();
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
    void ReportAndEnd();
    void RecordReportAndEnd(Failure failure);
    void RunDeviceEventBlock();
    void WaitWhileIdle();
    bool VerifyImageBody();  // false: the job ends with the body verify failure
    void ShowJobMessage(std::string_view text);
    void EndReport(const JobOutcome& outcome);
};

}  // namespace zt
