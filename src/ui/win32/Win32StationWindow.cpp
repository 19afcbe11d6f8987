#include "ui/win32/Win32StationWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>

#include "chip/HexId.h"
#include "chip/KnownDeviceTable.h"
#include "host/windows/WideText.h"
#include "job/JobOutcome.h"
#include "platform/DeviceBackend.h"
#include "platform/UsbPortName.h"
#include "station/KnownDeviceScan.h"
#include "station/UnitRows.h"
#include "ui/win32/DialogTemplateBuilder.h"
#include "ui/win32/StationTemplate.h"

namespace zt::win32 {

using host_windows::ToUtf8;
using host_windows::ToWide;

namespace {

constexpr UINT kCallMessage = WM_APP + 1;
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMs = 1000;
constexpr const char* kAppName = "zt51xx-mp";
constexpr const char* kReplugCaption = "Write to EEPROM...";
constexpr const char* kHeldByAnotherJob = "Held by another job; not written";
constexpr const char* kLockNotTaken = "Lock not taken; not written: ";

// The box being shown on this thread and who wants to hear of it: a CBT hook
// sees the box's window when it is activated, before the operator can answer.
struct BoxWatch {
    std::function<void(HWND)> shown;
    HWND* openBox = nullptr;
    HHOOK hook = nullptr;
    bool announced = false;
};
thread_local BoxWatch* currentBox = nullptr;

LRESULT CALLBACK BoxHook(int code, WPARAM wParam, LPARAM lParam) {
    BoxWatch* watch = currentBox;
    if (code == HCBT_ACTIVATE && watch && !watch->announced) {
        watch->announced = true;
        *watch->openBox = reinterpret_cast<HWND>(wParam);
        if (watch->shown) watch->shown(reinterpret_cast<HWND>(wParam));
    }
    return CallNextHookEx(watch ? watch->hook : nullptr, code, wParam, lParam);
}

std::string IdsOf(const station::PresentDevice& device) {
    std::string ids = FormatHexId(device.vendorId) + ':' + FormatHexId(device.productId);
    if (device.updater) ids += " (updater)";
    // Its IDs come from the USB walk; its job will fail at the open.
    if (!device.openable) ids += " (cannot be opened)";
    return ids;
}

// Ports in the order a person counts them: "1-1.10" after "1-1.9".
bool NaturalLess(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (std::isdigit(static_cast<unsigned char>(a[i])) &&
            std::isdigit(static_cast<unsigned char>(b[j]))) {
            size_t endA = i, endB = j;
            while (endA < a.size() && std::isdigit(static_cast<unsigned char>(a[endA]))) ++endA;
            while (endB < b.size() && std::isdigit(static_cast<unsigned char>(b[endB]))) ++endB;
            const std::string numberA = a.substr(i, endA - i), numberB = b.substr(j, endB - j);
            const size_t zerosA = numberA.find_first_not_of('0'), zerosB = numberB.find_first_not_of('0');
            const std::string digitsA = zerosA == std::string::npos ? "" : numberA.substr(zerosA);
            const std::string digitsB = zerosB == std::string::npos ? "" : numberB.substr(zerosB);
            if (digitsA.size() != digitsB.size()) return digitsA.size() < digitsB.size();
            if (digitsA != digitsB) return digitsA < digitsB;
            i = endA;
            j = endB;
            continue;
        }
        if (a[i] != b[j]) return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

std::string Units(size_t count) { return std::to_string(count) + (count == 1 ? " unit" : " units"); }

}  // namespace

Win32StationWindow::Win32StationWindow(DeviceBackend& backend)
    : backend_(backend), calls_([this] { PostMessageW(window_, kCallMessage, 0, 0); }) {}

Win32StationWindow::~Win32StationWindow() {
    calls_.BeginClosing();
    StopJob();
}

const char* Win32StationWindow::CloseDuringJobQuestion() {
    return "Closing now stops the write and leaves the EEPROM of every unit being written incomplete; close "
           "anyway?";
}

int Win32StationWindow::RunModal() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    const std::vector<uint32_t> dialogTemplate = BuildTableTemplate(StationDialogTemplate());
    const HWND created = CreateDialogIndirectParamW(
        GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(dialogTemplate.data()), nullptr,
        &Win32StationWindow::DialogProc, reinterpret_cast<LPARAM>(this));
    if (!created) return -1;
    if (onInitialised) onInitialised();

    MSG message;
    while (!ended_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    StopJob();
    KillTimer(window_, kRefreshTimer);
    ::DestroyWindow(window_);
    window_ = nullptr;
    return result_;
}

INT_PTR CALLBACK Win32StationWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<Win32StationWindow*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->window_ = window;
        for (size_t row = 0; row < kStationRows; ++row)
            SendDlgItemMessageW(window, StationCellId(row, kStationProgress), PBM_SETRANGE32, 0, 100);
        SetTimer(window, kRefreshTimer, kRefreshMs, nullptr);
        self->Refresh();
        return TRUE;
    }
    auto* self = reinterpret_cast<Win32StationWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    return self ? self->HandleMessage(message, wParam, lParam) : FALSE;
}

