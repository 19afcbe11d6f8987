#pragma once
#include <cstddef>

#include "app/DialogTemplate.h"

namespace zt::win32 {

// The station window as a control table, like template 102: who runs the
// station (Station ID, Operator, Work order) and the Barcode field above, the
// unit rows in the middle (a placeholder the window turns into a list of as
// many rows as there are units), the counters, a status line, Run station,
// Write EEPROM and Exit below. Write EEPROM keeps template 102's ID.
enum StationColumn : int {
    kStationPort,
    kStationIds,
    kStationProgress,
    kStationResult,
    kStationMeaning,
    kStationColumns
};

inline constexpr int kIdStationId = 2001;
inline constexpr int kIdStationOperator = 2002;
inline constexpr int kIdStationWorkOrder = 2003;
inline constexpr int kIdStationBarcode = 2004;
inline constexpr int kIdStationBarcodesWaiting = 2005;
inline constexpr int kIdStationList = 2010;
inline constexpr int kIdStationStatus = 2100;
inline constexpr int kIdStationExit = 2101;
inline constexpr int kIdStationCounters = 2102;
inline constexpr int kIdRunStation = 2103;

const DialogTemplate& StationDialogTemplate();

}  // namespace zt::win32
