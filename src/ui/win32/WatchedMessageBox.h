#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace zt::win32 {

// A message box over `owner` whose window is known as soon as it is up,
// before the operator can answer: `openBox` holds it while it is up (and what
// it held before once it has gone), so that a close can take it down, and
// `shown` hears of it (a test or a script answers it from there). Returns the
// button pressed, as MessageBoxW does. UI thread.
int ShowWatchedMessageBox(HWND owner, const std::string& text, const char* caption, UINT flags,
                          const std::function<void(HWND)>& shown, HWND& openBox);

}  // namespace zt::win32
