#include "host/windows/WindowsStandardStreams.h"

#include <windows.h>

#include <cstdlib>

namespace zt::host_windows {

namespace {

UINT consoleCodePage = 0;

void RestoreConsoleCodePage() { SetConsoleOutputCP(consoleCodePage); }

}  // namespace

void WindowsStandardStreams::ProtectStandardStreams() {
    // Windows has no SIGPIPE, and a process started without one of its
    // standard handles gets writes that fail rather than a descriptor that a
    // later open could take over: nothing to mend here. The tool writes
    // UTF-8 (the operator's texts in their language): a console shows it as
    // such while the tool runs, and gets its own code page back at the end.
    consoleCodePage = GetConsoleOutputCP();
    if (consoleCodePage != 0 && consoleCodePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
        std::atexit(RestoreConsoleCodePage);
}

int WindowsStandardStreams::RedrawableTerminalColumns() {
    // A console redraws lines only once it is asked to take escape codes
    // (Windows 10 and later); a pipe or a file has no console mode at all.
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (out == INVALID_HANDLE_VALUE || out == nullptr || !GetConsoleMode(out, &mode)) return 0;
    if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) == 0 &&
        !SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING))
        return 0;
    const int columns = TerminalColumns();
    return columns > 0 ? columns : 80;
}

bool WindowsStandardStreams::IsTerminal(StandardStream stream) {
    // A console, not the NUL device, which is a character device too.
    const HANDLE handle = GetStdHandle(stream == StandardStream::Input    ? STD_INPUT_HANDLE
                                       : stream == StandardStream::Output ? STD_OUTPUT_HANDLE
                                                                          : STD_ERROR_HANDLE);
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
}

int WindowsStandardStreams::TerminalColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

int WindowsStandardStreams::TerminalLines() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return 0;
    return info.srWindow.Bottom - info.srWindow.Top + 1;
}

}  // namespace zt::host_windows
