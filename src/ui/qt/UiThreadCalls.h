#pragma once
#include <QObject>
#include <functional>

#include "station/presentation/UiCallQueue.h"

namespace zt::qt {

// Runs work for other threads on the user-interface thread and makes the
// caller wait until it is done, like a synchronous window message: the
// shared UiCallQueue, nudged through Qt's event queue.
//
// Closing: once BeginClosing has run (UI thread), every waiting caller is
// released at once and later calls return at once without running. The close
// procedure waits for the worker while the UI thread no longer serves its
// queue; without this release a worker blocked here would never get there.
class UiThreadCalls : public QObject {
    Q_OBJECT

public:
    // Signals the caller that the work has been handled. Safe to call late,
    // after the caller was released, and more than once.
    using Done = UiCallQueue::Done;

    // Belongs to the thread that creates it: the user-interface thread.
    explicit UiThreadCalls(QObject* parent = nullptr);
    ~UiThreadCalls() override;

    bool OnUiThread() const;

    // Runs `work` on the UI thread and returns when it has run: true, or false
    // when closing released the caller first. On the UI thread itself it runs
    // at once.
    bool Run(std::function<void()> work);

    // Like Run, but the call is handled only when `work` calls its Done, which
    // may happen later from the UI thread's event loop (a message box that the
    // operator dismisses). Must not be called on the UI thread.
    bool RunUntilDone(std::function<void(Done)> work);

    void BeginClosing();
    bool IsClosing() const;

    // The queue itself, for what takes any front end's queue.
    UiCallQueue& Queue() { return queue_; }

private:
    Q_INVOKABLE void DrainQueue();

    UiCallQueue queue_;
};

}  // namespace zt::qt
