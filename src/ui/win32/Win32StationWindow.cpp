#include "ui/win32/Win32StationWindow.h"

#include <commctrl.h>

#include "host/windows/WideText.h"
#include "station/operator/OperatorText.h"
#include "ui/win32/DialogTemplateBuilder.h"
#include "ui/win32/StationRowLook.h"
#include "ui/win32/StationTemplate.h"
#include "ui/win32/WatchedMessageBox.h"

namespace zt::win32 {

using host_windows::ToWide;

namespace {

constexpr UINT kCallMessage = WM_APP + 1;
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMs = 1000;
constexpr UINT_PTR kCloseTimer = 2;
constexpr const char* kAppName = "zt51xx-mp";
constexpr const char* kContext = "Win32StationWindow";
constexpr const char* kReplugCaption = "Write to EEPROM...";

// An operator-facing text of this window, in the operator's language.
std::string Text(const char* english) { return station::OperatorText(kContext, english); }

}  // namespace

Win32StationWindow::Win32StationWindow(DeviceBackend& backend)
    : calls_([this] { PostMessageW(window_, kCallMessage, 0, 0); }),
      presenter_(backend, calls_, *this, StationWindowLook()) {}

Win32StationWindow::~Win32StationWindow() { presenter_.Stop(); }

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
    if (!list_.Handle()) {
        ::DestroyWindow(created);
        window_ = nullptr;
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
    presenter_.Stop();
    KillTimer(window_, kRefreshTimer);
    KillTimer(window_, kCloseTimer);
    ::DestroyWindow(window_);
    window_ = nullptr;
    return result_;
}

INT_PTR CALLBACK Win32StationWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<Win32StationWindow*>(lParam)->Initialise(window);
        return TRUE;
    }
    auto* self = reinterpret_cast<Win32StationWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    return self ? self->HandleMessage(message, wParam, lParam) : FALSE;
}

void Win32StationWindow::Initialise(HWND window) {
    window_ = window;
    ShowCaptions();
    list_.Create(window, kIdStationList);
    fields_.Create(window, identity_);
    ShowCounters(presenter_.CountersText());
    SetTimer(window, kRefreshTimer, kRefreshMs, nullptr);
    presenter_.Refresh();
}

void Win32StationWindow::ShowCaptions() {
    // The controls stand in the template's order; each caption in the
    // operator's language.
    HWND control = GetWindow(window_, GW_CHILD);
    for (const ControlTemplate& c : StationDialogTemplate().controls) {
        if (!control) break;
        if (!c.caption.empty() && c.kind != ControlKind::Edit)
            SetWindowTextW(control, ToWide(Text(std::string(c.caption).c_str())).c_str());
        control = GetWindow(control, GW_HWNDNEXT);
    }
}

INT_PTR Win32StationWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) OnCommand(LOWORD(wParam));
            return TRUE;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->idFrom != kIdStationList || header->code != NM_CUSTOMDRAW) return FALSE;
            SetWindowLongPtrW(window_, DWLP_MSGRESULT, list_.CustomDraw(lParam));
            return TRUE;
        }
        case WM_CLOSE:
            if (!presenter_.Running() || ConfirmClose()) Close(2);
            return TRUE;
        case WM_TIMER:
            if (wParam == kRefreshTimer) presenter_.Refresh();
            if (wParam == kCloseTimer) Close(1);
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
            if (!StationRunning()) presenter_.StartJob();  // a running station writes by itself
            break;
        case kIdRunStation:
            StationRunning() ? presenter_.StopStation() : presenter_.StartStation();
            break;
        case kIdStationExit:
            if (!presenter_.Running() || ConfirmClose()) Close(1);
            break;
        case IDCANCEL:  // Escape: never ends a running job
            if (!presenter_.Running()) Close(2);
            break;
        case IDOK:
            // Enter ends a scan in the Barcode field; anywhere else it does
            // nothing: a stray key must not start or end a job.
            if (GetFocus() == GetDlgItem(window_, kIdStationBarcode)) fields_.TakeScannedCode();
            break;
        default:
            break;
    }
}

