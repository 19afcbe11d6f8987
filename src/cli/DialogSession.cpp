#include "cli/DialogSession.h"

#include <cstdlib>

#include "app/DialogTemplate.h"
#include "cli/OperatorTexts.h"
#include "job/HexId.h"

namespace zt::cli {

namespace {

// The code inside "Fail to Write EEPROM! [XXXXXXXX]".
std::optional<uint32_t> FailureCodeOf(const std::string& text) {
    if (text.rfind(kFailurePrefix, 0) != 0) return std::nullopt;
    const std::string digits = text.substr(kFailurePrefix.size(), 8);
    if (digits.size() != 8 || digits.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos)
        return std::nullopt;
    return static_cast<uint32_t>(std::strtoul(digits.c_str(), nullptr, 16));
}

}  // namespace

DialogSession::DialogSession(const Platform& platform, ConsoleView& view, OperatorInput& input, Options options)
    : options_(std::move(options)),
      window_(loop_, view, input,
              ConsoleWindow::Options{options_.autoAnswer, options_.onReplugPrompt,
                                     [this] { return closing_.load() || options_.interrupted(); }}),
      dialog_(std::make_unique<CZT51xxWriteEepromMPDlg>(window_, platform)) {
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

void DialogSession::TypeIds(uint16_t vendorId, uint16_t productId) {
    window_.SetControlText(kIdVendorId, FormatHexId(vendorId));
    window_.SetControlText(kIdProductId, FormatHexId(productId));
}

ButtonOutcome DialogSession::WriteEeprom() {
    const size_t shownBefore = window_.MessagesShown().size();
    loop_.RunPending();  // notices that came before the press are handled first
    dialog_->OnWriteEeprom();
    // The job has ended when Write EEPROM is enabled again and the worker is
    // idle: either the preflight's failure exit re-enabled it, or the worker's
    // last step did.
    loop_.RunUntil([this] {
        return options_.interrupted() || window_.DialogEnded() ||
               (window_.IsEnabled(kIdWriteEeprom) && dialog_->workerStep.load() == 0);
    });
    const bool ended = window_.IsEnabled(kIdWriteEeprom) && dialog_->workerStep.load() == 0;
    if (!ended) return {ResultKind::Interrupted, std::nullopt};

    const auto shown = window_.MessagesShown();
    for (size_t i = shownBefore; i < shown.size(); ++i)
        if (auto code = FailureCodeOf(shown[i])) return {ResultKind::Failed, code};
    for (size_t i = shownBefore; i < shown.size(); ++i)
        if (shown[i] == kCompletionText) return {ResultKind::Ok, std::nullopt};
    // Neither message was shown (the dialog was closed under the job): the
    // job record still says how far it got.
    return {ResultKind::Failed, dialog_->jobResult.Code()};
}

ButtonOutcome DialogSession::EraseEeprom() {
    loop_.RunPending();
    dialog_->jobResult.Reset();
    dialog_->OnEraseEeprom();
    const uint32_t code = dialog_->jobResult.Code();
    if (code == 0) return {ResultKind::Ok, std::nullopt};
    return {ResultKind::Failed, code};
}

ButtonOutcome DialogSession::GetFirmwareVersion(std::string* status, std::string* version) {
    loop_.RunPending();
    dialog_->OnGetFirmwareVersion();
    *status = window_.GetControlText(kIdVersionStatus);
    *version = window_.GetControlText(kIdVersionBox);
    return {*status == "SUCCESS" ? ResultKind::Ok : ResultKind::Failed, std::nullopt};
}

void DialogSession::Close() {
    if (closed_) return;
    closed_ = true;
    closing_.store(true);  // a prompt waiting for Enter gives up
    loop_.Close();         // the worker's waits on this loop end too
    if (started_) dialog_->DestroyWindow();
}

}  // namespace zt::cli
