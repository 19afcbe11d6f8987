#include "ui/qt/OperatorLanguage.h"

#include <QCoreApplication>
#include <QTranslator>

#include "host/HostSystem.h"
#include "station/operator/OperatorText.h"

namespace zt::qt {

QString ChooseOperatorLanguage(const QString& given) {
    const std::string locale = given.isEmpty() ? OperatorLocale() : given.toStdString();
    const QString language = QString::fromStdString(station::SetOperatorLanguage(locale));
    if (language.isEmpty()) return language;
    // The translations are built into the program (translations/*.ts).
    static QTranslator translator;
    if (translator.load(QStringLiteral(":/i18n/zt51xx-mp_") + language))
        QCoreApplication::installTranslator(&translator);
    return language;
}

}  // namespace zt::qt
