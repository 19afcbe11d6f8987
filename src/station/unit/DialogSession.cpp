#include "station/unit/DialogSession.h"

#include <algorithm>

#include "app/DialogTemplate.h"
#include "chip/HexId.h"

namespace zt::station {

DialogSession::DialogSession(const Platform& platform, ConsoleView& view, OperatorInput& input,
                             Options options)
    : options_(std::move(options)),
      uiThread_(std::this_thread::get_id()),
      hid_(platform.hid, [this] { return ReadsCancelled(); }),
      window_(loop_, view, input,
              ConsoleWindow::Options{options_.autoAnswer, options_.onReplugPrompt,
                                     [this] { return closing_.load() || options_.interrupted(); }}),
      dialog_(std::make_unique<CZT51xxWriteEepromMPDlg>(
          window_, Platform{platform.clock, hid_, platform.audio, platform.notices, platform.usb})) {
    window_.Attach(dialog_.get());
}

DialogSession::~DialogSession() {
    Close();
    dialog_.reset();  // joins a worker that outlived the close's wait
    window_.Attach(nullptr);
}

void DialogSession::Start() {
    dialog_->OnInitDialog();
    started_ = true;
    loop_.RunPending();
}

JobReport DialogSession::WriteEeprom(const JobRequest& request) {
    loop_.RunPending();  // notices that came before the press are handled first
    window_.StartingJob();
    dialog_->StartJob(request);
    // The dialog says when the job has finished: after the preflight's failure
    // exit, or once the worker's last step is done and the worker idle. Its
    // report came just before.
    loop_.RunUntil(
        [&] { return options_.interrupted() || window_.DialogEnded() || window_.JobFinishedSinceStart(); });
    if (window_.JobFinishedSinceStart())
        if (auto report = window_.TakeJobReport()) return *report;
    JobReport report;  // the close or an interrupt came first
    report.outcome = {ResultKind::Interrupted, std::nullopt};
    return report;
}

JobOutcome DialogSession::EraseEeprom(const JobRequest& request) {
    loop_.RunPending();
    window_.TakeEraseOutcome();
    dialog_->ShowRequestedIds(request);
    dialog_->OnEraseEeprom();
    if (auto outcome = window_.TakeEraseOutcome()) return *outcome;
    // The button did nothing (a job holds the device).
    return JobOutcome::Failed(dialog_->LastFailure());
}

std::optional<std::string> DialogSession::GetFirmwareVersion(std::string* status, const JobRequest& request) {
    loop_.RunPending();
    window_.TakeFirmwareVersion();
    dialog_->ShowRequestedIds(request);
    dialog_->OnGetFirmwareVersion();
    *status = window_.GetControlText(kIdVersionStatus);
    const auto version = window_.TakeFirmwareVersion();
    return version ? *version : std::nullopt;
}

void DialogSession::WatchArrivalsElsewhere(PortScope& scope, std::vector<std::string> awaitedPorts) {
    watched_ = &scope;
    // On the notice thread: the line is shown from the user-interface loop,
    // and only while this job waits for its own unit.
    scope.OnArrivalElsewhere([this, &scope, awaited = std::move(awaitedPorts)](const DeviceNotice& notice) {
        if (!window_.AwaitingReplug()) return;
        if (std::find(awaited.begin(), awaited.end(), notice.port) != awaited.end()) return;
        loop_.Post([this, arrived = notice.port, waiting = scope.Port()] {
            window_.ShowArrivalElsewhere(arrived, waiting);
        });
    });
}

void DialogSession::RunFor(std::chrono::milliseconds duration) {
    const auto until = std::chrono::steady_clock::now() + duration;
    loop_.RunUntil([&] { return options_.interrupted() || std::chrono::steady_clock::now() >= until; },
                   std::chrono::milliseconds(200));
}

bool DialogSession::ReadsCancelled() const {
    // Ctrl-C waits for the user-interface thread, so its reads give up at
    // once. The worker's give up only when the close has begun, which clears
    // workerRun right after: an interrupt alone never fails a job step.
    if (closing_.load()) return true;
    return std::this_thread::get_id() == uiThread_ && options_.interrupted();
}

void DialogSession::Close() {
    if (closed_) return;
    closed_ = true;
    if (watched_) watched_->OnArrivalElsewhere(nullptr);  // waits for a call under way
    closing_.store(true);                                 // a prompt waiting for Enter gives up
    loop_.Close();                                        // the worker's waits on this loop end too
    if (started_) dialog_->DestroyWindow();
}

}  // namespace zt::station
