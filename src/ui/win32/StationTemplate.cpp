#include "ui/win32/StationTemplate.h"

#include <array>

namespace zt::win32 {

namespace {

// Dialog units. A Windows port is a location path of up to about fifty
// characters; the list's columns are set where the list is made.
constexpr int kLeft = 7;
constexpr int kWidth = 540;
constexpr int kRight = kWidth - kLeft;
constexpr int kIdentityY = 7, kBarcodeY = 24, kListY = 42, kListHeight = 130;
constexpr int kCountersY = kListY + kListHeight + 5;
constexpr int kBottomY = kCountersY + 14;
constexpr int kHeight = kBottomY + 14 + 7;
constexpr int kFieldWidth = 110, kLabelWidth = 44, kGroupWidth = kLabelWidth + kFieldWidth + 12;
constexpr uint32_t kField = kStyleVisible | kStyleTabStop | kStyleBorder | kStyleAutoHScroll;
constexpr uint32_t kButton = kStyleVisible | kStyleTabStop;

constexpr size_t kCount = 6 + 3 + 1 + 2 + 3;

constexpr std::array<ControlTemplate, kCount> MakeControls() {
    std::array<ControlTemplate, kCount> c{};
    size_t n = 0;
    // Each label comes just before its field: its Alt key moves there.
    const struct {
        std::string_view label;
        int id;
    } identity[] = {{"&Station ID:", kIdStationId},
                    {"&Operator:", kIdStationOperator},
                    {"Wor&k order:", kIdStationWorkOrder}};
    for (int i = 0; i < 3; ++i) {
        const int x = kLeft + i * kGroupWidth;
        c[n++] = {kIdStatic,    ControlKind::StaticText, identity[i].label, x, kIdentityY + 2, kLabelWidth, 8,
                  kStyleVisible};
        c[n++] = {identity[i].id, ControlKind::Edit, "", x + kLabelWidth,
                  kIdentityY,     kFieldWidth,       12, kField};
    }
    c[n++] = {kIdStatic,    ControlKind::StaticText, "&Barcode:", kLeft, kBarcodeY + 2, kLabelWidth, 8,
              kStyleVisible};
    c[n++] = {kIdStationBarcode, ControlKind::Edit, "", kLeft + kLabelWidth,
              kBarcodeY,         kFieldWidth,       12, kField};
    c[n++] = {kIdStationBarcodesWaiting,
              ControlKind::StaticText,
              "",
              kLeft + kLabelWidth + kFieldWidth + 8,
              kBarcodeY + 2,
              kRight - (kLeft + kLabelWidth + kFieldWidth + 8),
              8,
              kStyleVisible};
    c[n++] = {kIdStationList, ControlKind::StaticText, "",          kLeft,
              kListY,         kRight - kLeft,          kListHeight, kStyleVisible};
    c[n++] = {kIdStationCounters, ControlKind::StaticText, "", kLeft,
              kCountersY,         kRight - kLeft,          8,  kStyleVisible};
    c[n++] = {kIdStationStatus, ControlKind::StaticText, "", kLeft,
              kBottomY + 3,     kRight - 210 - kLeft,    8,  kStyleVisible};
    c[n++] = {kIdRunStation, ControlKind::PushButton, "&Run station", kRight - 200, kBottomY, 64, 14,
              kButton};
    c[n++] = {kIdWriteEeprom, ControlKind::PushButton, "&Write EEPROM", kRight - 132, kBottomY, 64, 14,
              kButton};
    // Exit has an ID of its own, not IDOK: Enter must neither start nor end a job.
    c[n++] = {kIdStationExit, ControlKind::PushButton, "Exit", kRight - 64, kBottomY, 64, 14, kButton};
    return c;
}

constexpr auto kControls = MakeControls();

}  // namespace

const DialogTemplate& StationDialogTemplate() {
    static constexpr DialogTemplate kTemplate{kWidth, kHeight,          "MS Shell Dlg",
                                              8,      kMainWindowTitle, kControls};
    return kTemplate;
}

}  // namespace zt::win32