INT_PTR Win32StationWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) OnCommand(LOWORD(wParam));
            return TRUE;
        case WM_CLOSE:
            if (!running_ || ConfirmClose()) Close(2);
            return TRUE;
        case WM_TIMER:
            if (wParam == kRefreshTimer) Refresh();
            return TRUE;
        case kCallMessage:
            calls_.Drain();
            return TRUE;
        default:
            return FALSE;
    }
}

void Win32StationWindow::OnCommand(int id) {
    switch (id) {
        case kIdWriteEeprom:
            StartJob();
            break;
        case kIdStationExit:
            if (!running_ || ConfirmClose()) Close(1);
            break;
        case IDCANCEL:  // Escape: never ends a running job
            if (!running_) Close(2);
            break;
        default:  // Enter (IDOK) does nothing: a stray key must not start or end a job
            break;
    }
}

bool Win32StationWindow::ConfirmClose() {
    return ShowBox(CloseDuringJobQuestion(), kAppName, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2,
                   onCloseQuestionShown) == IDYES &&
           !ended_;
}

void Win32StationWindow::Close(int result) {
    if (ended_) return;
    ended_ = true;
    result_ = result;
    // The unit threads may be waiting on the window (a row, the prompt):
    // release them, and take down a box that is up, so the loop can end and
    // the job be waited for.
    stopping_ = true;
    calls_.BeginClosing();
    if (openBox_) EndDialog(openBox_, IDNO);
    PostMessageW(window_, WM_NULL, 0, 0);
}

void Win32StationWindow::StopJob() {
    if (!job_.joinable()) return;
    stopping_ = true;
    calls_.BeginClosing();
    job_.join();
    running_ = false;
}

int Win32StationWindow::ShowBox(const std::string& text, const char* caption, UINT flags,
                                const std::function<void(HWND)>& shown) {
    BoxWatch watch;
    watch.shown = shown;
    watch.openBox = &openBox_;
    const HWND outerBox = openBox_;
    watch.hook = SetWindowsHookExW(WH_CBT, &BoxHook, nullptr, GetCurrentThreadId());
    BoxWatch* outer = currentBox;
    currentBox = &watch;
    const int answer = MessageBoxW(window_, ToWide(text).c_str(), ToWide(caption).c_str(), flags);
    currentBox = outer;
    if (watch.hook) UnhookWindowsHookEx(watch.hook);
    openBox_ = outerBox;
    return answer;
}

void Win32StationWindow::Refresh() {
    if (running_ || ended_) return;
    int openFailures = 0;
    // A unit whose HID interface cannot be opened still gets its row, and
    // its job fails with its code, rather than the unit being left out unseen.
    const Platform platform = backend_.AsPlatform();
    const auto devices = station::ScanUnits(platform.hid, platform.usb, kInitialKnownDevices, &openFailures);
    size_t portUnknown = 0;
    std::vector<Row> next = station::RowsAfterScan(rows_, devices, IdsOf, &portUnknown);
    std::sort(next.begin(), next.end(),
              [](const Row& a, const Row& b) { return NaturalLess(a.port, b.port); });
    size_t leftOut = 0;
    if (next.size() > kStationRows) {
        leftOut = next.size() - kStationRows;
        next.resize(kStationRows);
    }
    const auto same = [](const Row& a, const Row& b) {
        return a.port == b.port && a.ids == b.ids && a.present == b.present && a.result == b.result;
    };
    if (next.size() != rows_.size() || !std::equal(next.begin(), next.end(), rows_.begin(), same)) {
        rows_ = std::move(next);
        ShowRows();
    }

    const auto present = static_cast<size_t>(
        std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.present; }));
    std::string status;
    if (present > 0) {
        status = Units(present) + " present.";
    } else {
        status = "No known device present.";
        const std::string hint = backend_.PermissionHint();
        if (openFailures > 0 && !hint.empty()) status += ' ' + hint;
    }
    if (portUnknown > 0) status += ' ' + Units(portUnknown) + " left out: " + kPortUnknownText + '.';
    if (leftOut > 0) status += ' ' + Units(leftOut) + " more not shown and not written.";
    SetStatus(status);
    UpdateButton();
}

void Win32StationWindow::ShowRows() {
    for (size_t i = 0; i < kStationRows; ++i) {
        const bool shown = i < rows_.size();
        for (int column = 0; column < kStationColumns; ++column)
            ShowWindow(GetDlgItem(window_, StationCellId(i, static_cast<StationColumn>(column))),
                       shown ? SW_SHOW : SW_HIDE);
        if (!shown) continue;
        const Row& row = rows_[i];
        SetDlgItemTextW(window_, StationCellId(i, kStationPort), ToWide(row.port).c_str());
        SetDlgItemTextW(window_, StationCellId(i, kStationIds),
                        ToWide(row.present ? row.ids : "(unplugged)").c_str());
        SetDlgItemTextW(window_, StationCellId(i, kStationResult), ToWide(row.result).c_str());
        SendDlgItemMessageW(window_, StationCellId(i, kStationProgress), PBM_SETPOS,
                            static_cast<WPARAM>(std::clamp(row.progress, 0, 100)), 0);
    }
}

