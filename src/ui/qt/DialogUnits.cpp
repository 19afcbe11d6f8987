#include "ui/qt/DialogUnits.h"

#include <QFontMetrics>
#include <QString>
#include <QStringList>

namespace zt::qt {

namespace {

// Rounds units * base / divisor to the nearest integer, halves away from zero.
int ScaleRounded(int units, int base, int divisor) {
    const long long product = static_cast<long long>(units) * base;
    const long long half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor : (product - half) / divisor);
}

}  // namespace

DialogUnits DialogUnits::ForFont(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    DialogUnits units;
    units.baseX = (letters / 26 + 1) / 2;
    units.baseY = metrics.height();
    if (units.baseX < 1) units.baseX = 1;
    if (units.baseY < 1) units.baseY = 1;
    return units;
}

int DialogUnits::ToPixelsX(int units) const { return ScaleRounded(units, baseX, 4); }

int DialogUnits::ToPixelsY(int units) const { return ScaleRounded(units, baseY, 8); }

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const {
    return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(width), ToPixelsY(height));
}

QSize DialogUnits::ToPixels(int width, int height) const {
    return QSize(ToPixelsX(width), ToPixelsY(height));
}

QFont TemplateFont(const DialogTemplate& dialogTemplate) {
    const QString family = QString::fromUtf8(dialogTemplate.fontName.data(),
                                             static_cast<qsizetype>(dialogTemplate.fontName.size()));
    // Where the Windows dialog face is missing, fall back to the fonts that
    // stand in for it, then to whatever sans-serif face the system has.
    QFont::insertSubstitutions(family, {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Tahoma"),
                                        QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont font(family);
    font.setPointSize(dialogTemplate.fontPointSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

}  // namespace zt::qt
