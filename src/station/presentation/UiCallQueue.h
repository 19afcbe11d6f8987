#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace zt {

// Runs work for other threads on the user-interface thread and makes the
// caller wait until it has been handled, like a synchronous window message.
// Calls are queued under our own lock; the front end nudges its UI thread
// (a posted window message, a queued Qt call) and drains the queue there, so
// no data crosses threads inside the toolkit. The queue belongs to the thread
// that creates it.
//
// Closing: once BeginClosing has run, every waiting caller is released and
// later calls return at once without running. The close procedure waits for
// the worker while the UI thread no longer serves the queue; without this
// release a worker blocked here would never get there.
class UiCallQueue {
public:
    using Done = std::function<void()>;

    // `nudge` posts the message that makes the UI thread call Drain; it is
    // called from other threads.
    explicit UiCallQueue(std::function<void()> nudge);
    ~UiCallQueue();

    bool OnUiThread() const { return std::this_thread::get_id() == uiThread_; }

    // Runs `work` on the UI thread; true when it ran, false when closing
    // released the caller first.
    bool Run(std::function<void()> work);
    // As Run, but handled only once `work` calls its Done (a message box the
    // operator dismisses). Not on the UI thread.
    bool RunUntilDone(std::function<void(Done)> work);

    // On the UI thread, when the nudge message arrives.
    void Drain();

    void BeginClosing();
    bool IsClosing() const;

private:
    struct Call {
        std::function<void(Done)> work;
        bool done = false;
        bool abandoned = false;
    };

    std::function<void()> nudge_;
    std::thread::id uiThread_ = std::this_thread::get_id();
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Call>> queue_;
    bool closing_ = false;
};

}  // namespace zt
