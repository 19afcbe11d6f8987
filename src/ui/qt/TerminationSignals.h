#pragma once
#include <QObject>

class QSocketNotifier;

namespace zt::qt {

// SIGINT, SIGTERM and SIGHUP as an event of the user-interface thread, so that a
// signal ends the dialog through its close procedure (the worker stopped, the
// device closed, the single-instance files removed) instead of killing the
// process in the middle of a device exchange.
//
// The handler only writes the signal's number into a pipe; the read end is
// watched by the event loop. The first signal puts the default action back,
// so a second one ends the process at once, as the close may wait up to a
// device time-out. One object at a time; the previous handlers come back when
// it goes away.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False when the pipe or the handlers could not be set up; the signals
    // then keep their default action.
    bool IsActive() const { return notifier_ != nullptr; }

signals:
    void received(int signalNumber);

private:
    void ReadPipe();

    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace zt::qt
