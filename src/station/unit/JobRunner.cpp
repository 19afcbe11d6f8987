#include "station/unit/JobRunner.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "job/JobResult.h"
#include "job/OperatorMessages.h"

namespace zt::station {

namespace {
// How often a wait for the job looks at the interrupt that nobody wakes it for.
constexpr auto kRecheck = std::chrono::milliseconds(20);
}  // namespace

JobRunner::JobRunner(const Platform& platform, ConsoleView& view, OperatorInput& input, Options options)
    : view_(view),
      input_(input),
      options_(std::move(options)),
      uiThread_(std::this_thread::get_id()),
      hid_(platform.hid, [this] { return ReadsCancelled(); }),
      platform_{platform.clock, hid_, platform.audio, platform.notices, platform.usb},
      job_(platform_, *this) {
    if (!options_.interrupted) options_.interrupted = [] { return false; };
}

JobRunner::~JobRunner() { Close(); }

void JobRunner::Start() {
    registration_ = platform_.notices.Register(*this);
    job_.Launch();
    started_ = true;
}

DeviceIds JobRunner::TypedIds(const JobRequest& request) const { return job_.RequestedIds(request); }

JobReport JobRunner::Write(const JobRequest& request) {
    {
        std::lock_guard lock(mutex_);
        jobFinished_ = false;
        jobReport_.reset();
    }
    job_.Start(request);
    // The job says when it has finished: after the preflight's failure exit,
    // or once the worker's last step is done and the worker idle. Its report
    // came just before.
    std::unique_lock lock(mutex_);
    while (!jobFinished_ && !options_.interrupted()) changed_.wait_for(lock, kRecheck);
    if (jobFinished_ && jobReport_) return *std::exchange(jobReport_, std::nullopt);
    JobReport report;  // an interrupt came first
    report.outcome = {ResultKind::Interrupted, std::nullopt};
    return report;
}

JobReport JobRunner::Erase() {
    {
        std::lock_guard lock(mutex_);
        eraseOutcome_.reset();
    }
    JobReport report;
    report.start = std::chrono::system_clock::now();
    // The erase works on the open link, or opens the first known device for
    // itself and closes it again.
    DeviceAccess& device = job_.Device();
    device.ForgetLastOpened();
    if (device.IsOpen()) report.openedBefore = device.OpenIds();
    job_.Erase();
    if (!report.openedBefore) report.openedBefore = device.LastOpenedIds();
    report.end = std::chrono::system_clock::now();
    std::lock_guard lock(mutex_);
    // No outcome: the button did nothing (a job holds the device).
    report.outcome =
        eraseOutcome_ ? *std::exchange(eraseOutcome_, std::nullopt) : JobOutcome::Failed(job_.LastFailure());
    return report;
}

std::optional<std::string> JobRunner::FirmwareVersion(const JobRequest& request, std::string* status) {
    {
        std::lock_guard lock(mutex_);
        version_.reset();
    }
    job_.ReadFirmwareVersion(TypedIds(request));
    std::lock_guard lock(mutex_);
    *status = versionStatus_;
    const auto version = std::exchange(version_, std::nullopt);
    return version ? *version : std::nullopt;
}

Status JobRunner::IdentifyUnit(const JobRequest& request, ChipIdentity* identity) {
    return job_.IdentifyUnit(TypedIds(request), identity);
}

Status JobRunner::OpenUnit(const JobRequest& request) { return job_.OpenUnit(TypedIds(request)); }

void JobRunner::WatchArrivalsElsewhere(PortScope& scope, std::vector<std::string> awaitedPorts) {
    watched_ = &scope;
    // On the notice thread, and only while this job waits for its own unit.
    scope.OnArrivalElsewhere([this, &scope, awaited = std::move(awaitedPorts)](const DeviceNotice& notice) {
        if (std::find(awaited.begin(), awaited.end(), notice.port) != awaited.end()) return;
        std::lock_guard lock(mutex_);
        if (awaitingReplug_) view_.ArrivedElsewhere(notice.port, scope.Port());
    });
}

bool JobRunner::ReadsCancelled() const {
    // Ctrl-C waits for the user-interface thread, so its reads give up at
    // once. The worker's give up only when the close has begun, which clears
    // workerRun right after: an interrupt alone never fails a job step.
    if (closing_.load()) return true;
    return std::this_thread::get_id() == uiThread_ && options_.interrupted();
}

void JobRunner::Close() {
    if (closed_) return;
    closed_ = true;
    if (watched_) watched_->OnArrivalElsewhere(nullptr);  // waits for a call under way
    closing_.store(true);                                 // a prompt waiting for Enter gives up
    if (!started_) return;
    job_.Stop();
    platform_.notices.Unregister(registration_);
}

// ---- What the job shows --------------------------------------------------------

void JobRunner::ShowProgress(int percent) {
    std::lock_guard lock(mutex_);
    view_.Progress(std::clamp(percent, 0, 100));
}

void JobRunner::ShowMarker(std::string_view text) {
    // The one-character marker is the only label an operator must notice;
    // a blank marker is its normal state.
    if (text.find_first_not_of(' ') == std::string_view::npos) return;
    std::lock_guard lock(mutex_);
    view_.Marker(std::string(text));
}

void JobRunner::ShowVersionStatus(std::string_view text) {
    std::lock_guard lock(mutex_);
    versionStatus_ = text;
}

void JobRunner::ReplugRequested(const ReplugRequest& request) {
    {
        std::lock_guard lock(mutex_);
        awaitingReplug_ = true;
    }
    // Whatever the re-plug sets off (the arrival notice of the simulated chip,
    // or of a real device re-plugged by a hub port) reaches the job before
    // the prompt returns, so the worker never races ahead of it.
    const bool replugged = options_.onReplugPrompt && options_.onReplugPrompt();
    const bool automatic = options_.autoAnswer || replugged;
    {
        std::lock_guard lock(mutex_);
        view_.Prompt(std::string(request.prompt), automatic);
    }
    if (automatic) return;
    // Enter goes on; so does the end of the input (a script with no operator).
    input_.ReadLine([this] { return Cancelled(); });
    if (Cancelled()) {
        // Ctrl-C at the prompt: the job must not go on to write. Hold the
        // worker here until the close has stopped it, so that its next
        // command fails at once.
        while (job_.WorkerRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void JobRunner::ShowCompletion(std::string_view text) {
    std::lock_guard lock(mutex_);
    view_.Message(std::string(text), std::string(kJobTexts.caption));
}

void JobRunner::ShowFailure(uint32_t code) {
    std::lock_guard lock(mutex_);
    view_.Message(FailureMessage(code), "");
}

void JobRunner::JobEnded(const JobReport& report) {
    std::lock_guard lock(mutex_);
    jobReport_ = report;
    awaitingReplug_ = false;
}

void JobRunner::JobFinished() {
    {
        std::lock_guard lock(mutex_);
        jobFinished_ = true;
    }
    changed_.notify_all();
}

void JobRunner::EraseEnded(const JobOutcome& outcome) {
    std::lock_guard lock(mutex_);
    eraseOutcome_ = outcome;
}

void JobRunner::FirmwareVersionRead(const std::optional<std::string>& version) {
    std::lock_guard lock(mutex_);
    version_ = version;
}

void JobRunner::PostDeviceChange(const DeviceNotice& notice) {
    if (notice.kind == DeviceNotice::Kind::Arrival) {
        std::lock_guard lock(mutex_);
        awaitingReplug_ = false;
    }
    job_.OnDeviceNotice(notice);
}

}  // namespace zt::station
