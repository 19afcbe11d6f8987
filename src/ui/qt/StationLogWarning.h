#pragma once
#include <QStringList>

class QWidget;

namespace zt::qt {

// Tells the operator that lines of the station log were not written, in a
// box over `window` that does not hold up the window (the job has ended;
// its result stands). UI thread only.
void WarnStationLogNotWritten(QWidget* window, const QStringList& errors);

}  // namespace zt::qt
