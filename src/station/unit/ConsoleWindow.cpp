#include "station/unit/ConsoleWindow.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "app/CZT51xxWriteEepromMPDlg.h"
#include "app/DialogTemplate.h"

namespace zt::station {

ConsoleWindow::ConsoleWindow(UiLoop& loop, ConsoleView& view, OperatorInput& input, Options options)
    : loop_(loop),
      view_(view),
      input_(input),
      options_(std::move(options)),
      uiThread_(std::this_thread::get_id()) {
    if (!options_.cancelled) options_.cancelled = [] { return false; };
}

void ConsoleWindow::SetWindowTitle(const std::string& title) {
    std::lock_guard lock(mutex_);
    title_ = title;
}

void ConsoleWindow::SetControlText(int id, const std::string& text) {
    std::lock_guard lock(mutex_);
    texts_[id] = text;
    // The one-character marker is the only label an operator must notice;
    // a blank marker is its normal state.
    if (id == kIdMarker && text.find_first_not_of(' ') != std::string::npos) view_.Marker(text);
}

std::string ConsoleWindow::GetControlText(int id) {
    std::lock_guard lock(mutex_);
    const auto it = texts_.find(id);
    return it == texts_.end() ? std::string() : it->second;
}

void ConsoleWindow::EnableControl(int id, bool enable) {
    {
        std::lock_guard lock(mutex_);
        enabled_[id] = enable;
    }
    loop_.Wake();  // the front end waits for Write EEPROM to come back
}

void ConsoleWindow::ShowControl(int id, bool show) {
    std::lock_guard lock(mutex_);
    shown_[id] = show;
}

void ConsoleWindow::SetProgressRange(int, int minimum, int maximum) {
    std::lock_guard lock(mutex_);
    progressMin_ = minimum;
    progressMax_ = maximum;
}

void ConsoleWindow::SetProgressPos(int, int position) {
    std::lock_guard lock(mutex_);
    progressPos_ = std::clamp(position, progressMin_, progressMax_);
    const int span = progressMax_ - progressMin_;
    view_.Progress(span > 0 ? (progressPos_ - progressMin_) * 100 / span : 0);
}

void ConsoleWindow::SetCheck(int id, bool checked) {
    std::lock_guard lock(mutex_);
    checked_[id] = checked;
}

int ConsoleWindow::ShowMessageBox(const std::string& text, const std::string& caption, MessageBoxIcon) {
    bool prompt = false;
    {
        std::lock_guard lock(mutex_);
        prompt = std::exchange(promptNext_, false);
    }
    const bool replugged = prompt && options_.onReplugPrompt && options_.onReplugPrompt();
    {
        std::lock_guard lock(mutex_);
        messages_.push_back(text);
        if (prompt)
            view_.Prompt(text, options_.autoAnswer || replugged);
        else
            view_.Message(text, caption);
    }
    if (prompt) AnswerPrompt(replugged);
    loop_.Wake();
    return 1;
}

void ConsoleWindow::AnswerPrompt(bool replugged) {
    const bool onUiThread = std::this_thread::get_id() == uiThread_;
    // Whatever the re-plug set off (notices from the simulated chip, or from a
    // real device the operator re-plugged) is handled by the user-interface
    // thread before the box returns, so the worker never races ahead of the
    // arrival notice.
    auto settle = [&] {
        if (onUiThread)
            loop_.RunPending();
        else
            loop_.Flush();
    };
    settle();
    if (options_.autoAnswer || replugged) return;
    // Enter goes on; so does the end of the input (a script with no operator).
    input_.ReadLine(options_.cancelled);
    if (options_.cancelled()) {
        // Ctrl-C at the prompt: the job must not go on to write. Hold the
        // worker here until the close procedure has cleared workerRun, so
        // that its next command fails at once.
        auto* dialog = dialog_.load();
        while (dialog && dialog->WorkerRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return;
    }
    settle();
}

void ConsoleWindow::StartTimer(uint32_t timerId, uint32_t periodMs) {
    loop_.StartTimer(timerId, periodMs, [this](uint32_t id) {
        if (auto* dialog = dialog_.load()) dialog->OnTimer(id);
    });
}

void ConsoleWindow::StopTimer(uint32_t timerId) { loop_.StopTimer(timerId); }

void ConsoleWindow::EndDialog(int) {
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
    }
    loop_.Wake();
}

void ConsoleWindow::PostDeviceChange(const DeviceNotice& notice) {
    // The notices that reach the window are the unit's own.
    if (notice.kind == DeviceNotice::Kind::Arrival) {
        std::lock_guard lock(mutex_);
        awaitingReplug_ = false;
    }
    loop_.Post([this, notice] {
        if (auto* dialog = dialog_.load()) dialog->HandleDeviceChange(notice);
    });
}

void ConsoleWindow::ReplugRequested() {
    std::lock_guard lock(mutex_);
    promptNext_ = true;
    awaitingReplug_ = true;
}

void ConsoleWindow::JobEnded(const JobReport& report) {
    std::lock_guard lock(mutex_);
    jobReport_ = report;
    awaitingReplug_ = false;
}

void ConsoleWindow::EraseEnded(const JobOutcome& outcome) {
    std::lock_guard lock(mutex_);
    eraseOutcome_ = outcome;
}

void ConsoleWindow::FirmwareVersionRead(const std::optional<std::string>& version) {
    std::lock_guard lock(mutex_);
    version_ = version;
}

std::optional<JobReport> ConsoleWindow::TakeJobReport() {
    std::lock_guard lock(mutex_);
    return std::exchange(jobReport_, std::nullopt);
}

void ConsoleWindow::JobFinished() {
    {
        std::lock_guard lock(mutex_);
        jobFinished_ = true;
    }
    loop_.Wake();
}

bool ConsoleWindow::JobFinishedSinceStart() {
    std::lock_guard lock(mutex_);
    return jobFinished_;
}

void ConsoleWindow::StartingJob() {
    std::lock_guard lock(mutex_);
    jobFinished_ = false;
    jobReport_.reset();
}

bool ConsoleWindow::AwaitingReplug() {
    std::lock_guard lock(mutex_);
    return awaitingReplug_;
}

void ConsoleWindow::ShowArrivalElsewhere(const std::string& arrivedPort, const std::string& waitingPort) {
    std::lock_guard lock(mutex_);
    view_.ArrivedElsewhere(arrivedPort, waitingPort);
}

std::optional<JobOutcome> ConsoleWindow::TakeEraseOutcome() {
    std::lock_guard lock(mutex_);
    return std::exchange(eraseOutcome_, std::nullopt);
}

std::optional<std::optional<std::string>> ConsoleWindow::TakeFirmwareVersion() {
    std::lock_guard lock(mutex_);
    return std::exchange(version_, std::nullopt);
}

bool ConsoleWindow::IsEnabled(int id) {
    std::lock_guard lock(mutex_);
    const auto it = enabled_.find(id);
    return it == enabled_.end() || it->second;
}

int ConsoleWindow::ProgressPos() {
    std::lock_guard lock(mutex_);
    return progressPos_;
}

std::vector<std::string> ConsoleWindow::MessagesShown() {
    std::lock_guard lock(mutex_);
    return messages_;
}

bool ConsoleWindow::DialogEnded() {
    std::lock_guard lock(mutex_);
    return ended_;
}

}  // namespace zt::station
