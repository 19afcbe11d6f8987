#include "ui/qt/LastResultLine.h"

namespace zt::qt {

QString OutcomeText(const JobOutcome& outcome) {
    QString text = QString::fromLatin1(ResultName(outcome.kind));
    if (const auto code = outcome.Code()) text += u' ' + QString::fromStdString(FormatResultCode(*code));
    return text;
}

QString LastResultLine(const JobOutcome& outcome) {
    return QStringLiteral("Last result: ") + OutcomeText(outcome);
}

}  // namespace zt::qt
