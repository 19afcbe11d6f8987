#include "ui/win32/Win32DialogWindow.h"

#include <commctrl.h>
#include <commdlg.h>

#include <vector>

#include "app/CZT51xxWriteEepromMPDlg.h"
#include "app/DialogTemplate.h"
#include "host/windows/WideText.h"
#include "job/JobOutcome.h"
#include "station/operator/JobBoxText.h"
#include "station/operator/OperatorText.h"
#include "station/unit/ConsoleView.h"
#include "ui/win32/DialogTemplateBuilder.h"

namespace zt::win32 {

using host_windows::ToUtf8;
using host_windows::ToWide;

namespace {

constexpr UINT kCallMessage = WM_APP + 1;
constexpr UINT kNoticeMessage = WM_APP + 2;
constexpr const char* kAppName = "zt51xx-mp";

// The box being shown on this thread and who wants to hear of it: a CBT hook
// sees the box's window when it is activated, before the operator can answer.
struct BoxWatch {
    Win32DialogWindow* window = nullptr;
    std::string text;
    HHOOK hook = nullptr;
    bool announced = false;
};
thread_local BoxWatch* currentBox = nullptr;

LRESULT CALLBACK BoxHook(int code, WPARAM wParam, LPARAM lParam) {
    BoxWatch* watch = currentBox;
    if (code == HCBT_ACTIVATE && watch && !watch->announced && watch->window->onMessageBoxShown) {
        watch->announced = true;
        watch->window->onMessageBoxShown(reinterpret_cast<HWND>(wParam), watch->text);
    }
    return CallNextHookEx(watch ? watch->hook : nullptr, code, wParam, lParam);
}

}  // namespace

Win32DialogWindow::Win32DialogWindow() : calls_([this] { PostMessageW(window_, kCallMessage, 0, 0); }) {}

Win32DialogWindow::~Win32DialogWindow() { calls_.BeginClosing(); }

const char* Win32DialogWindow::CloseDuringJobQuestion() {
    return "The EEPROM is being written. Closing now leaves it incomplete and the device unusable until it "
           "is "
           "written again. Close anyway?";
}

bool Win32DialogWindow::JobRunning() const { return dialog_ && dialog_->JobRunning(); }

int Win32DialogWindow::RunModal(CZT51xxWriteEepromMPDlg& dialog) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    dialog_ = &dialog;
    const std::vector<uint32_t> dialogTemplate = BuildDialogTemplate(MainDialogTemplate());
    const HWND created = CreateDialogIndirectParamW(
        GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(dialogTemplate.data()), nullptr,
        &Win32DialogWindow::DialogProc, reinterpret_cast<LPARAM>(this));
    if (!created) {
        dialog_ = nullptr;
        return -1;
    }
    if (onInitialised) onInitialised();

    MSG message;
    while (!ended_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    // Workers waiting on the window are let go before the close procedure
    // waits for the worker.
    calls_.BeginClosing();
    dialog.DestroyWindow();
    ::DestroyWindow(window_);
    window_ = nullptr;
    dialog_ = nullptr;
    return result_;
}

INT_PTR CALLBACK Win32DialogWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<Win32DialogWindow*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->window_ = window;
        self->dialog_->OnInitDialog();
        return TRUE;
    }
    auto* self = reinterpret_cast<Win32DialogWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    return self ? self->HandleMessage(message, wParam, lParam) : FALSE;
}

INT_PTR Win32DialogWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) OnCommand(LOWORD(wParam));
            return TRUE;
        case WM_CLOSE:
            if (JobRunning())
                AskToClose();
            else if (dialog_)
                dialog_->OnCancel();
            return TRUE;
        case WM_TIMER:
            if (dialog_) dialog_->OnTimer(static_cast<uint32_t>(wParam));
            return TRUE;
        case kCallMessage:
            calls_.Drain();
            return TRUE;
        case kNoticeMessage:
            DeliverDeviceChanges();
            return TRUE;
        default:
            return FALSE;
    }
}

