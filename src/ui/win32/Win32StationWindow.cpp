#include "ui/win32/Win32StationWindow.h"

#include <commctrl.h>

#include <algorithm>

#include "chip/HexId.h"
#include "chip/KnownDeviceTable.h"
#include "host/windows/WideText.h"
#include "job/JobOutcome.h"
#include "platform/DeviceBackend.h"
#include "platform/NaturalOrder.h"
#include "platform/UsbPortName.h"
#include "station/operator/OperatorText.h"
#include "station/ports/KnownDeviceScan.h"
#include "station/presentation/UnitRows.h"
#include "station/run/StationRun.h"
#include "ui/win32/DialogTemplateBuilder.h"
#include "ui/win32/StationTemplate.h"

namespace zt::win32 {

using host_windows::ToUtf8;
using host_windows::ToWide;

namespace {

constexpr UINT kCallMessage = WM_APP + 1;
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMs = 1000;
constexpr UINT_PTR kCloseTimer = 2;
constexpr const char* kAppName = "zt51xx-mp";
constexpr const char* kContext = "Win32StationWindow";
constexpr const char* kReplugCaption = "Write to EEPROM...";
constexpr const char* kHeldByAnotherJob = "Held by another job; not written";
constexpr const char* kLockNotTaken = "Lock not taken; not written: ";

// An operator-facing text of this window, in the operator's language.
std::string Text(const char* english) { return station::OperatorText(kContext, english); }

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
    if (device.updater) ids += ' ' + Text("(updater)");
    // Its IDs come from the USB walk; its job will fail at the open.
    if (!device.openable) ids += ' ' + Text("(cannot be opened)");
    return ids;
}

std::string Units(size_t count) { return std::to_string(count) + ' ' + Text(count == 1 ? "unit" : "units"); }

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

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
    StopJob();
    KillTimer(window_, kRefreshTimer);
    KillTimer(window_, kCloseTimer);
    ::DestroyWindow(window_);
    window_ = nullptr;
    return result_;
}

INT_PTR CALLBACK Win32StationWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<Win32StationWindow*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->window_ = window;
        self->ShowCaptions();
        self->list_.Create(window, kIdStationList);
        const struct {
            int id;
            const std::string* text;
        } fields[] = {{kIdStationId, &self->identity_.stationId},
                      {kIdStationOperator, &self->identity_.operatorName},
                      {kIdStationWorkOrder, &self->identity_.workOrder},
                      {kIdStationBarcode, nullptr}};
        for (const auto& field : fields) {
            // A field counts characters, a record bytes: a long name in
            // another script is still checked when a run starts.
            SendDlgItemMessageW(window, field.id, EM_SETLIMITTEXT, station::kMaxIdentityText, 0);
            if (field.text) SetDlgItemTextW(window, field.id, ToWide(*field.text).c_str());
        }
        self->ShowBarcodes();
        self->ShowCounters();
        SetTimer(window, kRefreshTimer, kRefreshMs, nullptr);
        self->Refresh();
        return TRUE;
    }
    auto* self = reinterpret_cast<Win32StationWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    return self ? self->HandleMessage(message, wParam, lParam) : FALSE;
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
            if (!running_ || ConfirmClose()) Close(2);
            return TRUE;
        case WM_TIMER:
            if (wParam == kRefreshTimer) Refresh();
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
            if (mode_ == Mode::WriteAll) StartJob();  // a running station writes by itself
            break;
        case kIdRunStation:
            mode_ == Mode::RunStation ? StopStation() : StartStation();
            break;
        case kIdStationExit:
            if (!running_ || ConfirmClose()) Close(1);
            break;
        case IDCANCEL:  // Escape: never ends a running job
            if (!running_) Close(2);
            break;
        case IDOK:
            // Enter ends a scan in the Barcode field; anywhere else it does
            // nothing: a stray key must not start or end a job.
            if (GetFocus() == GetDlgItem(window_, kIdStationBarcode)) TakeScannedCode();
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
    stopping_ = true;
    stationOn_ = false;
    calls_.BeginClosing();
    if (openBox_) EndDialog(openBox_, IDNO);
    PostMessageW(window_, WM_NULL, 0, 0);
}

