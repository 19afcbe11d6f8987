#pragma once
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "chip/DeviceIds.h"
#include "device/PortScope.h"
#include "job/JobObserver.h"
#include "job/JobOutcome.h"
#include "job/JobReport.h"
#include "job/JobRequest.h"
#include "job/ProgrammingJob.h"
#include "platform/DeviceNotices.h"
#include "platform/Platform.h"
#include "station/operator/OperatorInput.h"
#include "station/ports/CancellableHidBackend.h"
#include "station/unit/ConsoleView.h"

namespace zt::station {

// A programming job run without a window, for the command line and the
// station: what the job shows goes to a ConsoleView as the design's texts
// (the progress bar, the marker, the boxes), its re-plug request to whoever
// re-plugs the unit, and its notices straight to the job. The thread that
// creates the runner is the job's user-interface thread; every method runs
// on it.
class JobRunner final : private JobObserver, private DeviceNoticeRecipient {
public:
    struct Options {
        bool autoAnswer = false;  // --yes: prompts answer themselves
        // Runs when the re-plug is due, before the prompt is shown. A front
        // end that re-plugs the unit by itself (the simulated chip, a hub port
        // switched off and on) does it here and returns true: the prompt then
        // answers itself.
        std::function<bool()> onReplugPrompt;
        // Whether the waits give up now (Ctrl-C, a closing window).
        std::function<bool()> interrupted = [] { return false; };
    };

    JobRunner(const Platform& platform, ConsoleView& view, OperatorInput& input, Options options);
    ~JobRunner() override;  // closes the job if it is still open
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    // Registers for the device notices, opens a known device if one is
    // present and starts the worker.
    void Start();
    // A write job as `request` asks for it; returns once it has ended (the
    // worker idle again) or an interrupt came, with the report of how it ended.
    JobReport Write(const JobRequest& request);
    // The hidden Erase button: its outcome (a failure carries the record it
    // left) and the device it erased.
    JobReport Erase();
    // The hidden Get FW Ver. button for the unit with these IDs (unset: the
    // last typed): the status label's text, and the version read (none when
    // the query failed).
    std::optional<std::string> FirmwareVersion(const JobRequest& request, std::string* status);
    // Opens the unit the request's IDs select and reads its chip identity,
    // as the write request will; nothing is written.
    Status IdentifyUnit(const JobRequest& request, ChipIdentity* identity);
    // The IDs the request names; one it leaves unset is the last typed.
    DeviceIds TypedIds(const JobRequest& request) const;
    // Opens the unit the request's IDs select, nothing more.
    Status OpenUnit(const JobRequest& request);

    // While the runner lives, a known device that arrives on another port
    // of `scope` while the job waits for its unit to come back is named to
    // the operator at once; the job goes on waiting. Arrivals on `awaitedPorts`
    // are not named: other jobs of the same station wait for those units.
    void WatchArrivalsElsewhere(PortScope& scope, std::vector<std::string> awaitedPorts = {});

    // Stops the job, once; stops waiting prompts first.
    void Close();

    const ProgrammingJob& Job() const { return job_; }
    ProgrammingJob& Job() { return job_; }

private:
    // JobObserver
    void ShowProgress(int percent) override;
    void ShowMarker(std::string_view text) override;
    void ShowVersionStatus(std::string_view text) override;
    void ReplugRequested(const ReplugRequest& request) override;
    void ShowCompletion(std::string_view text) override;
    void ShowFailure(uint32_t code) override;
    void JobEnded(const JobReport& report) override;
    void JobFinished() override;
    void EraseEnded(const JobOutcome& outcome) override;
    void FirmwareVersionRead(const std::optional<std::string>& version) override;
    // DeviceNoticeRecipient: the notices that reach the runner are its unit's.
    void PostDeviceChange(const DeviceNotice& notice) override;

    // Whether a read waiting for a reply gives up now: on the runner's thread
    // after an interrupt, on any thread once the close has begun.
    bool ReadsCancelled() const;
    bool Cancelled() const { return closing_.load() || options_.interrupted(); }

    ConsoleView& view_;
    OperatorInput& input_;
    Options options_;
    const std::thread::id uiThread_;
    std::atomic<bool> closing_{false};
    CancellableHidBackend hid_;
    const Platform platform_;

    // What the job told; the view is called under the same lock, one call
    // at a time.
    std::mutex mutex_;
    std::condition_variable changed_;
    bool jobFinished_ = false;
    bool awaitingReplug_ = false;
    std::optional<JobReport> jobReport_;
    std::optional<JobOutcome> eraseOutcome_;
    std::optional<std::optional<std::string>> version_;
    std::string versionStatus_;

    PortScope* watched_ = nullptr;
    uintptr_t registration_ = 0;
    bool started_ = false;
    bool closed_ = false;
    // Last, so that it (and its worker) goes first.
    ProgrammingJob job_;
};

}  // namespace zt::station