bool Win32StationWindow::ConfirmClose() {
    return ShowBox(Text(CloseDuringJobQuestion()), kAppName, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2,
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
    presenter_.Interrupt();
    if (openBox_) EndDialog(openBox_, IDNO);
    PostMessageW(window_, WM_NULL, 0, 0);
}

void Win32StationWindow::CloseWithin(unsigned milliseconds) {
    SetTimer(window_, kCloseTimer, milliseconds, nullptr);
}

int Win32StationWindow::ShowBox(const std::string& text, const char* caption, UINT flags,
                                const std::function<void(HWND)>& shown) {
    return ShowWatchedMessageBox(window_, text, caption, flags, shown, openBox_);
}

std::optional<station::StationIdentity> Win32StationWindow::TakeIdentity() {
    std::string reason;
    auto identity = fields_.TakeIdentity(&reason);
    // A box, not the status line: the next look for units would overwrite it.
    if (!identity) ShowBox(reason, kAppName, MB_OK | MB_ICONWARNING, nullptr);
    return identity;
}

std::string Win32StationWindow::ControlText(int id) const { return win32::ControlText(window_, id); }

void Win32StationWindow::ShowRows(const std::vector<station::RowShown>& rows) {
    std::vector<StationList::Line> lines;
    lines.reserve(rows.size());
    for (const station::RowShown& row : rows) {
        StationList::Line line;
        line.cells[kStationPort] = row.port;
        line.cells[kStationIds] = row.ids;
        line.cells[kStationProgress] = row.progress;
        line.cells[kStationResult] = row.result;
        line.cells[kStationMeaning] = row.meaning;
        line.progress = row.percent;
        line.tone = row.tone;
        lines.push_back(std::move(line));
    }
    list_.Show(lines);
    if (onRowsChanged) onRowsChanged();
}

void Win32StationWindow::ShowCounters(const std::string& text) {
    SetDlgItemTextW(window_, kIdStationCounters, ToWide(text).c_str());
}

void Win32StationWindow::ShowButtons(const station::StationButtons& buttons) {
    EnableWindow(GetDlgItem(window_, kIdWriteEeprom), buttons.write);
    EnableWindow(GetDlgItem(window_, kIdRunStation), buttons.runStation);
    SetDlgItemTextW(window_, kIdRunStation,
                    ToWide(Text(buttons.stationMode ? "S&top station" : "&Run station")).c_str());
    fields_.EnableIdentity(buttons.identity);
}

void Win32StationWindow::SetStatus(const std::string& text) {
    if (text == status_) return;
    status_ = text;
    SetDlgItemTextW(window_, kIdStationStatus, ToWide(text).c_str());
}

void Win32StationWindow::AskToReplug(const std::string& text, std::function<void()> answered) {
    ShowBox(text, kReplugCaption, MB_OK | MB_ICONINFORMATION, onReplugPromptShown);
    answered();
}

void Win32StationWindow::LogNotWritten(const std::vector<std::string>& errors) {
    // A window that is going has nobody to show a box to.
    if (calls_.IsClosing()) return;
    std::string text = Text("The station log was not written:");
    for (const std::string& error : errors) text += "\n" + error;
    ShowBox(text, kAppName, MB_OK | MB_ICONWARNING, nullptr);
}

void Win32StationWindow::StationStarted() {
    // The scanner types into whatever has the keyboard.
    SetFocus(GetDlgItem(window_, kIdStationBarcode));
}

void Win32StationWindow::StationStopped() {
    if (onStationStopped) onStationStopped();
}

void Win32StationWindow::JobEnded(const std::vector<station::UnitResult>& results) {
    if (onJobEnded) onJobEnded(results);
}

void Win32StationWindow::UnitShown(const station::UnitResult& unit) {
    // The unit's record could not be written: the station takes no more.
    if (!unit.recordError.empty()) SetStatus(unit.recordError);
    if (onUnitResult) onUnitResult(unit);
}

}  // namespace zt::win32
