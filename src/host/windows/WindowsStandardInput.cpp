#include "host/windows/WindowsStandardInput.h"

#include <windows.h>

namespace zt::host_windows {

namespace {
constexpr DWORD kCancelCheckMs = 50;
// An answer is a word or nothing. Input that never ends a line (a binary file,
// an endless pipe) gives up after this much, so a prompt always returns.
constexpr size_t kMaxLineLength = 1024;

// True when a character can be read without blocking; false on a time-out.
// nullopt when the input is gone.
std::optional<bool> WaitForInput(HANDLE input) {
    if (GetFileType(input) == FILE_TYPE_PIPE) {
        DWORD available = 0;
        if (!PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr))
            return GetLastError() == ERROR_BROKEN_PIPE ? std::optional<bool>(true) : std::nullopt;
        if (available > 0) return true;
        Sleep(kCancelCheckMs);
        return false;
    }
    if (GetFileType(input) == FILE_TYPE_CHAR) {
        const DWORD waited = WaitForSingleObject(input, kCancelCheckMs);
        if (waited == WAIT_TIMEOUT) return false;
        return waited == WAIT_OBJECT_0 ? std::optional<bool>(true) : std::nullopt;
    }
    return true;  // a file: reading never waits
}

}  // namespace

std::optional<std::string> WindowsStandardInput::ReadLine(const std::function<bool()>& cancelled, bool* cut) {
    if (cut) *cut = false;
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE) return std::nullopt;
    const bool console = GetFileType(input) == FILE_TYPE_CHAR;
    std::string line;
    size_t taken = 0;
    for (;;) {
        if (cancelled()) return std::nullopt;
        const auto ready = WaitForInput(input);
        if (!ready) return std::nullopt;
        if (!*ready) continue;
        char c = 0;
        DWORD n = 0;
        // A console signals its handle for mouse and focus events too; those
        // give no character, and ReadConsole would block, so only keys count.
        if (console) {
            INPUT_RECORD record;
            DWORD peeked = 0;
            if (!PeekConsoleInputA(input, &record, 1, &peeked) || peeked == 0) continue;
            if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown ||
                record.Event.KeyEvent.uChar.AsciiChar == 0) {
                ReadConsoleInputA(input, &record, 1, &peeked);
                continue;
            }
            if (!ReadConsoleInputA(input, &record, 1, &peeked) || peeked == 0) return std::nullopt;
            c = record.Event.KeyEvent.uChar.AsciiChar;
            n = 1;
            DWORD written = 0;
            const char echo[2] = {c == '\r' ? '\r' : c, '\n'};
            WriteConsoleA(GetStdHandle(STD_OUTPUT_HANDLE), echo, c == '\r' ? 2 : 1, &written, nullptr);
            if (c == '\r') return line;
        } else if (!ReadFile(input, &c, 1, &n, nullptr)) {
            n = 0;
        }
        if (n == 0) return line.empty() ? std::nullopt : std::optional<std::string>(line);
        if (c == '\n') return line;
        if (c == '\b') {
            if (!line.empty()) line.pop_back();
        } else if (c != '\r') {
            line.push_back(c);
        }
        if (++taken == kMaxLineLength) {
            if (cut) *cut = true;
            return line;
        }
    }
}

}  // namespace zt::host_windows
