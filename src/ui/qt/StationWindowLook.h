#pragma once
#include "station/presenter/StationView.h"

namespace zt::qt {

// How the Qt station window words and draws what its presenter shows: its
// texts in the window's translations, each row following its port's state
// under Write EEPROM too, and what to do about a failure in a few words (its
// whole meaning under the pointer).
station::StationLook StationWindowLook();

}  // namespace zt::qt
