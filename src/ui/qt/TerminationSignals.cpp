#include "ui/qt/TerminationSignals.h"

#include <QSocketNotifier>
#include <QtGlobal>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>
#endif

namespace zt::qt {

#if defined(Q_OS_UNIX)
namespace {

// SIGHUP too: the session that started the tool is gone, and nobody is left
// to answer the window; it closes as for SIGTERM.
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSignalCount = static_cast<int>(std::size(kSignals));
int pipeEnds[2] = {-1, -1};  // read, write
struct sigaction previous[kSignalCount];

extern "C" void OnTerminationSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a request to close; nothing is lost.
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    ::signal(signalNumber, SIG_DFL);
    errno = savedErrno;
}

bool MakePipe() {
    if (::pipe(pipeEnds) != 0) return false;
    for (const int fd : pipeEnds) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    return true;
}

void ClosePipe() {
    for (int& fd : pipeEnds) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (pipeEnds[0] >= 0 || !MakePipe()) return;
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::ReadPipe);
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < kSignalCount; ++i) ::sigaction(kSignals[i], &action, &previous[i]);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_) return;
    for (int i = 0; i < kSignalCount; ++i) ::sigaction(kSignals[i], &previous[i], nullptr);
    delete notifier_;
    notifier_ = nullptr;
    ClosePipe();
}

void TerminationSignals::ReadPipe() {
    unsigned char byte = 0;
    while (::read(pipeEnds[0], &byte, 1) == 1) emit received(byte);
}

#else

// Elsewhere the console's own handling stays.
TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {}
TerminationSignals::~TerminationSignals() = default;
void TerminationSignals::ReadPipe() {}

#endif

}  // namespace zt::qt
