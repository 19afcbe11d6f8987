#include "ui/win32/StationTemplate.h"

#include <array>

namespace zt::win32 {

namespace {

// Dialog units. A Windows port is a location path of up to about fifty
// characters; the result column takes the dialog's longest box texts.
constexpr int kLeft = 7;
constexpr int kPortWidth = 150, kIdsWidth = 80, kBarWidth = 70, kResultWidth = 170;
constexpr int kIdsX = kLeft + kPortWidth + 4;
constexpr int kBarX = kIdsX + kIdsWidth + 4;
constexpr int kResultX = kBarX + kBarWidth + 4;
constexpr int kWidth = kResultX + kResultWidth + kLeft;
constexpr int kHeaderY = 7, kFirstRowY = 20, kRowHeight = 13;
constexpr int kBottomY = kFirstRowY + static_cast<int>(kStationRows) * kRowHeight + 6;
constexpr int kHeight = kBottomY + 14 + 7;

constexpr size_t kCount = 4 + kStationRows * kStationColumns + 3;

constexpr std::array<ControlTemplate, kCount> MakeControls() {
    std::array<ControlTemplate, kCount> c{};
    size_t n = 0;
    c[n++] = {kIdStatic, ControlKind::StaticText, "Port", kLeft, kHeaderY, kPortWidth, 8, kStyleVisible};
    c[n++] = {kIdStatic, ControlKind::StaticText, "VID:PID", kIdsX, kHeaderY, kIdsWidth, 8, kStyleVisible};
    c[n++] = {kIdStatic, ControlKind::StaticText, "Progress", kBarX, kHeaderY, kBarWidth, 8, kStyleVisible};
    c[n++] = {kIdStatic,    ControlKind::StaticText, "Result", kResultX, kHeaderY, kResultWidth, 8,
              kStyleVisible};
    for (size_t row = 0; row < kStationRows; ++row) {
        const int y = kFirstRowY + static_cast<int>(row) * kRowHeight;
        c[n++] = {StationCellId(row, kStationPort), ControlKind::StaticText, "", kLeft, y, kPortWidth, 8, 0};
        c[n++] = {StationCellId(row, kStationIds), ControlKind::StaticText, "", kIdsX, y, kIdsWidth, 8, 0};
        c[n++] = {StationCellId(row, kStationProgress),
                  ControlKind::ProgressBar,
                  "",
                  kBarX,
                  y,
                  kBarWidth,
                  8,
                  kStyleBorder};
        c[n++] = {
            StationCellId(row, kStationResult), ControlKind::StaticText, "", kResultX, y, kResultWidth, 8, 0};
    }
    c[n++] = {kIdStationStatus, ControlKind::StaticText, "", kLeft,
              kBottomY + 3,     kResultX - kLeft,        8,  kStyleVisible};
    c[n++] = {kIdWriteEeprom,
              ControlKind::PushButton,
              "Write EEPROM",
              kResultX + kResultWidth - 130,
              kBottomY,
              64,
              14,
              kStyleVisible | kStyleTabStop};
    // Exit has an ID of its own, not IDOK: Enter must neither start nor end a job.
    c[n++] = {kIdStationExit,
              ControlKind::PushButton,
              "Exit",
              kResultX + kResultWidth - 62,
              kBottomY,
              62,
              14,
              kStyleVisible | kStyleTabStop};
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
