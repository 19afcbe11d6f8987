#include "app/DialogTemplate.h"

#include "job/TranslatableText.h"

namespace zt {
namespace {

constexpr uint32_t V = kStyleVisible;
constexpr uint32_t T = kStyleTabStop;

// Controls in template order. The words an operator reads are looked up in
// the operator's language under "MainDialog" by each window. Controls without kStyleVisible are never shown;
// 1008, 1000 and 1001 are visible in the template and hidden at initialisation.
constexpr ControlTemplate kControls[] = {
    {kIdExit, ControlKind::PushButton, ZT_TR_NOOP("MainDialog", "Exit"), 263, 91, 50, 14,
     V | T | kStyleDefaultButton},
    {kIdFileNameLabel, ControlKind::StaticText, ZT_TR_NOOP("MainDialog", "File Name"), 9, 9, 32, 8, V},
    {kIdFileNameEdit, ControlKind::Edit, "", 42, 6, 252, 14, V | T | kStyleBorder | kStyleAutoHScroll},
    {kIdBrowse, ControlKind::PushButton, "...", 297, 6, 16, 14, V | T},
    {kIdWriteEeprom, ControlKind::PushButton, ZT_TR_NOOP("MainDialog", "Write EEPROM"), 244, 34, 69, 14,
     V | T},
    {kIdProgress, ControlKind::ProgressBar, "", 9, 49, 303, 19, V | kStyleBorder},
    {kIdStatic, ControlKind::StaticText, ZT_TR_NOOP("MainDialog", "Vendor ID"), 9, 36, 33, 8, V},
    {kIdVendorId, ControlKind::Edit, "", 45, 34, 40, 14,
     V | T | kStyleBorder | kStyleCentred | kStyleAutoHScroll},
    {kIdStatic, ControlKind::StaticText, ZT_TR_NOOP("MainDialog", "Product ID"), 93, 36, 35, 8, V},
    {kIdProductId, ControlKind::Edit, "", 131, 34, 40, 14,
     V | T | kStyleBorder | kStyleCentred | kStyleAutoHScroll},
    {kIdImageFirmwareId, ControlKind::StaticText, "00", 47, 105, 24, 8, kStyleCentred},
    {kIdExpectedFirmwareId, ControlKind::StaticText, "00", 9, 105, 21, 8, kStyleCentred},
    {kIdWriteProtect, ControlKind::CheckBox, ZT_TR_NOOP("MainDialog", " EEPROM WP"), 179, 36, 58, 10, T},
    {kIdMarker, ControlKind::StaticText, "", 0, 105, 16, 8, V},
    {kIdEvbIds, ControlKind::CheckBox,
     ZT_TR_NOOP("MainDialog", "Use EVB VID (0x3C4D) and PID (0x0001, High Speed), PID (0x0002, Full Speed)"),
     9, 23, 271, 10, T},
    {kIdErase, ControlKind::PushButton, ZT_TR_NOOP("MainDialog", "Erase EPRM"), 135, 91, 50, 14, T},
    {kIdGetFwVersion, ControlKind::PushButton, ZT_TR_NOOP("MainDialog", "Get FW Ver."), 104, 71, 50, 14, T},
    {kIdStatic, ControlKind::StaticText, ZT_TR_NOOP("MainDialog", "FW Version:"), 15, 74, 40, 8, 0},
    {kIdVersionBox, ControlKind::Edit, "", 57, 71, 40, 14, T | kStyleBorder | kStyleAutoHScroll},
    {kIdVersionStatus, ControlKind::StaticText, "Static", 57, 87, 37, 8, 0},
    {kIdCornerTopRight, ControlKind::PushButton, "", 318, 0, 2, 2, V | T | kStyleFlat},
    {kIdCornerTopLeft, ControlKind::PushButton, "", 0, 0, 1, 1, V | T | kStyleFlat},
};

constexpr DialogTemplate kTemplate{320, 113, "MS Shell Dlg", 8, "ZT5150L Write EEPROM (MP)", kControls};

}  // namespace

const DialogTemplate& MainDialogTemplate() { return kTemplate; }

}  // namespace zt