void Win32StationWindow::CloseWithin(unsigned milliseconds) {
    SetTimer(window_, kCloseTimer, milliseconds, nullptr);
}

void Win32StationWindow::StopJob() {
    if (!job_.joinable()) return;
    stopping_ = true;
    stationOn_ = false;
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

std::optional<station::StationIdentity> Win32StationWindow::TakeIdentity() {
    station::StationIdentity identity;
    const struct {
        int id;
        const char* name;
        std::string* into;
    } fields[] = {{kIdStationId, "Station ID", &identity.stationId},
                  {kIdStationOperator, "Operator", &identity.operatorName},
                  {kIdStationWorkOrder, "Work order", &identity.workOrder}};
    for (const auto& f : fields) {
        *f.into = Trimmed(ControlText(f.id));
        std::string reason;
        if (!station::CheckIdentityText(f.name, *f.into, &reason)) {
            SetFocus(GetDlgItem(window_, f.id));
            // A box, not the status line: the next look for units would overwrite it.
            ShowBox(reason, kAppName, MB_OK | MB_ICONWARNING, nullptr);
            return std::nullopt;
        }
    }
    identity_ = identity;
    return identity;
}

void Win32StationWindow::EnableIdentity(bool on) {
    for (int id : {kIdStationId, kIdStationOperator, kIdStationWorkOrder})
        EnableWindow(GetDlgItem(window_, id), on);
}

std::string Win32StationWindow::ControlText(int id) const {
    const HWND control = GetDlgItem(window_, id);
    if (!control) return "";
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return ToUtf8(text);
}

void Win32StationWindow::TakeScannedCode() {
    const std::string code = Trimmed(ControlText(kIdStationBarcode));
    // Cleared either way: the next scan must not be appended to this one.
    SetDlgItemTextW(window_, kIdStationBarcode, L"");
    if (code.empty()) return;
    std::string reason;
    if (!station::CheckIdentityText("Barcode", code, &reason)) {
        ShowBarcodes(reason + "; " + Text("scan it again.") + ' ');
        return;
    }
    barcodes_.push_back(code);
    ShowBarcodes();
}

std::string Win32StationWindow::NextBarcode() {
    if (barcodes_.empty()) return "";
    std::string code = std::move(barcodes_.front());
    barcodes_.pop_front();
    ShowBarcodes();
    return code;
}

void Win32StationWindow::ShowBarcodes(const std::string& note) {
    std::string text = note;
    if (barcodes_.empty()) {
        text += Text("no code waiting");
    } else {
        text += Text(barcodes_.size() == 1 ? "next unit:" : "next units:");
        for (size_t i = 0; i < barcodes_.size(); ++i) text += (i == 0 ? " " : ", ") + barcodes_[i];
    }
    SetDlgItemTextW(window_, kIdStationBarcodesWaiting, ToWide(text).c_str());
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
    const auto same = [](const Row& a, const Row& b) {
        return a.port == b.port && a.ids == b.ids && a.present == b.present && a.result == b.result &&
               a.activity == b.activity;
    };
    if (next.size() != rows_.size() || !std::equal(next.begin(), next.end(), rows_.begin(), same)) {
        rows_ = std::move(next);
        ShowRows();
    }

    const auto present = static_cast<size_t>(
        std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.present; }));
    std::string status;
    if (present > 0) {
        status = Units(present) + ' ' + Text("present.");
    } else {
        status = Text("No known device present.");
        const std::string hint = backend_.PermissionHint();
        if (openFailures > 0 && !hint.empty()) status += ' ' + hint;
    }
    if (portUnknown > 0)
        status += ' ' + Units(portUnknown) + ' ' + Text("left out:") + ' ' + kPortUnknownText + '.';
    SetStatus(status);
    UpdateButton();
}

void Win32StationWindow::SortRows() {
    std::stable_sort(rows_.begin(), rows_.end(),
                     [](const Row& a, const Row& b) { return NaturalLess(a.port, b.port); });
}

StationList::Line Win32StationWindow::LineOf(const Row& row) const {
    const RowLook look = LookOf(row);
    StationList::Line line;
    line.cells[kStationPort] = row.port;
    line.cells[kStationIds] = row.present ? row.ids : Text("(unplugged)");
    line.cells[kStationProgress] = look.progress;
    line.cells[kStationResult] = look.result;
    line.cells[kStationMeaning] = look.meaning;
    line.progress = row.progress;
    line.tone = look.tone;
    return line;
}

