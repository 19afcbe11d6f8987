#include "ui/qt/StationLogWarning.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QWidget>

namespace zt::qt {

void WarnStationLogNotWritten(QWidget* window, const QStringList& errors) {
    if (errors.isEmpty()) return;
    auto* box = new QMessageBox(
        QMessageBox::Warning, window->windowTitle(),
        QCoreApplication::translate("zt::qt::StationWindow", "The station log was not written:\n") +
            errors.join(u'\n'),
        QMessageBox::Ok, window);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

}  // namespace zt::qt
