#pragma once
#include <QFont>
#include <QRect>
#include <QSize>

#include "app/DialogTemplate.h"

namespace zt::qt {

// Dialog units as a Windows dialog converts them: a horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth of
// its character height. The average width is taken over the 52 Latin letters
// and rounded, so layouts line up with the font actually in use.
struct DialogUnits {
    int baseX = 0;  // average character width in pixels
    int baseY = 0;  // character height in pixels

    static DialogUnits ForFont(const QFont& font);

    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    QRect ToPixels(int x, int y, int width, int height) const;
    QSize ToPixels(int width, int height) const;
};

// The template's font ("MS Shell Dlg" 8 point), or the closest the platform has.
QFont TemplateFont(const DialogTemplate& dialogTemplate);

}  // namespace zt::qt
