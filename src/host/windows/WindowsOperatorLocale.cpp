#include "host/windows/WindowsOperatorLocale.h"

#include <windows.h>

namespace zt::host_windows {

std::string OperatorLocale() {
    // The user's display language, as "zh-CN"; its names are ASCII.
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    if (LCIDToLocaleName(MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT), name, LOCALE_NAME_MAX_LENGTH,
                         0) <= 0)
        return "";
    std::string text;
    for (const wchar_t* c = name; *c; ++c) text += static_cast<char>(*c < 0x80 ? *c : '?');
    return text;
}

}  // namespace zt::host_windows
