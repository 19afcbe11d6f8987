#include "ui/qt/LastResultLine.h"

#include <QCoreApplication>

#include "job/FailureCatalogue.h"

namespace zt::qt {

QString OutcomeText(const JobOutcome& outcome) {
    QString text = QString::fromLatin1(ResultName(outcome.kind));
    if (const auto code = outcome.Code()) {
        text += u' ' + QString::fromStdString(FormatResultCode(*code));
        const FailureDescription failure = DescribeFailure(*code);
        if (failure.known) text += QStringLiteral(": ") + QString::fromStdString(failure.detailName);
    }
    return text;
}

QString LastResultLine(const JobOutcome& outcome) {
    return QCoreApplication::translate("MainDialog", "Last result: %1").arg(OutcomeText(outcome));
}

}  // namespace zt::qt
