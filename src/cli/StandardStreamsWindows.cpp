#include <windows.h>

#include "cli/StandardStreams.h"

namespace zt::cli {

void ProtectStandardStreams() {
    // Windows has no SIGPIPE, and a process started without one of its
    // standard handles gets writes that fail rather than a descriptor that a
    // later open could take over: nothing to mend here.
}

int RedrawableTerminalColumns() {
    // A console redraws lines only once it is asked to take escape codes
    // (Windows 10 and later); a pipe or a file has no console mode at all.
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (out == INVALID_HANDLE_VALUE || out == nullptr || !GetConsoleMode(out, &mode)) return 0;
    if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) == 0 &&
        !SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING))
        return 0;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(out, &info)) return 80;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

}  // namespace zt::cli
