#pragma once
#include "station/presenter/StationRow.h"
#include "station/presenter/StationView.h"

namespace zt::win32 {

// How the station window on Windows words and draws what its presenter shows:
// its texts as written, Write EEPROM's rows with each job's own words to its
// end, and a failure's whole meaning in the meaning column.
station::StationLook StationWindowLook();

// What a row shows in this window.
station::RowShown LookOf(const station::StationRow& row);

}  // namespace zt::win32
