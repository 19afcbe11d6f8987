#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace zt::station {

// The user-interface thread of the console front end: a queue of tasks that
// the thread which calls RunUntil executes one after another, in the order
// they were posted. Device notices (posted from any thread) and the operator's
// button presses run here, so the dialog sees them on one thread, as a window
// system would deliver them. Periodic timers tick on the same thread.
class UiLoop {
public:
    using Task = std::function<void()>;
    using TimerTick = std::function<void(uint32_t timerId)>;

    // Any thread. Dropped once the loop is closed.
    void Post(Task task);

    // Any thread: makes a running RunUntil re-check its condition now.
    void Wake();

    // Any thread but the loop's own: waits until every task posted before the
    // call has run. Returns false, without waiting further, when the loop is
    // closed (the close procedure no longer pumps tasks).
    bool Flush();

    // The loop's thread: runs tasks and timer ticks until `done` is true. The
    // condition is checked before and after every task and at least every
    // `recheck`, so it may also watch flags that nobody wakes the loop for.
    void RunUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds recheck = std::chrono::milliseconds(20));

    // Runs the tasks that are already queued, then returns.
    void RunPending();

    // From now on tasks are dropped and Flush returns false. Tasks still queued
    // are discarded.
    void Close();
    bool IsClosed() const;

    // Periodic ticks on the loop's thread while it runs (real time).
    void StartTimer(uint32_t timerId, uint32_t periodMs, TimerTick tick);
    void StopTimer(uint32_t timerId);

private:
    using TimePoint = std::chrono::steady_clock::time_point;
    struct Timer {
        std::chrono::milliseconds period;
        TimePoint next;
        TimerTick tick;
    };

    // Runs one queued task or one due timer tick; false when there was none.
    bool RunOne(std::unique_lock<std::mutex>& lock);
    TimePoint NextTimerDue() const;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Task> tasks_;
    std::map<uint32_t, Timer> timers_;
    uint64_t posted_ = 0;    // tasks ever queued
    uint64_t finished_ = 0;  // tasks run or discarded
    bool wakeRequested_ = false;
    bool closed_ = false;
};

}  // namespace zt::station