void Win32DialogWindow::OnCommand(int id) {
    if (!dialog_) return;
    // Escape never ends a running job; every button of the template is the
    // dialog's.
    if (id == IDCANCEL) {
        if (!JobRunning()) dialog_->OnCancel();
        return;
    }
    dialog_->OnCommand(id);
}

void Win32DialogWindow::CommandStarting(int id) {
    if (id == kIdWriteEeprom) ForgetLastOutcome();
    if (onCommandStarting) onCommandStarting();
}

bool Win32DialogWindow::ConfirmCloseDuringJob() {
    return ShowBox(CloseDuringJobQuestion(), kAppName, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

void Win32DialogWindow::AskToClose() {
    if (ConfirmCloseDuringJob() && dialog_) dialog_->OnOK();
}

std::optional<std::string> Win32DialogWindow::ChooseFile() {
    wchar_t path[1024] = {};
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = window_;
    request.lpstrFilter = L"All Files (*.*)\0*.*\0";
    request.lpstrFile = path;
    request.nMaxFile = static_cast<DWORD>(std::size(path));
    request.Flags = OFN_EXPLORER | OFN_NONETWORKBUTTON;
    if (!GetOpenFileNameW(&request)) return std::nullopt;
    return ToUtf8(path);
}

int Win32DialogWindow::ShowBox(const std::string& text, const std::string& caption, UINT flags) {
    BoxWatch watch;
    watch.window = this;
    watch.text = text;
    watch.hook = SetWindowsHookExW(WH_CBT, &BoxHook, nullptr, GetCurrentThreadId());
    BoxWatch* outer = currentBox;
    currentBox = &watch;
    const int answer =
        MessageBoxW(window_, ToWide(station::JobBoxText(text)).c_str(),
                    ToWide(caption.empty() ? kAppName : station::JobBoxText(caption)).c_str(), flags);
    currentBox = outer;
    if (watch.hook) UnhookWindowsHookEx(watch.hook);
    return answer;
}

void Win32DialogWindow::SetWindowTitle(const std::string& title) {
    calls_.Run([this, title] { SetWindowTextW(window_, ToWide(title).c_str()); });
}

void Win32DialogWindow::SetControlText(int id, const std::string& text) {
    calls_.Run([this, id, text] { SetDlgItemTextW(window_, id, ToWide(text).c_str()); });
}

std::string Win32DialogWindow::GetControlText(int id) {
    std::string text;
    calls_.Run([this, id, &text] {
        const HWND control = GetDlgItem(window_, id);
        if (!control) return;
        std::wstring wide(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
        wide.resize(static_cast<size_t>(GetWindowTextW(control, wide.data(), static_cast<int>(wide.size()))));
        text = ToUtf8(wide);
    });
    return text;
}

void Win32DialogWindow::EnableControl(int id, bool enable) {
    calls_.Run([this, id, enable] { EnableWindow(GetDlgItem(window_, id), enable); });
}

void Win32DialogWindow::ShowControl(int id, bool show) {
    calls_.Run([this, id, show] { ShowWindow(GetDlgItem(window_, id), show ? SW_SHOW : SW_HIDE); });
}

void Win32DialogWindow::SetProgressRange(int id, int minimum, int maximum) {
    calls_.Run(
        [this, id, minimum, maximum] { SendDlgItemMessageW(window_, id, PBM_SETRANGE32, minimum, maximum); });
}

void Win32DialogWindow::SetProgressPos(int id, int position) {
    calls_.Run([this, id, position] {
        SendDlgItemMessageW(window_, id, PBM_SETPOS, static_cast<WPARAM>(position), 0);
        if (onProgressChanged)
            onProgressChanged(static_cast<int>(SendDlgItemMessageW(window_, id, PBM_GETPOS, 0, 0)));
    });
}

void Win32DialogWindow::SetCheck(int id, bool checked) {
    calls_.Run([this, id, checked] { CheckDlgButton(window_, id, checked ? BST_CHECKED : BST_UNCHECKED); });
}

int Win32DialogWindow::ShowMessageBox(const std::string& text, const std::string& caption,
                                      MessageBoxIcon icon) {
    const UINT flags = MB_OK | (icon == MessageBoxIcon::Information ? MB_ICONINFORMATION : 0);
    auto show = [this, text, caption, flags] { ShowBox(text, caption, flags); };
    if (calls_.OnUiThread()) {
        if (!calls_.IsClosing()) show();
        return 1;
    }
    calls_.RunUntilDone([show](UiCallQueue::Done done) {
        show();
        done();
    });
    return 1;
}

void Win32DialogWindow::StartTimer(uint32_t timerId, uint32_t periodMs) {
    calls_.Run([this, timerId, periodMs] { SetTimer(window_, timerId, periodMs, nullptr); });
}

void Win32DialogWindow::StopTimer(uint32_t timerId) {
    calls_.Run([this, timerId] { KillTimer(window_, timerId); });
}

void Win32DialogWindow::EndDialog(int result) {
    calls_.Run([this, result] {
        ended_ = true;
        result_ = result;
        PostMessageW(window_, WM_NULL, 0, 0);  // wakes the loop to see it
    });
}

void Win32DialogWindow::PostDeviceChange(const DeviceNotice& notice) {
    // The notices that reach the window are the unit's own.
    if (notice.kind == DeviceNotice::Kind::Arrival) awaitingReplug_ = false;
    {
        std::lock_guard lock(noticeMutex_);
        notices_.push_back(notice);
    }
    PostMessageW(window_, kNoticeMessage, 0, 0);
}

void Win32DialogWindow::DeliverDeviceChanges() {
    for (;;) {
        DeviceNotice notice;
        {
            std::lock_guard lock(noticeMutex_);
            if (notices_.empty()) return;
            notice = std::move(notices_.front());
            notices_.pop_front();
        }
        if (dialog_ && !calls_.IsClosing()) dialog_->HandleDeviceChange(notice);
    }
}

void Win32DialogWindow::ForgetLastOutcome() {
    {
        std::lock_guard lock(outcomeMutex_);
        lastReport_.reset();
    }
    SetDlgItemTextW(window_, kIdLastResult, L"");
}

std::optional<JobReport> Win32DialogWindow::LastReport() {
    std::lock_guard lock(outcomeMutex_);
    return lastReport_;
}

std::optional<JobOutcome> Win32DialogWindow::LastOutcome() {
    std::lock_guard lock(outcomeMutex_);
    if (!lastReport_) return std::nullopt;
    return lastReport_->outcome;
}

void Win32DialogWindow::ReplugRequested(const ReplugRequest&) {
    awaitingReplug_ = true;
    if (onReplugRequested) onReplugRequested();
}

void Win32DialogWindow::ShowArrivedElsewhere(const std::string& arrivedPort, const std::string& waitingPort) {
    if (!awaitingReplug_) return;
    const std::string line =
        station::ConsoleView::ArrivedElsewhereText(arrivedPort, waitingPort, station::OperatorText);
    calls_.Run([this, line] { SetDlgItemTextW(window_, kIdLastResult, ToWide(line).c_str()); });
}

void Win32DialogWindow::JobEnded(const JobReport& report) {
    awaitingReplug_ = false;
    const JobOutcome& outcome = report.outcome;
    // Comes just before the result box; the line stays when the box is gone,
    // until the next job starts.
    {
        std::lock_guard lock(outcomeMutex_);
        lastReport_ = report;
    }
    std::string line = std::string("Last job: ") + ResultName(outcome.kind);
    if (const auto code = outcome.Code()) line += " [" + FormatResultCode(*code) + "]";
    calls_.Run([this, line] { SetDlgItemTextW(window_, kIdLastResult, ToWide(line).c_str()); });
    if (onCommandEnded) onCommandEnded();
}

void Win32DialogWindow::EraseEnded(const JobOutcome&) {
    if (onCommandEnded) onCommandEnded();
}

void Win32DialogWindow::FirmwareVersionRead(const std::optional<std::string>&) {
    if (onCommandEnded) onCommandEnded();
}

}  // namespace zt::win32
