#include "host/posix/PosixStandardInput.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace zt::host_posix {

namespace {
constexpr int kCancelCheckMs = 50;
// An answer is a word or nothing. Input that never ends a line (/dev/zero, a
// binary file) gives up after this much, so a prompt always returns.
constexpr size_t kMaxLineLength = 1024;
}  // namespace

std::optional<std::string> PosixStandardInput::ReadLine(const std::function<bool()>& cancelled, bool* cut) {
    if (cut) *cut = false;
    std::string line;
    size_t taken = 0;
    for (;;) {
        if (cancelled()) return std::nullopt;
        pollfd fd{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&fd, 1, kCancelCheckMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return std::nullopt;
        if (ready == 0) continue;
        char c = 0;
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return line.empty() ? std::nullopt : std::optional<std::string>(line);
        if (c == '\n') return line;
        if (c != '\r') line.push_back(c);
        if (++taken == kMaxLineLength) {
            if (cut) *cut = true;
            return line;
        }
    }
}

}  // namespace zt::host_posix
