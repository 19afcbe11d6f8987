#pragma once
#include <cstdint>
#include <span>
#include <string_view>

namespace zt {

// Control identifiers of dialog template 102.
enum ControlId : int {
    kIdExit = 1,
    kIdFileNameEdit = 1000,
    kIdBrowse = 1001,
    kIdWriteEeprom = 1002,
    kIdProgress = 1003,
    kIdVendorId = 1004,
    kIdProductId = 1005,
    kIdImageFirmwareId = 1006,
    kIdExpectedFirmwareId = 1007,
    kIdFileNameLabel = 1008,
    kIdWriteProtect = 1009,
    kIdMarker = 1010,
    kIdEvbIds = 1011,
    kIdErase = 1012,
    kIdVersionBox = 1013,
    kIdVersionStatus = 1014,
    kIdCornerTopRight = 1015,
    kIdCornerTopLeft = 1016,
    kIdGetFwVersion = 1037,
    kIdStatic = -1,
};

enum class ControlKind { PushButton, StaticText, Edit, ProgressBar, CheckBox };

// Style bits of a control that front ends honour.
enum ControlStyle : uint32_t {
    kStyleDefaultButton = 1u << 0,
    kStyleTabStop = 1u << 1,
    kStyleBorder = 1u << 2,
    kStyleCentred = 1u << 3,
    kStyleAutoHScroll = 1u << 4,
    kStyleFlat = 1u << 5,
    kStyleVisible = 1u << 6,  // visible as the template creates it
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    std::string_view caption;
    int x, y, width, height;  // dialog units
    uint32_t style;
};

struct DialogTemplate {
    int width, height;  // dialog units
    std::string_view fontName;
    int fontPointSize;
    std::string_view caption;                   // replaced at initialisation
    std::span<const ControlTemplate> controls;  // template order
};

// Template 102, the one window of the tool.
const DialogTemplate& MainDialogTemplate();

inline constexpr std::string_view kMainWindowTitle = "ZT5160 Write EEPROM (MP) v2.3 16K16B";
inline constexpr uint32_t kIdleTimerId = 5068;
inline constexpr uint32_t kIdleTimerPeriodMs = 200;

}  // namespace zt
