#pragma once
#include <QString>

namespace zt::qt {

// Chooses the language of the windows and of the station's lines: `given`
// (--language) when not empty, else the system's. Loads the windows'
// translation into the application; the English texts stay when the
// language is not shipped. Returns the language chosen, "" for English.
// Called once, after the application object exists and before any window.
QString ChooseOperatorLanguage(const QString& given);

}  // namespace zt::qt