void Win32StationWindow::ShowRows() {
    std::vector<StationList::Line> lines;
    lines.reserve(rows_.size());
    for (const Row& row : rows_) lines.push_back(LineOf(row));
    list_.Show(lines);
    if (onRowsChanged) onRowsChanged();
}

void Win32StationWindow::ShowCounters() {
    SetDlgItemTextW(window_, kIdStationCounters, ToWide(tally_.Text()).c_str());
}

size_t Win32StationWindow::RowsReadyWithResult() const {
    return static_cast<size_t>(
        std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return RowReadyWithResult(r); }));
}

void Win32StationWindow::UpdateButton() {
    EnableWindow(
        GetDlgItem(window_, kIdWriteEeprom),
        !running_ && std::any_of(rows_.begin(), rows_.end(), [](const Row& r) { return r.present; }));
    // Run station starts while nothing runs and stops its own run.
    EnableWindow(GetDlgItem(window_, kIdRunStation), !running_ || (mode_ == Mode::RunStation && stationOn_));
    SetDlgItemTextW(window_, kIdRunStation,
                    ToWide(Text(mode_ == Mode::RunStation ? "S&top station" : "&Run station")).c_str());
    // A run's records all name the same people: it took them at its start.
    EnableIdentity(!running_);
}

void Win32StationWindow::SetStatus(const std::string& text) {
    if (text == status_) return;
    status_ = text;
    SetDlgItemTextW(window_, kIdStationStatus, ToWide(text).c_str());
}

std::string Win32StationWindow::CellText(size_t row, int column) const { return list_.CellText(row, column); }

int Win32StationWindow::CellProgress(size_t row) const { return list_.Progress(row); }

void Win32StationWindow::StartJob() {
    if (running_ || ended_) return;
    const auto identity = TakeIdentity();
    if (!identity) return;
    Refresh();
    // The new job's rows: the units present now, nothing of the last job.
    std::erase_if(rows_, [](const Row& r) { return !r.present; });
    station::MultiUnitRequest request;
    for (Row& row : rows_) {
        Row fresh;
        fresh.port = row.port;
        fresh.ids = row.ids;
        fresh.present = true;
        row = fresh;
        request.ports.push_back(row.port);
    }
    ShowRows();
    if (request.ports.empty()) return;
    if (job_.joinable()) job_.join();  // the last job's thread, already past its end

    running_ = true;
    tally_.Started(StationTally::Clock::now());
    UpdateButton();
    SetStatus(Text("Writing") + ' ' + Units(request.ports.size()) + "...");
    request.replugWait = station::DefaultReplugWait(request.ports.size());
    request.job.replug = replug_;
    request.identity = *identity;
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
        tally_.UnitEnded(unit.outcome.kind == ResultKind::Ok, StationTally::Clock::now());
        std::string shown;
        if (unit.Busy()) {
            shown = Text(kHeldByAnotherJob);
        } else if (unit.claim.outcome == ClaimOutcome::CannotLock) {
            shown = Text(kLockNotTaken) + unit.claim.reason;
        } else {
            // The job's own last words, its result box; a job that ended
            // without one says how it ended.
            shown = row.activity.empty() ? OutcomeWords(unit.outcome) : row.activity;
        }
        RowEnded(row, unit.outcome, shown);
    }
    ShowCounters();
    ShowRows();
    Refresh();
    if (!logErrors.empty()) {
        std::string text = Text("The station log was not written:");
        for (const std::string& error : logErrors) text += "\n" + error;
        ShowBox(text, kAppName, MB_OK | MB_ICONWARNING, nullptr);
    }
    if (onJobEnded) onJobEnded(results);
}

