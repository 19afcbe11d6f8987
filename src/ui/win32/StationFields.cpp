#include "ui/win32/StationFields.h"

#include "host/windows/WideText.h"
#include "station/operator/OperatorText.h"
#include "ui/win32/StationTemplate.h"

namespace zt::win32 {

using host_windows::ToUtf8;
using host_windows::ToWide;

namespace {

std::string Text(const char* english) { return station::OperatorText("Win32StationWindow", english); }

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

std::string ControlText(HWND window, int id) {
    const HWND control = GetDlgItem(window, id);
    if (!control) return "";
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return ToUtf8(text);
}

void StationFields::Create(HWND window, const station::StationIdentity& identity) {
    window_ = window;
    const struct {
        int id;
        const std::string* text;
    } fields[] = {{kIdStationId, &identity.stationId},
                  {kIdStationOperator, &identity.operatorName},
                  {kIdStationWorkOrder, &identity.workOrder},
                  {kIdStationBarcode, nullptr}};
    for (const auto& field : fields) {
        // A field counts characters, a record bytes: a long name in
        // another script is still checked when a run starts.
        SendDlgItemMessageW(window, field.id, EM_SETLIMITTEXT, station::kMaxIdentityText, 0);
        if (field.text) SetDlgItemTextW(window, field.id, ToWide(*field.text).c_str());
    }
    ShowBarcodes();
}

std::optional<station::StationIdentity> StationFields::TakeIdentity(std::string* reason) {
    station::StationIdentity identity;
    const struct {
        int id;
        const char* name;
        std::string* into;
    } fields[] = {{kIdStationId, "Station ID", &identity.stationId},
                  {kIdStationOperator, "Operator", &identity.operatorName},
                  {kIdStationWorkOrder, "Work order", &identity.workOrder}};
    for (const auto& f : fields) {
        *f.into = Trimmed(ControlText(window_, f.id));
        if (!station::CheckIdentityText(f.name, *f.into, reason)) {
            SetFocus(GetDlgItem(window_, f.id));
            return std::nullopt;
        }
    }
    return identity;
}

void StationFields::EnableIdentity(bool on) {
    for (int id : {kIdStationId, kIdStationOperator, kIdStationWorkOrder})
        EnableWindow(GetDlgItem(window_, id), on);
}

void StationFields::TakeScannedCode() {
    const std::string code = Trimmed(ControlText(window_, kIdStationBarcode));
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

std::string StationFields::NextBarcode() {
    if (barcodes_.empty()) return "";
    std::string code = std::move(barcodes_.front());
    barcodes_.pop_front();
    ShowBarcodes();
    return code;
}

void StationFields::ShowBarcodes(const std::string& note) {
    std::string text = note;
    if (barcodes_.empty()) {
        text += Text("no code waiting");
    } else {
        text += Text(barcodes_.size() == 1 ? "next unit:" : "next units:");
        for (size_t i = 0; i < barcodes_.size(); ++i) text += (i == 0 ? " " : ", ") + barcodes_[i];
    }
    SetDlgItemTextW(window_, kIdStationBarcodesWaiting, ToWide(text).c_str());
}

}  // namespace zt::win32