void Win32StationWindow::UpdateButton() {
    EnableWindow(
        GetDlgItem(window_, kIdWriteEeprom),
        !running_ && std::any_of(rows_.begin(), rows_.end(), [](const Row& r) { return r.present; }));
}

void Win32StationWindow::SetStatus(const std::string& text) {
    if (text == status_) return;
    status_ = text;
    SetDlgItemTextW(window_, kIdStationStatus, ToWide(text).c_str());
}

std::string Win32StationWindow::CellText(size_t row, int column) const {
    const HWND control = GetDlgItem(window_, StationCellId(row, static_cast<StationColumn>(column)));
    if (!control) return "";
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return ToUtf8(text);
}

int Win32StationWindow::CellProgress(size_t row) const {
    return static_cast<int>(
        SendDlgItemMessageW(window_, StationCellId(row, kStationProgress), PBM_GETPOS, 0, 0));
}

void Win32StationWindow::StartJob() {
    if (running_ || ended_) return;
    Refresh();
    // The new job's rows: the units present now, nothing of the last job.
    std::erase_if(rows_, [](const Row& r) { return !r.present; });
    station::MultiUnitRequest request;
    for (Row& row : rows_) {
        row.progress = 0;
        row.result.clear();
        row.hasResult = false;
        request.ports.push_back(row.port);
    }
    ShowRows();
    if (request.ports.empty()) return;
    if (job_.joinable()) job_.join();  // the last job's thread, already past its end

    running_ = true;
    UpdateButton();
    SetStatus("Writing " + Units(request.ports.size()) + "...");
    request.replugWait = station::DefaultReplugWait(request.ports.size());
    request.job.replug = replug_;
    request.preCheck = preCheck_;
    display_ = std::make_unique<station::WindowStationDisplay>(calls_, *this);
    job_ = std::thread([this, request] {
        // Each unit's record is on disk as its job ends, before the window
        // says the job is over, and even when a close has stopped the job.
        const auto results =
            station::WriteUnits(backend_, request, *display_, *records_, [this] { return stopping_.load(); });
        std::vector<std::string> logErrors;
        for (const station::UnitResult& unit : results)
            if (!unit.recordError.empty()) logErrors.push_back(unit.recordError);
        const bool failed = std::any_of(results.begin(), results.end(), [](const station::UnitResult& unit) {
            return unit.outcome.kind != ResultKind::Ok;
        });
        if (failed) anyFailed_ = true;
        calls_.Run([this, results, logErrors] { FinishJob(results, logErrors); });
    });
}

void Win32StationWindow::FinishJob(const std::vector<station::UnitResult>& results,
                                   const std::vector<std::string>& logErrors) {
    running_ = false;
    for (size_t i = 0; i < results.size() && i < rows_.size(); ++i) {
        Row& row = rows_[i];
        const station::UnitResult& unit = results[i];
        row.hasResult = true;
        if (unit.Busy()) {
            row.result = kHeldByAnotherJob;
        } else if (unit.claim.outcome == ClaimOutcome::CannotLock) {
            row.result = kLockNotTaken + unit.claim.reason;
        } else if (row.result.empty()) {  // a job that ended without a box
            row.result = ResultName(unit.outcome.kind);
            if (const auto code = unit.outcome.Code()) row.result += " [" + FormatResultCode(*code) + "]";
        }
    }
    ShowRows();
    Refresh();
    if (!logErrors.empty()) {
        std::string text = "The station log was not written:";
        for (const std::string& error : logErrors) text += "\n" + error;
        ShowBox(text, kAppName, MB_OK | MB_ICONWARNING, nullptr);
    }
    if (onJobEnded) onJobEnded(results);
}

void Win32StationWindow::ShowProgress(size_t index, int percent) {
    if (index >= rows_.size()) return;
    rows_[index].progress = percent;
    SendDlgItemMessageW(window_, StationCellId(index, kStationProgress), PBM_SETPOS,
                        static_cast<WPARAM>(std::clamp(percent, 0, 100)), 0);
}

void Win32StationWindow::ShowText(size_t index, const std::string& text) {
    if (index >= rows_.size()) return;
    rows_[index].result = text;
    SetDlgItemTextW(window_, StationCellId(index, kStationResult), ToWide(text).c_str());
}

void Win32StationWindow::AskToReplug(const std::string& text, std::function<void()> answered) {
    ShowBox(text, kReplugCaption, MB_OK | MB_ICONINFORMATION, onReplugPromptShown);
    answered();
}

}  // namespace zt::win32
