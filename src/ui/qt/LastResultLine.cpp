#include "ui/qt/LastResultLine.h"

#include <QCoreApplication>

#include "station/ports/PortStatus.h"

namespace zt::qt {

QString OutcomeText(const JobOutcome& outcome) {
    return QString::fromStdString(station::OutcomeWords(outcome));
}

QString LastResultLine(const JobOutcome& outcome) {
    return QCoreApplication::translate("MainDialog", "Last result: %1").arg(OutcomeText(outcome));
}

}  // namespace zt::qt
