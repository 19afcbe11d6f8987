#include "host/posix/PosixStandardStreams.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace zt::host_posix {

void PosixStandardStreams::ProtectStandardStreams() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lower ones are open by now, so this takes `fd` itself.
        const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
    std::signal(SIGPIPE, SIG_IGN);
}

int PosixStandardStreams::RedrawableTerminalColumns() {
    if (::isatty(STDOUT_FILENO) != 1) return 0;
    // A "dumb" terminal (an editor's shell buffer) prints the escape codes.
    const char* term = std::getenv("TERM");
    if (term == nullptr || std::strcmp(term, "dumb") == 0) return 0;
    const int columns = TerminalColumns();
    return columns > 0 ? columns : 80;
}

bool PosixStandardStreams::IsTerminal(StandardStream stream) {
    const int fd = stream == StandardStream::Input    ? STDIN_FILENO
                   : stream == StandardStream::Output ? STDOUT_FILENO
                                                      : STDERR_FILENO;
    return ::isatty(fd) == 1;
}

int PosixStandardStreams::TerminalColumns() {
    winsize size{};
    if (::isatty(STDOUT_FILENO) == 1 && ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0) return size.ws_col;
    return 0;
}

int PosixStandardStreams::TerminalLines() {
    winsize size{};
    if (::isatty(STDOUT_FILENO) == 1 && ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0) return size.ws_row;
    return 0;
}

}  // namespace zt::host_posix
