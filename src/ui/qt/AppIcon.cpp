#include "ui/qt/AppIcon.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPixmap>

namespace zt::qt {

namespace {

QPixmap DrawChip(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    const qreal unit = size / 16.0;
    // Pins on the left and right edges.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xB0, 0xB4, 0xBA));
    for (int i = 0; i < 4; ++i) {
        const qreal y = (3 + i * 3) * unit;
        painter.drawRect(QRectF(0.5 * unit, y, 2 * unit, unit));
        painter.drawRect(QRectF(13.5 * unit, y, 2 * unit, unit));
    }
    // The package.
    painter.setBrush(QColor(0x1F, 0x4E, 0x79));
    painter.drawRoundedRect(QRectF(2.5 * unit, 1.5 * unit, 11 * unit, 13 * unit), unit, unit);

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(qMax(6, static_cast<int>(5.5 * unit)));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(2.5 * unit, 1.5 * unit, 11 * unit, 13 * unit), Qt::AlignCenter,
                     QStringLiteral("ZT"));
    return pixmap;
}

}  // namespace

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) icon.addPixmap(DrawChip(size));
    return icon;
}

}  // namespace zt::qt
