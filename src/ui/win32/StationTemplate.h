#pragma once
#include <cstddef>

#include "app/DialogTemplate.h"

namespace zt::win32 {

// The station window as a control table, like template 102: a header line,
// a fixed number of unit rows (port, IDs, progress bar, result), a status
// line, Write EEPROM and Exit. Rows start hidden; the window shows one per
// unit present. Write EEPROM keeps template 102's ID.
inline constexpr size_t kStationRows = 8;

enum StationColumn : int { kStationPort, kStationIds, kStationProgress, kStationResult, kStationColumns };

// The control of one row's column.
constexpr int StationCellId(size_t row, StationColumn column) {
    return 2000 + static_cast<int>(row) * 10 + column;
}
inline constexpr int kIdStationStatus = 2100;
inline constexpr int kIdStationExit = 2101;

const DialogTemplate& StationDialogTemplate();

}  // namespace zt::win32