void Win32StationWindow::StartStation() {
    if (running_ || ended_) return;
    const auto identity = TakeIdentity();
    if (!identity) return;
    if (job_.joinable()) job_.join();
    mode_ = Mode::RunStation;
    running_ = true;
    stationOn_ = true;
    stationPorts_.Clear();
    tally_.Started(StationTally::Clock::now());
    UpdateButton();
    SetStatus(Text("Station running: each unit is written as it arrives"));
    station::StationRequest request;
    request.job.replug = replug_;
    request.identity = *identity;
    request.serials = serials_;
    request.preCheck = preCheck_;
    // Asked on a unit's thread as its job starts; the codes are the UI
    // thread's alone. A window that is closing hands out none.
    request.barcodeFor = [this](const std::string&) {
        std::string code;
        calls_.Run([this, &code] { code = NextBarcode(); });
        return code;
    };
    // The scanner types into whatever has the keyboard.
    SetFocus(GetDlgItem(window_, kIdStationBarcode));
    display_ = std::make_unique<station::WindowStationDisplay>(calls_, *this);
    job_ = std::thread([this, request] {
        // Each unit's record is kept before its row shows the result.
        station::StationRun station(backend_, request, *display_, *records_,
                                    [this](const station::UnitResult& unit, const station::StationCounters&) {
                                        if (unit.outcome.kind != ResultKind::Ok) anyFailed_ = true;
                                        calls_.Run([this, unit] { ShowUnitResult(unit); });
                                    });
        station.Run([this] { return !stationOn_.load() || stopping_.load(); },
                    [this] { return stopping_.load(); });
        calls_.Run([this] {
            running_ = false;
            mode_ = Mode::WriteAll;
            Refresh();
            UpdateButton();
            if (onStationStopped) onStationStopped();
        });
    });
}

void Win32StationWindow::StopStation() {
    if (mode_ != Mode::RunStation || !stationOn_) return;
    stationOn_ = false;
    SetStatus(Text("Station stopping: the units under way finish first"));
    UpdateButton();
}

size_t Win32StationWindow::RowOf(size_t index) const {
    if (mode_ != Mode::RunStation) return index;
    return stationPorts_.RowOf(rows_, index);
}

void Win32StationWindow::BindPort(size_t index, const std::string& port) {
    if (mode_ != Mode::RunStation) return;
    stationPorts_.Bind(index, port);
    if (std::none_of(rows_.begin(), rows_.end(), [&](const Row& r) { return r.port == port; })) {
        Row row;
        row.port = port;
        rows_.push_back(row);
        SortRows();
    }
    rows_[RowOf(index)].present = true;
    ShowRows();
}

void Win32StationWindow::ShowUnitResult(const station::UnitResult& unit) {
    tally_.UnitEnded(unit.outcome.kind == ResultKind::Ok, StationTally::Clock::now());
    ShowCounters();
    // The unit's record could not be written: the station takes no more.
    if (!unit.recordError.empty()) SetStatus(unit.recordError);
    const auto found =
        std::find_if(rows_.begin(), rows_.end(), [&](const Row& r) { return r.port == unit.port; });
    if (found != rows_.end()) {
        RowEnded(*found, unit.outcome, OutcomeWords(unit.outcome));
        // A unit whose job never said where it stood still shows its result.
        if (!found->line || !found->line->Last())
            RowStated(*found, {station::PortPhase::Result, {}, station::PortOutcome::Of(unit.outcome)});
        if (unit.record && unit.record->vendorIdAfter)
            found->ids = FormatHexId(*unit.record->vendorIdAfter) + ':' +
                         FormatHexId(unit.record->productIdAfter.value_or(0));
        ShowRows();
    }
    if (onUnitResult) onUnitResult(unit);
}

void Win32StationWindow::ShowProgress(size_t index, int percent) {
    index = RowOf(index);
    if (index >= rows_.size()) return;
    RowProgressed(rows_[index], percent);
    ShowRows();
}

void Win32StationWindow::ShowText(size_t index, const std::string& text) {
    index = RowOf(index);
    if (index >= rows_.size()) return;
    RowSaid(rows_[index], text);
    ShowRows();
}

void Win32StationWindow::ShowState(size_t index, const station::PortStatus& status) {
    // Write EEPROM's rows show each job's own words to its end.
    if (mode_ != Mode::RunStation) return;
    index = RowOf(index);
    if (index >= rows_.size()) return;
    RowStated(rows_[index], status);
    ShowRows();
}

void Win32StationWindow::AskToReplug(const std::string& text, std::function<void()> answered) {
    ShowBox(text, kReplugCaption, MB_OK | MB_ICONINFORMATION, onReplugPromptShown);
    answered();
}

}  // namespace zt::win32
